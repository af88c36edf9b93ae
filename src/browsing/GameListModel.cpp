#include "GameListModel.h"

#include "FetchedResultsController.h"
#include "MyLog.h"
#include "PullFetchedRequestPullFetchedRequestMaker.h"
#include "QlMetricWriter.h"
#include "Sectioner.h"
#include "StoreError.h"
#include "UserDefaults.h"

using namespace Qt::Literals::StringLiterals;

namespace {

using Control = GameListModel::Control;

// The three controls number their values in one shared range (score 1 to 5, age rating 6 to
// 12, genre 13 to 23, 0 for any), so one table maps any control's value to a query filter
// and the metric it writes.
struct ExploreChoice {
    int value;
    Control filter;
    int filterValue;
    const char16_t* metric;
};
constexpr ExploreChoice kExploreChoices[] = {
    {1, Control::Score, 5, u"Score 1"},           {2, Control::Score, 4, u"Score 2"},
    {3, Control::Score, 3, u"Score 3"},           {4, Control::Score, 2, u"Score 4"},
    {5, Control::Score, 1, u"Score 5"},           {6, Control::ESRB, 6, u"ESRB young"},
    {7, Control::ESRB, 1, u"ESRB everyone"},      {8, Control::ESRB, 5, u"ESRB 10 plus"},
    {9, Control::ESRB, 3, u"ESRB teen"},          {10, Control::ESRB, 4, u"ESRB mature"},
    {11, Control::ESRB, 8, u"ESRB adults"},       {12, Control::ESRB, 2, u"ESRB pending"},
    {13, Control::Genre, 1, u"Genre action"},     {14, Control::Genre, 4, u"Genre adventure"},
    {15, Control::Genre, 7, u"Genre driving"},    {16, Control::Genre, 10, u"Genre family"},
    {17, Control::Genre, 2, u"Genre fighting"},   {18, Control::Genre, 11, u"Genre flying"},
    {19, Control::Genre, 3, u"Genre puzzle"},     {20, Control::Genre, 5, u"Genre rpg"},
    {21, Control::Genre, 8, u"Genre simulation"}, {22, Control::Genre, 6, u"Genre sports"},
    {23, Control::Genre, 9, u"Genre strategy"},
};
// By Control.
const QString kControlNames[] = {u"Score"_s, u"ESRB"_s, u"Genre"_s};

}  // namespace

GameListModel::GameListModel(ManagedObjectContext* context, ManagedObjectModel* model)
    : context_(context),
      requestMaker_(PullFetchedRequestPullFetchedRequestMaker::makerWithContext(context, model)),
      sectionArray_(std::make_shared<QList<SectionTotal>>()),
      sectioner_(Sectioner::sectionerWithSectionArray(sectionArray_, requestMaker_.get())) {}

GameListModel::~GameListModel() = default;

GameListModel::Sort GameListModel::sort() const {
    return requestMaker_->sortType() == int(Sort::Score) ? Sort::Score : Sort::Date;
}

GameListModel::MyList GameListModel::myList() const {
    return MyList(requestMaker_->myFilter());
}

void GameListModel::setMyList(MyList list) {
    requestMaker_->setMyFilter(int(list));
}

// ---- Choices

void GameListModel::clearNarrowingFilters() {
    requestMaker_->setGenreFilter(0);
    requestMaker_->setEsrbFilter(0);
    requestMaker_->setReleasedFilter(0);
    requestMaker_->setScoreFilter(0);
    requestMaker_->setSearchFilter(QString());
}

GameListModel::TabOutcome GameListModel::pressTab(std::optional<Tab> tab) {
    if (tab && *tab == tab_ && *tab != Tab::Explore) {
        return TabOutcome::Unchanged;
    }
    clearNarrowingFilters();
    if (!tab) {
        return TabOutcome::Refetch;
    }
    switch (*tab) {
        case Tab::All:
            tab_ = Tab::All;
            setMyList(MyList::None);
            QlMetricWriter::writeMetric(u"All pressed"_s, u"List Tab"_s);
            saveListDefaults();
            return TabOutcome::Refetch;
        case Tab::My:
            tab_ = Tab::My;
            loadMyTabFilterDefaults();
            QlMetricWriter::writeMetric(u"My pressed"_s, u"List Tab"_s);
            saveListDefaults();
            return TabOutcome::Refetch;
        case Tab::Explore:
            setMyList(MyList::None);
            if (tab_ == Tab::Explore) {
                return TabOutcome::ToggleExplorePanel;
            }
            // No refetch yet: it follows when a control is released, a search is made or the
            // panel closes.
            tab_ = Tab::Explore;
            exploreDataDirty_ = true;
            QlMetricWriter::writeMetric(u"Explore pressed"_s, u"List Tab"_s);
            return TabOutcome::EnteredExplore;
    }
    return TabOutcome::Unchanged;
}

void GameListModel::chooseMyList(MyList list) {
    switch (list) {
        case MyList::Wished:
            QlMetricWriter::writeMetric(u"Wish pressed"_s, u"Filter button"_s);
            break;
        case MyList::Rated:
            QlMetricWriter::writeMetric(u"Rated pressed"_s, u"Filter button"_s);
            break;
        case MyList::Played:
            QlMetricWriter::writeMetric(u"Played pressed"_s, u"Filter button"_s);
            break;
        case MyList::None:
            return;
    }
    setMyList(list);
    saveMyTabFilterDefaults();
}

void GameListModel::chooseSort(Sort sort) {
    QlMetricWriter::writeMetric(sort == Sort::Score ? u"Score pressed"_s : u"Date pressed"_s,
                                u"Sort button"_s);
    requestMaker_->setSortType(int(sort));
    requestMaker_->setSortDirection(1);  // newest or best first
    saveListDefaults();
}

void GameListModel::search(const QString& text) {
    requestMaker_->setSearchFilter(text);
    if (!text.isEmpty()) {
        QlMetricWriter::writeMetric(u"Search changed"_s, u"Search"_s);
    }
}

void GameListModel::exploreControlReleased(std::optional<Control> released,
                                           const std::array<int, 3>& values) {
    if (released) {
        QlMetricWriter::writeMetric(kControlNames[int(*released)], u"Explore drag type"_s);
    }
    requestMaker_->setScoreFilter(0);
    requestMaker_->setEsrbFilter(0);
    requestMaker_->setGenreFilter(0);
    // Every control's choice applies, whichever was released.
    for (const int value : values) {
        for (const ExploreChoice& choice : kExploreChoices) {
            if (choice.value != value) {
                continue;
            }
            switch (choice.filter) {
                case Control::Score:
                    requestMaker_->setScoreFilter(choice.filterValue);
                    break;
                case Control::ESRB:
                    requestMaker_->setEsrbFilter(choice.filterValue);
                    break;
                case Control::Genre:
                    requestMaker_->setGenreFilter(choice.filterValue);
                    break;
            }
            QlMetricWriter::writeMetric(QString::fromUtf16(choice.metric),
                                        u"Explore drag "_s + kControlNames[int(choice.filter)]);
        }
    }
}

bool GameListModel::changeAltersList(DetailChange change) const {
    switch (change) {
        case DetailChange::Wish:
            return myList() == MyList::Wished;
        case DetailChange::Played:
            return myList() == MyList::Played;
        case DetailChange::Rating:
            return sort() == Sort::Score;
    }
    return false;
}

// ---- Remembered choices

void GameListModel::saveListDefaults() const {
    UserDefaults* defaults = UserDefaults::standardUserDefaults();
    defaults->setObject(sort() == Sort::Score ? u"SCORE"_s : u"DATE"_s, kDefaultSortType);
    defaults->synchronize();
    // Explore is never restored: it is stored as All.
    defaults->setObject(tab_ == Tab::My ? u"MY"_s : u"ALL"_s, kDefaultTab);
    defaults->synchronize();
}

void GameListModel::saveMyTabFilterDefaults() const {
    const MyList list = myList();
    UserDefaults* defaults = UserDefaults::standardUserDefaults();
    defaults->setObject(list == MyList::Played  ? u"PLAYED"_s
                        : list == MyList::Rated ? u"RATED"_s
                                                : u"WISH"_s,
                        kDefaultMyFilter);
    defaults->synchronize();
}

void GameListModel::loadListDefaults() {
    const UserDefaults* defaults = UserDefaults::standardUserDefaults();
    requestMaker_->setSortType(
        int(defaults->stringForKey(kDefaultSortType) == u"SCORE"_s ? Sort::Score : Sort::Date));
    tab_ = defaults->stringForKey(kDefaultTab) == u"MY"_s ? Tab::My : Tab::All;
}

void GameListModel::loadMyTabFilterDefaults() {
    const QString stored = UserDefaults::standardUserDefaults()->stringForKey(kDefaultMyFilter);
    setMyList(stored == u"PLAYED"_s  ? MyList::Played
              : stored == u"RATED"_s ? MyList::Rated
                                     : MyList::Wished);
}

void GameListModel::logDefaults() const {
    const UserDefaults* defaults = UserDefaults::standardUserDefaults();
    MYLOG(u"+ ------------ +"_s);
    MYLOG(u"tab\t\t\t\t\t= [%@]"_s, defaults->stringForKey(kDefaultTab));
    MYLOG(u"myFilter\t\t\t= [%@]"_s, defaults->stringForKey(kDefaultMyFilter));
    MYLOG(u"sort\t\t\t\t= [%@]"_s, defaults->stringForKey(kDefaultSortType));
}

// ---- The result

void GameListModel::executeFetch() {
    // The old result goes before the new one is built.
    fetchedResultsController_.reset();
    fetchedResultsController_ = std::make_unique<FetchedResultsController>(
        requestMaker_->getFetchRequest(), context_, QString(), kCacheName);
    StoreError error;
    if (!fetchedResultsController_->performFetch(&error)) {
        MYLOG(u"rootviewcontroller: executeFetch:Unresolved error %@, %@"_s, error, error.userInfo);
    }

    sectionArray_->clear();
    sectionerTarget_ = sectioner_->setSectionArrayWitResults(*fetchedResultsController_);
    sectionStarts_.assign(1, 0);
    sectionStarts_.reserve(size_t(sectionArray_->size()) + 1);
    for (const SectionTotal& section : std::as_const(*sectionArray_)) {
        sectionStarts_.push_back(sectionStarts_.back() + section.count());
    }
}

int GameListModel::numberOfObjects() const {
    return fetchedResultsController_ ? fetchedResultsController_->numberOfObjects() : 0;
}

int GameListModel::getObjectRowNumberFromIndexPath(const IndexPath& indexPath) const {
    const int section = indexPath.section();
    if (section < 0 || size_t(section) + 1 >= sectionStarts_.size() || indexPath.row() < 0) {
        return -1;
    }
    const int position = sectionStarts_[size_t(section)] + indexPath.row();
    return position < sectionStarts_[size_t(section) + 1] ? position : -1;
}

Game* GameListModel::getGameWithSectionedIndexPath(const IndexPath& indexPath) const {
    const int position = getObjectRowNumberFromIndexPath(indexPath);
    return position < 0 || !fetchedResultsController_
               ? nullptr
               : fetchedResultsController_->objectAtIndex(position);
}

IndexPath GameListModel::getValidIndexPath(std::optional<IndexPath> indexPath) const {
    const QList<SectionTotal>& sections = *sectionArray_;
    if (!indexPath || sections.isEmpty()) {
        return IndexPath::indexPathForRow(0, 0);
    }
    const int lastSection = int(sections.size()) - 1;
    if (indexPath->section() > lastSection) {
        return IndexPath::indexPathForRow(std::max(0, sections.at(lastSection).count() - 1),
                                          lastSection);
    }
    const int section = std::max(0, indexPath->section());
    const int lastRow = std::max(0, sections.at(section).count() - 1);
    if (indexPath->row() > lastRow) {
        return IndexPath::indexPathForRow(lastRow, section);
    }
    return *indexPath;
}

GameListModel::Scroll GameListModel::scrollAfterFetch(std::optional<IndexPath> target) const {
    using Place = Scroll::Place;
    if (numberOfObjects() == 0) {
        return {};  // nothing to scroll to
    }
    // In date order a plain refetch brings the nearest upcoming release to the middle.
    if (!sectionArray_->isEmpty() && sort() == Sort::Date && !target && sectionerTarget_) {
        return {Place::RowInMiddle, *sectionerTarget_};
    }
    if (target) {
        return {Place::RowAtTop, getValidIndexPath(target)};
    }
    return {};
}
