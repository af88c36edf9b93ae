#include "RootViewController.h"

#include <QKeyEvent>
#include <QLineEdit>

#include "ActionSheet.h"
#include "AnimationFunctions.h"
#include "Animator.h"
#include "BundleImage.h"
#include "Button.h"
#include "DetailPlaceholderPage.h"
#include "ExploreESRBDragView.h"
#include "ExploreGenreDragView.h"
#include "ExploreScoreDragView.h"
#include "FetchedResultsController.h"
#include "Game.h"
#include "GameRowCell.h"
#include "ImageView.h"
#include "Model.h"
#include "MyLog.h"
#include "NavigationController.h"
#include "NotificationCenter.h"
#include "PullFetchedRequestPullFetchedRequestMaker.h"
#include "QlMetricWriter.h"
#include "Sectioner.h"
#include "StoreError.h"
#include "StringFunctions.h"
#include "TableHeaderRow.h"
#include "TableView.h"
#include "UserDefaults.h"
#include "ViewAlpha.h"
#include "ui_RootViewController.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// The rows' grey (214 of 255).
const QColor kRowBackground = QColor::fromRgbF(0.839216f, 0.839216f, 0.839216f, 1.0f);

// What each explore choice filters by, and the metric it writes.
enum class ExploreFilter { Score, ESRB, Genre };
struct ExploreChoice {
    int value;
    ExploreFilter filter;
    int filterValue;
    const char16_t* metric;
};
constexpr ExploreChoice kExploreChoices[] = {
    {1, ExploreFilter::Score, 5, u"Score 1"},
    {2, ExploreFilter::Score, 4, u"Score 2"},
    {3, ExploreFilter::Score, 3, u"Score 3"},
    {4, ExploreFilter::Score, 2, u"Score 4"},
    {5, ExploreFilter::Score, 1, u"Score 5"},
    {6, ExploreFilter::ESRB, 6, u"ESRB young"},
    {7, ExploreFilter::ESRB, 1, u"ESRB everyone"},
    {8, ExploreFilter::ESRB, 5, u"ESRB 10 plus"},
    {9, ExploreFilter::ESRB, 3, u"ESRB teen"},
    {10, ExploreFilter::ESRB, 4, u"ESRB mature"},
    {11, ExploreFilter::ESRB, 8, u"ESRB adults"},
    {12, ExploreFilter::ESRB, 2, u"ESRB pending"},
    {13, ExploreFilter::Genre, 1, u"Genre action"},
    {14, ExploreFilter::Genre, 4, u"Genre adventure"},
    {15, ExploreFilter::Genre, 7, u"Genre driving"},
    {16, ExploreFilter::Genre, 10, u"Genre family"},
    {17, ExploreFilter::Genre, 2, u"Genre fighting"},
    {18, ExploreFilter::Genre, 11, u"Genre flying"},
    {19, ExploreFilter::Genre, 3, u"Genre puzzle"},
    {20, ExploreFilter::Genre, 5, u"Genre rpg"},
    {21, ExploreFilter::Genre, 8, u"Genre simulation"},
    {22, ExploreFilter::Genre, 6, u"Genre sports"},
    {23, ExploreFilter::Genre, 9, u"Genre strategy"},
};

QString exploreFeature(ExploreFilter filter) {
    switch (filter) {
        case ExploreFilter::Score:
            return u"Explore drag Score"_s;
        case ExploreFilter::ESRB:
            return u"Explore drag ESRB"_s;
        case ExploreFilter::Genre:
            return u"Explore drag Genre"_s;
    }
    return {};
}

}  // namespace

RootViewController::RootViewController(QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::RootViewController>()) {
    ui_->setupUi(this);
    ui_->tableView->setRowHeight(kRowHeight);
    ui_->tableView->setSectionHeaderHeight(TableHeaderRow::kHeight);
    ui_->tableView->setDataSource(this);
    ui_->tableView->setDelegate(this);
    // Behind the rows, and below the last one, the list's own grey.
    QPalette tablePalette = ui_->tableView->viewport()->palette();
    tablePalette.setBrush(QPalette::Base,
                          QBrush(BundleImage::imageNamed(u"list_background.png"_s)));
    ui_->tableView->viewport()->setPalette(tablePalette);
    QPalette screenPalette = palette();
    screenPalette.setColor(QPalette::Window, QColor(29, 32, 38));
    setPalette(screenPalette);
    ui_->tableView->setFocus();

    const std::array<QWidget*, 3> thumbs = {ui_->exploreScoreDragViewThumb,
                                            ui_->exploreESRBDragViewThumb,
                                            ui_->exploreGenreDragViewThumb};
    for (size_t i = 0; i < thumbs.size(); ++i) {
        const auto [button, control] = exploreChoices()[i];
        control->setThumbView(thumbs[i]);
        control->setButton(button);
        control->setDelegate(this);
    }
    // The busy overlay starts clear; each refetch fades it in and out again.
    ViewAlpha::setAlpha(ui_->workingOverlay, 0.0f);
    connectControls();
}

RootViewController::~RootViewController() {
    NotificationCenter::defaultCenter()->removeObserver(this);
    // The table may still ask for rows while it goes; it must find none.
    ui_->tableView->setDataSource(nullptr);
    ui_->tableView->setDelegate(nullptr);
}

void RootViewController::connectControls() {
    for (Button* tab : {ui_->allTab, ui_->myTab, ui_->exploreTab}) {
        connect(tab, &QAbstractButton::clicked, this, [this, tab] { viewTypeTabPressed(tab); });
    }
    for (Button* filter : {ui_->wishFilter, ui_->ratedFilter, ui_->playedFilter}) {
        connect(filter, &QAbstractButton::clicked, this,
                [this, filter] { filterButtonPressed(filter); });
    }
    for (Button* sort : {ui_->dateFilter, ui_->dateFilterExplore}) {
        connect(sort, &QAbstractButton::clicked, this, [this, sort] { sortByDate(sort); });
    }
    for (Button* sort : {ui_->scoreFilter, ui_->scoreFilterExplore}) {
        connect(sort, &QAbstractButton::clicked, this, [this, sort] { sortByScore(sort); });
    }
    // The buttons that show the explore choices open and close the panel.
    for (const auto& [button, control] : exploreChoices()) {
        connect(button, &QAbstractButton::clicked, this,
                &RootViewController::exploreShowHideButtonPressed);
    }
    connect(ui_->iconGear, &QAbstractButton::clicked, this,
            &RootViewController::showOptionsActionSheet);
    connect(ui_->searchField, &QLineEdit::returnPressed, this,
            [this] { textFieldShouldReturn(ui_->searchField); });
    connect(ui_->searchField, &QLineEdit::textEdited, this,
            [this] { searchValueChanged(ui_->searchField); });
}

void RootViewController::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    loadViewIfNeeded();
    viewWillAppear(false);
}

void RootViewController::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && isExplorePanelOpen()) {
        hideExplorePanel();
        return;
    }
    QWidget::keyPressEvent(event);
}

void RootViewController::loadViewIfNeeded() {
    if (!viewLoaded_) {
        viewLoaded_ = true;
        viewDidLoad();
    }
}

void RootViewController::viewDidLoad() {
    addListeners();
    sectionArray_ = std::make_shared<QList<SectionTotal>>();
    sectionHeaderViews_.clear();
    requestMaker_ = PullFetchedRequestPullFetchedRequestMaker::makerWithContext(
        managedObjectContext_, managedObjectModel_);
    sectioner_ = Sectioner::sectionerWithSectionArray(sectionArray_, requestMaker_.get());
    setWindowTitle(kTitle);
    loadListDefaults();
    if (currentViewType_ == kViewMy) {
        loadMyTabFilterDefaults();
    }
    redrawAndExecute();
}

void RootViewController::viewWillAppear(bool) {
    reloadTable();
    drawStatusMessage();
}

void RootViewController::addListeners() {
    NotificationCenter* center = NotificationCenter::defaultCenter();
    for (const QString& name : {u"NOTIF_GAMES_UPDATED"_s, u"NOTIF_INSTALLING_BUNDLE_FILE_END"_s}) {
        center->addObserver(this, name, [this](const Notification&) { gameUpdateComplete(); });
    }
    center->addObserver(this, u"NOTIF_GAME_WISH_CHANGED"_s,
                        [this](const Notification&) { gameWishChanged(); });
    center->addObserver(this, u"NOTIF_GAME_RATING_CHANGED"_s,
                        [this](const Notification&) { gameRatingChanged(); });
    center->addObserver(this, u"NOTIF_GAME_PLAYED_CHANGED"_s,
                        [this](const Notification&) { gamePlayedChanged(); });
    center->addObserver(this, u"NOTIF_SHOW_GAME_DETAILS"_s,
                        [this](const Notification& note) { showGameDetailsHandler(note); });
}

// ---- Refetching

void RootViewController::redrawAndExecute() {
    exploreDataDirty_ = false;
    redrawAndExecuteAndScrollTo(std::nullopt);
}

void RootViewController::redrawAndExecuteAndScrollTo(std::optional<IndexPath> indexPath) {
    if (!requestMaker_) {
        return;  // the view has not loaded
    }
    redrawTabs();

    const int sortType = requestMaker_->sortType();
    ui_->dateFilter->setSelected(sortType == 1);
    ui_->dateFilterExplore->setSelected(sortType == 1);
    ui_->scoreFilter->setSelected(sortType == 0);
    ui_->scoreFilterExplore->setSelected(sortType == 0);

    const int myFilter = requestMaker_->myFilter();
    ui_->wishFilter->setSelected(myFilter == 1);
    ui_->ratedFilter->setSelected(myFilter == 3);
    ui_->playedFilter->setSelected(myFilter == 2);
    const bool onMy = currentViewType_ == kViewMy;
    for (Button* filter : {ui_->wishFilter, ui_->ratedFilter, ui_->playedFilter}) {
        filter->setHidden(!onMy);
    }

    const bool onExplore = currentViewType_ == kViewExplore;
    ui_->exploreExtraThumbOverlayView->setHidden(!onExplore);
    for (const auto& [button, control] : exploreChoices()) {
        button->setHidden(!onExplore);
        button->setSelected(control->currentValue() != 0);
    }
    setFilterButtonTitles();

    const bool onAll = currentViewType_ == kViewAll;
    const QRect bar = ui_->filterButtonView->geometry();
    ui_->tableView->setGeometry(bar.x(), bar.y(), bar.width(),
                                onAll ? kTableHeightAllTab : kTableHeightOtherTabs);
    AnimationFunctions::moveView(ui_->filterButtonView,
                                 QPointF(bar.x(), onAll ? kFilterBarYAllTab : kFilterBarYOtherTabs),
                                 kLayoutSeconds);
    AnimationFunctions::moveView(
        ui_->tableView, QPointF(bar.x(), onAll ? kTableYAllTab : kTableYOtherTabs), kLayoutSeconds);

    AnimationFunctions::fadeInView(ui_->workingOverlay, kOverlayFadeSeconds);

    ++pendingFetches_;
    Animator::after(kFetchDelayMsecs, this, [this, indexPath] {
        --pendingFetches_;
        executeFetch(indexPath);
    });
}

void RootViewController::getNewFetchedResultsController() {
    fetchedResultsController_.reset();
    fetchedResultsController_ = std::make_unique<FetchedResultsController>(
        requestMaker_->getFetchRequest(), managedObjectContext_, QString(), kCacheName);
}

void RootViewController::executeFetch(std::optional<IndexPath> indexPath) {
    if (!requestMaker_) {
        return;
    }
    getNewFetchedResultsController();
    StoreError error;
    if (!fetchedResultsController_->performFetch(&error)) {
        MYLOG(u"rootviewcontroller: executeFetch:Unresolved error %@, %@"_s, error, error.userInfo);
    }

    sectionArray_->clear();
    sectionHeaderViews_.clear();
    const std::optional<IndexPath> sectionerTarget =
        sectioner_->setSectionArrayWitResults(*fetchedResultsController_);
    sectionStarts_.assign(1, 0);
    sectionStarts_.reserve(size_t(sectionArray_->size()) + 1);
    for (const SectionTotal& section : std::as_const(*sectionArray_)) {
        sectionStarts_.push_back(sectionStarts_.back() + section.count());
    }

    // Reloaded with a target too, so the scroll below is measured against the new sections;
    // the table would otherwise keep the old rows' layout until the screen reappears.
    reloadTable();

    const int count = fetchedResultsController_->numberOfObjects();
    ui_->statusRight->setText(TableHeaderRow::countText(count));

    TableView* table = ui_->tableView;
    if (table->numberOfRows() == 0) {
        // Nothing to scroll to.
        table->setContentOffset(QPoint(0, 0), false);
    } else if (!sectionArray_->isEmpty() && requestMaker_->sortType() == 1 &&
               (indexPath || sectionerTarget)) {
        if (indexPath) {
            table->scrollToRowAtIndexPath(getValidIndexPath(indexPath),
                                          TableViewScrollPosition::Top, true);
        } else {
            table->scrollToRowAtIndexPath(*sectionerTarget, TableViewScrollPosition::Middle, true);
        }
    } else if (indexPath) {
        table->scrollToRowAtIndexPath(getValidIndexPath(indexPath), TableViewScrollPosition::Top,
                                      true);
    } else {
        table->setContentOffset(QPoint(0, 0), false);
    }

    AnimationFunctions::fadeOutView(ui_->workingOverlay, kOverlayFadeSeconds);
    Q_EMIT fetched(count);
}

void RootViewController::reloadTable() {
    sectionHeaderViews_.clear();
    ui_->tableView->reloadData();
}

std::array<std::pair<Button*, ExploreDragView*>, 3> RootViewController::exploreChoices() const {
    return {{{ui_->exploreFilterButtonScore, ui_->exploreScoreDragView},
             {ui_->exploreFilterButtonESRB, ui_->exploreESRBDragView},
             {ui_->exploreFilterButtonGenre, ui_->exploreGenreDragView}}};
}

void RootViewController::redrawTabs() {
    ui_->allTab->setSelected(currentViewType_ == kViewAll);
    ui_->myTab->setSelected(currentViewType_ == kViewMy);
    ui_->exploreTab->setSelected(currentViewType_ == kViewExplore);
}

void RootViewController::setFilterButtonTitles() {
    for (const auto& [button, control] : exploreChoices()) {
        const QString label = control->getLabel();
        for (Button::State state :
             {Button::State::Normal, Button::State::Selected, Button::State::Highlighted}) {
            button->setTitle(label, state);
        }
    }
}

void RootViewController::drawStatusMessage() {
    static const QHash<QString, QString> kStyles = {
        {u"xbox360"_s, u"Questlog: 360 Style"_s}, {u"wii"_s, u"Questlog: Wii Style"_s},
        {u"ps3"_s, u"Questlog: PS3 Style"_s},     {u"psp"_s, u"Questlog: PSP Style"_s},
        {u"pc"_s, u"Questlog: PC Style"_s},       {u"ds"_s, u"Questlog: DS Style"_s},
    };
    const auto found = kStyles.constFind(Model::instanceOf()->platformCode());
    if (found != kStyles.constEnd()) {
        ui_->statusLeft->setText(*found);
    }
}

// ---- Rows

IndexPath RootViewController::getValidIndexPath(std::optional<IndexPath> indexPath) const {
    if (!indexPath || !sectionArray_ || sectionArray_->isEmpty()) {
        return IndexPath::indexPathForRow(0, 0);
    }
    const int lastSection = int(sectionArray_->size()) - 1;
    if (indexPath->section() > lastSection) {
        return IndexPath::indexPathForRow(std::max(0, sectionArray_->at(lastSection).count() - 1),
                                          lastSection);
    }
    const int section = std::max(0, indexPath->section());
    const int lastRow = std::max(0, sectionArray_->at(section).count() - 1);
    if (indexPath->row() > lastRow) {
        return IndexPath::indexPathForRow(lastRow, section);
    }
    return *indexPath;
}

std::optional<IndexPath> RootViewController::getCurrentIndexPath() const {
    TableViewCell* cell = ui_->tableView->firstVisibleCell();
    return cell ? ui_->tableView->indexPathForCell(cell) : std::nullopt;
}

int RootViewController::getObjectRowNumberFromIndexPath(const IndexPath& indexPath) const {
    const int section = indexPath.section();
    if (section < 0 || size_t(section) + 1 >= sectionStarts_.size() || indexPath.row() < 0) {
        return -1;
    }
    const int position = sectionStarts_[size_t(section)] + indexPath.row();
    return position < sectionStarts_[size_t(section) + 1] ? position : -1;
}

Game* RootViewController::getGameWithSectionedIndexPath(const IndexPath& indexPath) const {
    const int position = getObjectRowNumberFromIndexPath(indexPath);
    return position < 0 || !fetchedResultsController_
               ? nullptr
               : fetchedResultsController_->objectAtIndex(position);
}

const QList<SectionTotal>& RootViewController::sectionArray() const {
    static const QList<SectionTotal> kNone;
    return sectionArray_ ? *sectionArray_ : kNone;
}

int RootViewController::numberOfSectionsInTableView(TableView*) {
    return sectionArray_ ? int(sectionArray_->size()) : 0;
}

int RootViewController::numberOfRowsInSection(TableView*, int section) {
    return sectionArray_ && section >= 0 && section < sectionArray_->size()
               ? sectionArray_->at(section).count()
               : 0;
}

QString RootViewController::titleForHeaderInSection(TableView*, int section) {
    return sectionArray_ && section >= 0 && section < sectionArray_->size()
               ? sectionArray_->at(section).getLabel()
               : QString();
}

QWidget* RootViewController::viewForHeaderInSection(TableView*, int section) {
    if (const QPointer<TableHeaderRow> kept = sectionHeaderViews_.value(section)) {
        return kept;
    }
    if (!sectionArray_ || section < 0 || section >= sectionArray_->size()) {
        return nullptr;
    }
    auto* header = new TableHeaderRow();
    header->showSection(sectionArray_->at(section));
    sectionHeaderViews_.insert(section, header);
    return header;
}

std::optional<int> RootViewController::heightForHeaderInSection(TableView*, int) {
    return TableHeaderRow::kHeight;
}

std::optional<int> RootViewController::heightForRowAtIndexPath(TableView*, const IndexPath&) {
    return kRowHeight;
}

TableViewCell* RootViewController::cellForRowAtIndexPath(TableView* tableView,
                                                         const IndexPath& indexPath) {
    auto* cell = qobject_cast<GameRowCell*>(
        tableView->dequeueReusableCellWithIdentifier(GameRowCell::kReuseIdentifier));
    if (!cell) {
        cell = new GameRowCell();
        cell->setDelegate(this);
        cell->setBackgroundColor(kRowBackground);
    }
    cell->setGame(getGameWithSectionedIndexPath(indexPath));
    return cell;
}

void RootViewController::didSelectRowAtIndexPath(TableView* tableView, const IndexPath& indexPath) {
    if (Game* game = getGameWithSectionedIndexPath(indexPath)) {
        showDetailsWithGame(game);
    }
    tableView->deselectRowAtIndexPath(indexPath, true);
    QlMetricWriter::writeMetric(u"Show details pressed"_s, u"Details"_s);
}

// ---- Controls

void RootViewController::viewTypeTabPressed(QObject* sender) {
    if (!requestMaker_) {
        return;
    }
    if (isExplorePanelOpen() && sender != ui_->exploreTab) {
        hideExplorePanel();
    }
    if ((sender == ui_->allTab && currentViewType_ == kViewAll) ||
        (sender == ui_->myTab && currentViewType_ == kViewMy)) {
        return;
    }
    requestMaker_->setGenreFilter(0);
    requestMaker_->setEsrbFilter(0);
    requestMaker_->setReleasedFilter(0);
    requestMaker_->setScoreFilter(0);
    requestMaker_->setSearchFilter(QString());

    if (sender == ui_->allTab) {
        currentViewType_ = kViewAll;
        requestMaker_->setMyFilter(0);
        QlMetricWriter::writeMetric(u"All pressed"_s, u"List Tab"_s);
        saveListDefaults();
        redrawAndExecute();
    } else if (sender == ui_->myTab) {
        currentViewType_ = kViewMy;
        loadMyTabFilterDefaults();
        QlMetricWriter::writeMetric(u"My pressed"_s, u"List Tab"_s);
        saveListDefaults();
        redrawAndExecute();
    } else if (sender == ui_->exploreTab) {
        requestMaker_->setMyFilter(0);
        if (currentViewType_ != kViewExplore) {
            resetExploreFilters();
            showExplorePanel();
            currentViewType_ = kViewExplore;
            redrawTabs();
            exploreDataDirty_ = true;
            QlMetricWriter::writeMetric(u"Explore pressed"_s, u"List Tab"_s);
        } else if (isExplorePanelOpen()) {
            hideExplorePanel();
        } else {
            showExplorePanel();
        }
    } else {
        redrawAndExecute();
    }
}

void RootViewController::filterButtonPressed(QObject* sender) {
    if (!requestMaker_) {
        return;
    }
    const QString feature = u"Filter button"_s;
    if (sender == ui_->wishFilter) {
        requestMaker_->setMyFilter(1);
        QlMetricWriter::writeMetric(u"Wish pressed"_s, feature);
    } else if (sender == ui_->ratedFilter) {
        requestMaker_->setMyFilter(3);
        QlMetricWriter::writeMetric(u"Rated pressed"_s, feature);
    } else if (sender == ui_->playedFilter) {
        requestMaker_->setMyFilter(2);
        QlMetricWriter::writeMetric(u"Played pressed"_s, feature);
    } else {
        redrawAndExecute();
        return;
    }
    saveMyTabFilterDefaults();
    redrawAndExecute();
}

void RootViewController::sortByScore(QObject*) {
    if (!requestMaker_) {
        return;
    }
    QlMetricWriter::writeMetric(u"Score pressed"_s, u"Sort button"_s);
    requestMaker_->setSortType(0);
    requestMaker_->setSortDirection(1);
    saveListDefaults();
    redrawAndExecute();
}

void RootViewController::sortByDate(QObject*) {
    if (!requestMaker_) {
        return;
    }
    QlMetricWriter::writeMetric(u"Date pressed"_s, u"Sort button"_s);
    requestMaker_->setSortType(1);
    requestMaker_->setSortDirection(1);
    saveListDefaults();
    redrawAndExecute();
}

bool RootViewController::textFieldShouldReturn(QLineEdit* textField) {
    if (!requestMaker_ || !textField) {
        return true;
    }
    // The keyboard goes away: the list takes the keys again.
    textField->clearFocus();
    ui_->tableView->setFocus();
    const QString text = textField->text();
    requestMaker_->setSearchFilter(text);
    redrawAndExecute();
    if (!text.isEmpty()) {
        hideExplorePanel();
        QlMetricWriter::writeMetric(u"Search changed"_s, u"Search"_s);
    }
    return true;
}

void RootViewController::searchValueChanged(QObject*) {}

// ---- Explore panel

bool RootViewController::isExplorePanelOpen() const {
    return !ui_->exploreSliderOverlay->isHidden();
}

void RootViewController::showExplorePanel() {
    ui_->exploreSliderOverlay->show();
    // The move first: it keeps the alpha it finds, and the fade that follows takes the alpha
    // over from it.
    AnimationFunctions::moveView(ui_->exploreAnimatorView, QPointF(0, kPanelHiddenY), QPointF(0, 0),
                                 kShowPanelSeconds);
    AnimationFunctions::fadeInView(ui_->exploreAnimatorView, kShowPanelSeconds);
}

void RootViewController::hideExplorePanel() {
    QWidget* panel = ui_->exploreAnimatorView;
    AnimationFunctions::moveView(panel, QPointF(0, -panel->height()), kHidePanelMoveSeconds);
    AnimationFunctions::fadeOutView(panel, kHidePanelFadeSeconds);
    Animator::after(kHidePanelDelayMsecs, this, [this] { hideExplorePanelCompleted(); });
}

void RootViewController::hideExplorePanelCompleted() {
    ui_->exploreSliderOverlay->hide();
    if (exploreDataDirty_) {
        redrawAndExecute();
    }
}

void RootViewController::exploreShowHideButtonPressed() {
    if (ui_->exploreSliderOverlay->isHidden()) {
        showExplorePanel();
    } else {
        hideExplorePanel();
    }
}

void RootViewController::resetExploreFilters() {
    for (const auto& [button, control] : exploreChoices()) {
        control->reset();
    }
    ui_->searchField->clear();
}

void RootViewController::exploreDragViewStartedDragging(ExploreDragView*) {}

void RootViewController::exploreDragViewValueChanged(ExploreDragView*) {}

void RootViewController::exploreDragViewEndedDragging(ExploreDragView* view) {
    if (!requestMaker_) {
        return;
    }
    const QString feature = u"Explore drag type"_s;
    if (view == ui_->exploreScoreDragView) {
        QlMetricWriter::writeMetric(u"Score"_s, feature);
    } else if (view == ui_->exploreESRBDragView) {
        QlMetricWriter::writeMetric(u"ESRB"_s, feature);
    } else if (view == ui_->exploreGenreDragView) {
        QlMetricWriter::writeMetric(u"Genre"_s, feature);
    }
    requestMaker_->setScoreFilter(0);
    requestMaker_->setEsrbFilter(0);
    requestMaker_->setGenreFilter(0);
    // Every control's choice applies, in the order score, age rating, genre.
    for (const auto& [button, control] : exploreChoices()) {
        const int value = control->currentValue();
        for (const ExploreChoice& choice : kExploreChoices) {
            if (choice.value != value) {
                continue;
            }
            switch (choice.filter) {
                case ExploreFilter::Score:
                    requestMaker_->setScoreFilter(choice.filterValue);
                    break;
                case ExploreFilter::ESRB:
                    requestMaker_->setEsrbFilter(choice.filterValue);
                    break;
                case ExploreFilter::Genre:
                    requestMaker_->setGenreFilter(choice.filterValue);
                    break;
            }
            QlMetricWriter::writeMetric(QString::fromUtf16(choice.metric),
                                        exploreFeature(choice.filter));
        }
    }
    redrawAndExecute();
}

// ---- Defaults

void RootViewController::saveListDefaults() {
    UserDefaults* defaults = UserDefaults::standardUserDefaults();
    defaults->setObject(requestMaker_ && requestMaker_->sortType() == 0 ? u"SCORE"_s : u"DATE"_s,
                        kDefaultSortType);
    defaults->synchronize();
    defaults->setObject(currentViewType_ == kViewMy ? u"MY"_s : u"ALL"_s, kDefaultTab);
    defaults->synchronize();
}

void RootViewController::saveMyTabFilterDefaults() {
    const int myFilter = requestMaker_ ? requestMaker_->myFilter() : 0;
    UserDefaults* defaults = UserDefaults::standardUserDefaults();
    defaults->setObject(myFilter == 2   ? u"PLAYED"_s
                        : myFilter == 3 ? u"RATED"_s
                                        : u"WISH"_s,
                        kDefaultMyFilter);
    defaults->synchronize();
}

void RootViewController::loadListDefaults() {
    const UserDefaults* defaults = UserDefaults::standardUserDefaults();
    if (requestMaker_) {
        requestMaker_->setSortType(defaults->stringForKey(kDefaultSortType) == u"SCORE"_s ? 0 : 1);
    }
    currentViewType_ = defaults->stringForKey(kDefaultTab) == u"MY"_s ? kViewMy : kViewAll;
}

void RootViewController::loadMyTabFilterDefaults() {
    const QString stored = UserDefaults::standardUserDefaults()->stringForKey(kDefaultMyFilter);
    if (requestMaker_) {
        requestMaker_->setMyFilter(stored == u"PLAYED"_s ? 2 : stored == u"RATED"_s ? 3 : 1);
    }
}

void RootViewController::logDefaults() const {
    const UserDefaults* defaults = UserDefaults::standardUserDefaults();
    MYLOG(u"+ ------------ +"_s);
    MYLOG(u"tab\t\t\t\t\t= [%@]"_s, defaults->stringForKey(kDefaultTab));
    MYLOG(u"myFilter\t\t\t= [%@]"_s, defaults->stringForKey(kDefaultMyFilter));
    MYLOG(u"sort\t\t\t\t= [%@]"_s, defaults->stringForKey(kDefaultSortType));
}

// ---- Notifications and other screens

void RootViewController::gameUpdateComplete() {
    redrawAndExecute();
}

void RootViewController::gameWishChanged() {
    if (requestMaker_ && requestMaker_->myFilter() == 1) {
        redrawAndExecuteAndScrollTo(getCurrentIndexPath());
    }
}

void RootViewController::gamePlayedChanged() {
    if (requestMaker_ && requestMaker_->myFilter() == 2) {
        redrawAndExecuteAndScrollTo(getCurrentIndexPath());
    }
}

void RootViewController::gameRatingChanged() {
    if (requestMaker_ && requestMaker_->sortType() == 0) {
        redrawAndExecuteAndScrollTo(getCurrentIndexPath());
    }
}

void RootViewController::showGameDetailsHandler(const Notification& notification) {
    if (Game* game = notification.object().value<Game*>()) {
        showDetailsWithGame(game);
    }
}

void RootViewController::showDetailsWithGame(Game* game) {
    NavigationController* navigation = NavigationController::navigationControllerOf(this);
    if (!game || !navigation) {
        MYLOG(u"No game or no navigation stack to show details in"_s);
        return;
    }
    auto* page = new DetailPlaceholderPage();
    page->setGame(game);
    navigation->pushViewController(page, true);
}

void RootViewController::showOptionsActionSheet() {
    NavigationController* navigation = NavigationController::navigationControllerOf(this);
    QWidget* view = navigation && navigation->topViewController() ? navigation->topViewController()
                                                                  : static_cast<QWidget*>(this);
    auto* sheet = new ActionSheet(u"Got ideas for us, let us know!"_s, u"Cancel"_s,
                                  u"Send feedback"_s, {}, view->window());
    connect(sheet, &ActionSheet::clickedButtonAtIndex, this,
            [this](int, const QString& title) { actionSheetClickedButton(title); });
    sheet->showInView(view);
}

void RootViewController::actionSheetClickedButton(const QString& buttonTitle) {
    if (StringFunctions::contains(u"FEEDBACK"_s, buttonTitle.toUpper())) {
        NotificationCenter::defaultCenter()->postNotificationName(u"NOTIF_SEND_FEEDBACK_EMAIL"_s);
    }
}

// ---- Controls of the interface file

TableView* RootViewController::tableView() const {
    return ui_->tableView;
}
QLabel* RootViewController::statusLeft() const {
    return ui_->statusLeft;
}
QLabel* RootViewController::statusRight() const {
    return ui_->statusRight;
}
Button* RootViewController::allTab() const {
    return ui_->allTab;
}
Button* RootViewController::myTab() const {
    return ui_->myTab;
}
Button* RootViewController::exploreTab() const {
    return ui_->exploreTab;
}
Button* RootViewController::dateFilter() const {
    return ui_->dateFilter;
}
Button* RootViewController::scoreFilter() const {
    return ui_->scoreFilter;
}
Button* RootViewController::dateFilterExplore() const {
    return ui_->dateFilterExplore;
}
Button* RootViewController::scoreFilterExplore() const {
    return ui_->scoreFilterExplore;
}
Button* RootViewController::wishFilter() const {
    return ui_->wishFilter;
}
Button* RootViewController::ratedFilter() const {
    return ui_->ratedFilter;
}
Button* RootViewController::playedFilter() const {
    return ui_->playedFilter;
}
Button* RootViewController::iconGear() const {
    return ui_->iconGear;
}
ImageView* RootViewController::workingOverlay() const {
    return ui_->workingOverlay;
}
QWidget* RootViewController::filterButtonView() const {
    return ui_->filterButtonView;
}
QWidget* RootViewController::exploreSliderOverlay() const {
    return ui_->exploreSliderOverlay;
}
QWidget* RootViewController::exploreAnimatorView() const {
    return ui_->exploreAnimatorView;
}
QWidget* RootViewController::exploreExtraThumbOverlayView() const {
    return ui_->exploreExtraThumbOverlayView;
}
QLineEdit* RootViewController::searchField() const {
    return ui_->searchField;
}
Button* RootViewController::exploreFilterButtonScore() const {
    return ui_->exploreFilterButtonScore;
}
Button* RootViewController::exploreFilterButtonESRB() const {
    return ui_->exploreFilterButtonESRB;
}
Button* RootViewController::exploreFilterButtonGenre() const {
    return ui_->exploreFilterButtonGenre;
}
ExploreScoreDragView* RootViewController::exploreScoreDragView() const {
    return ui_->exploreScoreDragView;
}
ExploreESRBDragView* RootViewController::exploreESRBDragView() const {
    return ui_->exploreESRBDragView;
}
ExploreGenreDragView* RootViewController::exploreGenreDragView() const {
    return ui_->exploreGenreDragView;
}
