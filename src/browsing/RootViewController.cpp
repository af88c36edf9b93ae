#include "RootViewController.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>

#include "ActionSheet.h"
#include "AnimationFunctions.h"
#include "Animator.h"
#include "BundleImage.h"
#include "Button.h"
#include "DetailPage.h"
#include "ExploreESRBDragView.h"
#include "ExploreGenreDragView.h"
#include "ExploreScoreDragView.h"
#include "Game.h"
#include "GameRowCell.h"
#include "KeyboardAccess.h"
#include "Model.h"
#include "MyLog.h"
#include "NavigationController.h"
#include "NotificationCenter.h"
#include "QlMetricWriter.h"
#include "StringFunctions.h"
#include "TableHeaderRow.h"
#include "TableView.h"
#include "ViewAlpha.h"
#include "ui_RootViewController.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// The rows' grey (214 of 255).
const QColor kRowBackground = QColor::fromRgbF(0.839216f, 0.839216f, 0.839216f, 1.0f);

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
    // Qt's clear button in the search field is a picture alone; a reader needs its name.
    for (QToolButton* clear : ui_->searchField->findChildren<QToolButton*>()) {
        clear->setAccessibleName(u"Clear search"_s);
    }

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
    addShortcuts();
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

// Tabs, filters, sorts, search, the list, the gear, from the top; the arrow keys stay with the
// list. The tab shortcuts press the tabs as a click would.
void RootViewController::addShortcuts() {
    KeyboardAccess::chainTabOrder(
        {ui_->allTab, ui_->myTab, ui_->exploreTab, ui_->wishFilter, ui_->ratedFilter,
         ui_->playedFilter, ui_->exploreFilterButtonScore, ui_->exploreFilterButtonESRB,
         ui_->exploreFilterButtonGenre, ui_->dateFilter, ui_->scoreFilter, ui_->searchField,
         ui_->dateFilterExplore, ui_->scoreFilterExplore, ui_->tableView, ui_->iconGear});
    KeyboardAccess::addShortcut(this, QKeySequence::Find, [this] { focusSearchField(); });
    const std::array<std::pair<Qt::Key, Button*>, 3> tabs = {
        {{Qt::Key_1, ui_->allTab}, {Qt::Key_2, ui_->myTab}, {Qt::Key_3, ui_->exploreTab}}};
    for (const auto& [key, tab] : tabs) {
        KeyboardAccess::addShortcut(this, QKeySequence(Qt::ALT | key),
                                    [button = tab] { button->click(); });
    }
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
    model_ = std::make_unique<GameListModel>(managedObjectContext_, managedObjectModel_);
    setWindowTitle(kTitle);
    model_->loadListDefaults();
    if (model_->tab() == GameListModel::Tab::My) {
        model_->loadMyTabFilterDefaults();
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
    if (model_) {
        model_->setExploreDataDirty(false);
    }
    redrawAndExecuteAndScrollTo(std::nullopt);
}

void RootViewController::redrawAndExecuteAndScrollTo(std::optional<IndexPath> indexPath) {
    if (!model_) {
        return;  // the view has not loaded
    }
    redrawTabs();

    const bool byDate = model_->sort() == GameListModel::Sort::Date;
    ui_->dateFilter->setSelected(byDate);
    ui_->dateFilterExplore->setSelected(byDate);
    ui_->scoreFilter->setSelected(!byDate);
    ui_->scoreFilterExplore->setSelected(!byDate);

    const GameListModel::MyList myList = model_->myList();
    ui_->wishFilter->setSelected(myList == GameListModel::MyList::Wished);
    ui_->ratedFilter->setSelected(myList == GameListModel::MyList::Rated);
    ui_->playedFilter->setSelected(myList == GameListModel::MyList::Played);
    const GameListModel::Tab tab = model_->tab();
    for (Button* filter : {ui_->wishFilter, ui_->ratedFilter, ui_->playedFilter}) {
        filter->setHidden(tab != GameListModel::Tab::My);
    }

    const bool onExplore = tab == GameListModel::Tab::Explore;
    ui_->exploreExtraThumbOverlayView->setHidden(!onExplore);
    for (const auto& [button, control] : exploreChoices()) {
        button->setHidden(!onExplore);
        button->setSelected(control->currentValue() != 0);
    }
    setFilterButtonTitles();

    const bool onAll = tab == GameListModel::Tab::All;
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

void RootViewController::executeFetch(std::optional<IndexPath> indexPath) {
    if (!model_) {
        return;
    }
    model_->executeFetch();
    // Reloaded with a target too, so the scroll below is measured against the new sections;
    // the table would otherwise keep the old rows' layout until the screen reappears.
    reloadTable();

    const int count = model_->numberOfObjects();
    ui_->statusRight->setText(TableHeaderRow::countText(count));

    using Place = GameListModel::Scroll::Place;
    const GameListModel::Scroll scroll = model_->scrollAfterFetch(indexPath);
    if (scroll.place == Place::Start) {
        ui_->tableView->setContentOffset(QPoint(0, 0), false);
    } else {
        ui_->tableView->scrollToRowAtIndexPath(scroll.row,
                                               scroll.place == Place::RowAtTop
                                                   ? TableViewScrollPosition::Top
                                                   : TableViewScrollPosition::Middle,
                                               true);
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
    const GameListModel::Tab tab = model_ ? model_->tab() : GameListModel::Tab::All;
    ui_->allTab->setSelected(tab == GameListModel::Tab::All);
    ui_->myTab->setSelected(tab == GameListModel::Tab::My);
    ui_->exploreTab->setSelected(tab == GameListModel::Tab::Explore);
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

std::optional<IndexPath> RootViewController::getCurrentIndexPath() const {
    TableViewCell* cell = ui_->tableView->firstVisibleCell();
    return cell ? ui_->tableView->indexPathForCell(cell) : std::nullopt;
}

const QList<SectionTotal>& RootViewController::sections() const {
    static const QList<SectionTotal> kNone;
    return model_ ? model_->sections() : kNone;
}

int RootViewController::numberOfSectionsInTableView(TableView*) {
    return int(sections().size());
}

int RootViewController::numberOfRowsInSection(TableView*, int section) {
    return section >= 0 && section < sections().size() ? sections().at(section).count() : 0;
}

QString RootViewController::titleForHeaderInSection(TableView*, int section) {
    return section >= 0 && section < sections().size() ? sections().at(section).getLabel()
                                                       : QString();
}

QWidget* RootViewController::viewForHeaderInSection(TableView*, int section) {
    if (const QPointer<TableHeaderRow> kept = sectionHeaderViews_.value(section)) {
        return kept;
    }
    if (section < 0 || section >= sections().size()) {
        return nullptr;
    }
    auto* header = new TableHeaderRow();
    header->showSection(sections().at(section));
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
    cell->setGame(model_ ? model_->getGameWithSectionedIndexPath(indexPath) : nullptr);
    return cell;
}

void RootViewController::didSelectRowAtIndexPath(TableView* tableView, const IndexPath& indexPath) {
    if (Game* game = model_ ? model_->getGameWithSectionedIndexPath(indexPath) : nullptr) {
        showDetailsWithGame(game);
    }
    tableView->deselectRowAtIndexPath(indexPath, true);
    QlMetricWriter::writeMetric(u"Show details pressed"_s, u"Details"_s);
}

// ---- Controls

void RootViewController::viewTypeTabPressed(QObject* sender) {
    if (!model_) {
        return;
    }
    if (isExplorePanelOpen() && sender != ui_->exploreTab) {
        hideExplorePanel();
    }
    std::optional<GameListModel::Tab> tab;
    if (sender == ui_->allTab) {
        tab = GameListModel::Tab::All;
    } else if (sender == ui_->myTab) {
        tab = GameListModel::Tab::My;
    } else if (sender == ui_->exploreTab) {
        tab = GameListModel::Tab::Explore;
    }
    switch (model_->pressTab(tab)) {
        case GameListModel::TabOutcome::Unchanged:
            break;
        case GameListModel::TabOutcome::Refetch:
            redrawAndExecute();
            break;
        case GameListModel::TabOutcome::EnteredExplore:
            resetExploreFilters();
            showExplorePanel();
            redrawTabs();
            break;
        case GameListModel::TabOutcome::ToggleExplorePanel:
            exploreShowHideButtonPressed();
            break;
    }
}

void RootViewController::filterButtonPressed(QObject* sender) {
    if (!model_) {
        return;
    }
    if (sender == ui_->wishFilter) {
        model_->chooseMyList(GameListModel::MyList::Wished);
    } else if (sender == ui_->ratedFilter) {
        model_->chooseMyList(GameListModel::MyList::Rated);
    } else if (sender == ui_->playedFilter) {
        model_->chooseMyList(GameListModel::MyList::Played);
    }
    redrawAndExecute();
}

void RootViewController::sortByScore(QObject*) {
    if (model_) {
        model_->chooseSort(GameListModel::Sort::Score);
        redrawAndExecute();
    }
}

void RootViewController::sortByDate(QObject*) {
    if (model_) {
        model_->chooseSort(GameListModel::Sort::Date);
        redrawAndExecute();
    }
}

bool RootViewController::textFieldShouldReturn(QLineEdit* textField) {
    if (!model_ || !textField) {
        return true;
    }
    // The keyboard goes away: the list takes the keys again.
    textField->clearFocus();
    ui_->tableView->setFocus();
    const QString text = textField->text();
    model_->search(text);
    redrawAndExecute();
    if (!text.isEmpty()) {
        hideExplorePanel();
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
    if (model_ && model_->exploreDataDirty()) {
        redrawAndExecute();
    }
}

void RootViewController::focusSearchField() {
    if (!model_) {
        return;
    }
    if (model_->tab() != GameListModel::Tab::Explore) {
        ui_->exploreTab->click();
    } else if (!isExplorePanelOpen()) {
        showExplorePanel();
    }
    ui_->searchField->setFocus(Qt::ShortcutFocusReason);
    ui_->searchField->selectAll();
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
    if (!model_) {
        return;
    }
    std::optional<GameListModel::Control> released;
    std::array<int, 3> values{};
    const auto choices = exploreChoices();
    for (size_t i = 0; i < choices.size(); ++i) {
        if (view == choices[i].second) {
            released = GameListModel::Control(i);
        }
        values[i] = choices[i].second->currentValue();
    }
    model_->exploreControlReleased(released, values);
    redrawAndExecute();
}

// ---- Notifications and other screens

void RootViewController::gameUpdateComplete() {
    redrawAndExecute();
}

void RootViewController::detailChanged(GameListModel::DetailChange change) {
    if (model_ && model_->changeAltersList(change)) {
        redrawAndExecuteAndScrollTo(getCurrentIndexPath());
    }
}

void RootViewController::gameWishChanged() {
    detailChanged(GameListModel::DetailChange::Wish);
}

void RootViewController::gamePlayedChanged() {
    detailChanged(GameListModel::DetailChange::Played);
}

void RootViewController::gameRatingChanged() {
    detailChanged(GameListModel::DetailChange::Rating);
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
    auto* page = new DetailPage();
    page->setGame(game);
    page->viewDidLoad();
    navigation->pushViewController(page, true);
}

void RootViewController::showOptionsActionSheet() {
    NavigationController* navigation = NavigationController::navigationControllerOf(this);
    QWidget* view = navigation && navigation->topViewController() ? navigation->topViewController()
                                                                  : static_cast<QWidget*>(this);
    auto* sheet = new ActionSheet(u"Got ideas for us, let us know!"_s, u"Cancel"_s,
                                  u"Send feedback"_s, {kExportTitle, kImportTitle}, view->window());
    connect(sheet, &ActionSheet::clickedButtonAtIndex, this,
            [this](int, const QString& title) { actionSheetClickedButton(title); });
    sheet->showInView(view);
}

void RootViewController::actionSheetClickedButton(const QString& buttonTitle) {
    if (StringFunctions::contains(u"FEEDBACK"_s, buttonTitle.toUpper())) {
        NotificationCenter::defaultCenter()->postNotificationName(u"NOTIF_SEND_FEEDBACK_EMAIL"_s);
    } else if (buttonTitle == kExportTitle) {
        NotificationCenter::defaultCenter()->postNotificationName(u"NOTIF_EXPORT_MY_LISTS"_s);
    } else if (buttonTitle == kImportTitle) {
        NotificationCenter::defaultCenter()->postNotificationName(u"NOTIF_IMPORT_MY_LISTS"_s);
    }
}
