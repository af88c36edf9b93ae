#pragma once

#include <QList>
#include <QString>
#include <array>
#include <memory>
#include <optional>
#include <vector>

#include "IndexPath.h"
#include "SectionTotal.h"

class FetchedResultsController;
class Game;
class ManagedObjectContext;
class ManagedObjectModel;
class PullFetchedRequestPullFetchedRequestMaker;
class Sectioner;

// The game list's state and decisions, without widgets: the chosen tab, sort, user list,
// search and explore choices (held in the query builder), the choices remembered in the user
// defaults, the current result cut into sections, and where the list scrolls after a fetch.
// The list screen binds its controls to it and forwards presses; the usage metric of each
// choice is written here, beside the choice. The integer codes of the query builder and the
// stored strings are converted to and from the enums below only in this class.
//
// The context and model are not owned and must outlive it. Main thread only.
class GameListModel {
public:
    enum class Tab { All = 0, My = 1, Explore = 2 };
    enum class Sort { Score = 0, Date = 1 };
    enum class MyList { None = 0, Wished = 1, Played = 2, Rated = 3 };
    // The explore drag controls, in the order their choices apply.
    enum class Control { Score = 0, ESRB = 1, Genre = 2 };
    // A change made on the detail screen.
    enum class DetailChange { Wish, Played, Rating };
    // What a tab press asks of the screen besides the choices made here.
    enum class TabOutcome { Unchanged, Refetch, EnteredExplore, ToggleExplorePanel };
    // Where the list goes after a fetch: to the top, or to a row placed at the top or middle.
    struct Scroll {
        enum class Place { Start, RowAtTop, RowInMiddle };
        Place place = Place::Start;
        IndexPath row;
        bool operator==(const Scroll&) const = default;
    };

    static inline const QString kCacheName = QStringLiteral("Root");
    static inline const QString kDefaultSortType = QStringLiteral("DEFAULT_SORT_TYPE");
    static inline const QString kDefaultTab = QStringLiteral("DEFAULT_TAB");
    static inline const QString kDefaultMyFilter = QStringLiteral("DEFAULT_MY_FILTER");

    GameListModel(ManagedObjectContext* context, ManagedObjectModel* model);
    ~GameListModel();
    GameListModel(const GameListModel&) = delete;
    GameListModel& operator=(const GameListModel&) = delete;

    // ---- Choices
    Tab tab() const { return tab_; }
    Sort sort() const;
    MyList myList() const;
    // Set on entering Explore; cleared by every refetch. Closing the explore panel refetches
    // while it is set.
    bool exploreDataDirty() const { return exploreDataDirty_; }
    void setExploreDataDirty(bool dirty) { exploreDataDirty_ = dirty; }

    // A tab pressed (none: a press from anything else, which only clears the narrowing
    // filters). Pressing All or My while on it changes nothing.
    TabOutcome pressTab(std::optional<Tab> tab);
    void chooseMyList(MyList list);
    void chooseSort(Sort sort);
    // The search text; a non-empty one is counted as a search.
    void search(const QString& text);
    // The controls' values, in Control order, applied through the explore table; `released`
    // is the control let go, if it is one of the three.
    void exploreControlReleased(std::optional<Control> released, const std::array<int, 3>& values);
    // Whether the change can alter what the list shows, so that it must be refetched.
    bool changeAltersList(DetailChange change) const;

    // ---- Remembered choices (user defaults; each write is synchronized at once)
    void saveListDefaults() const;
    void saveMyTabFilterDefaults() const;
    void loadListDefaults();
    void loadMyTabFilterDefaults();
    void logDefaults() const;

    // ---- The result
    // Runs the query, logs a failure and goes on with what the result holds, and cuts the
    // result into sections.
    void executeFetch();
    FetchedResultsController* fetchedResultsController() const {
        return fetchedResultsController_.get();
    }
    int numberOfObjects() const;
    const QList<SectionTotal>& sections() const { return *sectionArray_; }
    // The game at a row; null for a row outside the current result.
    Game* getGameWithSectionedIndexPath(const IndexPath& indexPath) const;
    // The row's place in the flat result; -1 for a row outside it.
    int getObjectRowNumberFromIndexPath(const IndexPath& indexPath) const;
    // The row for p, clamped to the last existing row; row 0 of section 0 for none (or when
    // there are no rows at all).
    IndexPath getValidIndexPath(std::optional<IndexPath> indexPath) const;
    // Where the list scrolls after the last fetch, asked for `target` (a row to keep) or none.
    Scroll scrollAfterFetch(std::optional<IndexPath> target) const;

    // The query the choices above make; changed only through them, but for the release
    // window, which the list never sets and a press of a tab clears.
    PullFetchedRequestPullFetchedRequestMaker* requestMaker() const { return requestMaker_.get(); }

private:
    void clearNarrowingFilters();
    void setMyList(MyList list);

    ManagedObjectContext* context_;
    std::unique_ptr<PullFetchedRequestPullFetchedRequestMaker> requestMaker_;
    // The Sectioner appends to this list; only this class sees it shared.
    std::shared_ptr<QList<SectionTotal>> sectionArray_;
    std::unique_ptr<Sectioner> sectioner_;
    std::unique_ptr<FetchedResultsController> fetchedResultsController_;
    std::optional<IndexPath> sectionerTarget_;
    // Where each section starts in the flat result, with the total at the end.
    std::vector<int> sectionStarts_;
    Tab tab_ = Tab::All;
    bool exploreDataDirty_ = false;
};
