#include "GameListModel.h"

#include <gtest/gtest.h>

#include <QDir>
#include <functional>

#include "BrowsingTestSupport.h"
#include "CapturedConsole.h"
#include "FetchedResultsController.h"
#include "MetricRecorder.h"
#include "PullFetchedRequestPullFetchedRequestMaker.h"
#include "QStringPrinter.h"
#include "ScopedClock.h"
#include "TestStore.h"
#include "UserDefaults.h"

using namespace Qt::Literals::StringLiterals;
using List = GameListModel;
using Tab = GameListModel::Tab;
using Sort = GameListModel::Sort;
using MyList = GameListModel::MyList;
using Outcome = GameListModel::TabOutcome;
using Place = GameListModel::Scroll::Place;

static void PrintTo(const IndexPath& path, std::ostream* out) {
    *out << path.description().toStdString();
}

namespace {

const QDate kToday(2009, 6, 17);

class GameListModelTest : public testing::Test {
protected:
    GameListModelTest() { UserDefaults::resetStandardUserDefaults(); }
    ~GameListModelTest() override { UserDefaults::resetStandardUserDefaults(); }

    Game* add(const QString& title, int releaseInDays, std::optional<float> critic,
              const QString& genre = {}) {
        Game* game =
            store.add(title, QDateTime(kToday.addDays(releaseInDays), QTime(12, 0)), critic);
        game->setScoreCritic(critic);
        game->setGenreCode(genre);
        return game;
    }
    // Newest first: Beta, Pokémon Ranch, Alpha, Epsilon, Gamma.
    void addCatalogue() {
        add(u"Alpha"_s, -3, 4.5f, u"ACTION"_s)->setMyIsWished(1);
        add(u"Beta"_s, 20, 2.0f, u"PUZZLE"_s)->setMyIsPlayed(1);
        Game* gamma = add(u"Gamma"_s, -400, 3.5f, u"ACTION"_s);
        gamma->setMyScore(4.0f);
        gamma->setScoreDisplay(4.0f);
        gamma->setEsrbCode(u"TEEN"_s);
        add(u"Pok\u00E9mon Ranch"_s, 3, std::nullopt, u"FAMILY"_s)->setMyIsWished(1);
        add(u"Epsilon"_s, -5, 2.0f);
    }
    QString titles() const { return titlesOf(model.fetchedResultsController()); }
    QString sections() const {
        QStringList result;
        for (const SectionTotal& section : model.sections()) {
            result.append(u"%1:%2"_s.arg(section.getLabel()).arg(section.count()));
        }
        return result.join(u", "_s);
    }
    static QString stored(const QString& key) {
        return UserDefaults::standardUserDefaults()->stringForKey(key);
    }

    ScopedClock clock{QDateTime(kToday, QTime(12, 0))};
    MetricRecorder metrics;
    TestStore store;
    List model{store.context.get(), store.model.get()};
    PullFetchedRequestPullFetchedRequestMaker* maker = model.requestMaker();
};

}  // namespace

TEST_F(GameListModelTest, StoredChoicesAreReadBackExactly) {
    struct Case {
        QString sort, tab, myFilter;
        Sort expectedSort;
        Tab expectedTab;
        MyList expectedList;
    };
    // clang-format off
    const Case cases[] = {
        {{}, {}, {}, Sort::Date, Tab::All, MyList::Wished},
        {u"SCORE"_s, u"MY"_s, u"PLAYED"_s, Sort::Score, Tab::My, MyList::Played},
        {u"DATE"_s, u"ALL"_s, u"RATED"_s, Sort::Date, Tab::All, MyList::Rated},
        {u"score"_s, u"EXPLORE"_s, u"played"_s, Sort::Date, Tab::All, MyList::Wished},
    };
    // clang-format on
    for (const Case& c : cases) {
        UserDefaults* defaults = UserDefaults::standardUserDefaults();
        defaults->setObject(c.sort, List::kDefaultSortType);
        defaults->setObject(c.tab, List::kDefaultTab);
        defaults->setObject(c.myFilter, List::kDefaultMyFilter);
        model.loadListDefaults();
        model.loadMyTabFilterDefaults();
        EXPECT_EQ(model.sort(), c.expectedSort) << c.sort.toStdString();
        EXPECT_EQ(model.tab(), c.expectedTab) << c.tab.toStdString();
        EXPECT_EQ(model.myList(), c.expectedList) << c.myFilter.toStdString();
    }
}

TEST_F(GameListModelTest, ChoicesAreStoredAtOnceAndExploreIsStoredAsAll) {
    model.chooseSort(Sort::Score);
    EXPECT_EQ(maker->sortDirection(), 1);
    model.pressTab(Tab::My);
    model.chooseMyList(MyList::Rated);
    UserDefaults::resetStandardUserDefaults();  // a new start reads the file again
    EXPECT_EQ(stored(List::kDefaultSortType), u"SCORE"_s);
    EXPECT_EQ(stored(List::kDefaultTab), u"MY"_s);
    EXPECT_EQ(stored(List::kDefaultMyFilter), u"RATED"_s);
    model.chooseMyList(MyList::Played);
    EXPECT_EQ(stored(List::kDefaultMyFilter), u"PLAYED"_s);
    model.chooseMyList(MyList::Wished);
    EXPECT_EQ(stored(List::kDefaultMyFilter), u"WISH"_s);
    model.pressTab(Tab::Explore);  // not stored until the next sort
    EXPECT_EQ(stored(List::kDefaultTab), u"MY"_s);
    model.chooseSort(Sort::Date);
    EXPECT_EQ(stored(List::kDefaultTab), u"ALL"_s);
    EXPECT_EQ(stored(List::kDefaultSortType), u"DATE"_s);
    EXPECT_EQ(metricsTaken(metrics),
              u"Score pressed@Sort button; My pressed@List Tab; Rated pressed@Filter button; "
              u"Played pressed@Filter button; Wish pressed@Filter button; "
              u"Explore pressed@List Tab; Date pressed@Sort button"_s);
    CapturedConsole captured;
    model.logDefaults();
    EXPECT_TRUE(captured.text().contains(u"tab\t\t\t\t\t= [ALL]"_s));
}

TEST_F(GameListModelTest, TabPressesClearTheNarrowingFiltersUnlessTheTabIsShown) {
    struct Step {
        std::optional<Tab> press;
        Outcome outcome;
        Tab tab;
        MyList list;
        QString metrics;
    };
    // clang-format off
    const Step steps[] = {
        {Tab::All, Outcome::Unchanged, Tab::All, MyList::None, {}},
        {Tab::My, Outcome::Refetch, Tab::My, MyList::Wished, u"My pressed@List Tab"_s},
        {Tab::My, Outcome::Unchanged, Tab::My, MyList::Wished, {}},
        {Tab::Explore, Outcome::EnteredExplore, Tab::Explore, MyList::None,
         u"Explore pressed@List Tab"_s},
        {Tab::Explore, Outcome::ToggleExplorePanel, Tab::Explore, MyList::None, {}},
        {std::nullopt, Outcome::Refetch, Tab::Explore, MyList::None, {}},
        {Tab::All, Outcome::Refetch, Tab::All, MyList::None, u"All pressed@List Tab"_s},
    };
    // clang-format on
    for (const Step& step : steps) {
        SCOPED_TRACE(int(step.press.value_or(Tab(-1))));
        model.search(u"kept?"_s);
        model.exploreControlReleased(std::nullopt, {3, 9, 13});
        maker->setReleasedFilter(2);
        metrics.take();
        EXPECT_EQ(model.pressTab(step.press), step.outcome);
        EXPECT_EQ(model.tab(), step.tab);
        EXPECT_EQ(model.myList(), step.list);
        const bool cleared = step.outcome != Outcome::Unchanged;
        EXPECT_EQ(maker->searchFilter().isNull(), cleared);
        for (int filter : {maker->scoreFilter(), maker->esrbFilter(), maker->genreFilter(),
                           maker->releasedFilter()}) {
            EXPECT_EQ(filter == 0, cleared);
        }
        EXPECT_EQ(metricsTaken(metrics), step.metrics);
    }
    EXPECT_TRUE(model.exploreDataDirty());  // set on entering Explore, cleared by a refetch
}

TEST_F(GameListModelTest, EachExploreChoiceMapsToItsFilterAndMetric) {
    struct Case {
        std::array<int, 3> values;
        int score, esrb, genre;
        QString metrics;
    };
    // clang-format off
    const Case cases[] = {
        {{1, 6, 23}, 5, 6, 9, u"Score 1@Explore drag Score; ESRB young@Explore drag ESRB; "
                              u"Genre strategy@Explore drag Genre"_s},
        {{5, 12, 18}, 1, 2, 11, u"Score 5@Explore drag Score; ESRB pending@Explore drag ESRB; "
                                u"Genre flying@Explore drag Genre"_s},
        {{2, 11, 16}, 4, 8, 10, u"Score 2@Explore drag Score; ESRB adults@Explore drag ESRB; "
                                u"Genre family@Explore drag Genre"_s},
        {{4, 10, 14}, 2, 4, 4, u"Score 4@Explore drag Score; ESRB mature@Explore drag ESRB; "
                               u"Genre adventure@Explore drag Genre"_s},
        {{3, 7, 15}, 3, 1, 7, u"Score 3@Explore drag Score; ESRB everyone@Explore drag ESRB; "
                              u"Genre driving@Explore drag Genre"_s},
        {{0, 8, 0}, 0, 5, 0, u"ESRB 10 plus@Explore drag ESRB"_s},
        // Matched whatever control carries the value; unknown values apply nothing.
        {{13, 99, -1}, 0, 0, 1, u"Genre action@Explore drag Genre"_s},
    };
    // clang-format on
    for (const Case& c : cases) {
        model.exploreControlReleased(List::Control::ESRB, c.values);
        EXPECT_EQ((std::array{maker->scoreFilter(), maker->esrbFilter(), maker->genreFilter()}),
                  (std::array{c.score, c.esrb, c.genre}));
        EXPECT_EQ(metricsTaken(metrics), u"ESRB@Explore drag type; "_s + c.metrics);
    }
    model.exploreControlReleased(List::Control::Genre, {0, 0, 0});
    model.exploreControlReleased(std::nullopt, {0, 0, 0});
    model.exploreControlReleased(List::Control::Score, {0, 0, 0});
    EXPECT_EQ(metricsTaken(metrics), u"Genre@Explore drag type; Score@Explore drag type"_s);
}

TEST_F(GameListModelTest, ChoicesListTheirGamesInOrderAndInSections) {
    addCatalogue();
    struct Case {
        std::function<void()> choose;
        QString titles, sections;
    };
    const Case cases[] = {
        {[] {}, u"Beta, Pokémon Ranch, Alpha, Epsilon, Gamma"_s,
         u"Next 30 days:1, Next week:1, Last week:2, Last 1-2 years:1"_s},
        {[&] { model.chooseSort(Sort::Score); }, u"Alpha, Gamma, Beta, Epsilon, Pokémon Ranch"_s,
         u"4½ - 5 stars:1, 4 - 4½ stars:1, 2 - 2½ stars:2, Not rated:1"_s},
        {[&] { model.pressTab(Tab::My); }, u"Pokémon Ranch, Alpha"_s, {}},
        {[&] { model.pressTab(Tab::My), model.chooseMyList(MyList::Played); }, u"Beta"_s, {}},
        {[&] { model.pressTab(Tab::My), model.chooseMyList(MyList::Rated); }, u"Gamma"_s, {}},
        // A search ignores accents and case.
        {[&] { model.pressTab(Tab::Explore), model.search(u"POKEMON"_s); }, u"Pokémon Ranch"_s, {}},
        {[&] {
             model.exploreControlReleased(List::Control::Genre, {3, 0, 13});
         },
         u"Alpha, Gamma"_s,
         {}},
        {[&] {
             model.exploreControlReleased(List::Control::ESRB, {0, 9, 0});
         },
         u"Gamma"_s,
         {}},
    };
    for (const Case& c : cases) {
        model.pressTab(Tab::All);
        model.chooseSort(Sort::Date);
        c.choose();
        model.executeFetch();
        EXPECT_EQ(titles(), c.titles);
        EXPECT_EQ(model.numberOfObjects(), c.titles.count(u',') + 1);
        if (!c.sections.isEmpty()) {
            EXPECT_EQ(sections(), c.sections);
        }
    }
}

TEST_F(GameListModelTest, RowsMapToTheFlatResultAndAreClampedToTheLastRow) {
    addCatalogue();
    model.executeFetch();  // sections of 1, 1, 2 and 1 games
    struct Case {
        IndexPath row;
        int flat;
        IndexPath valid;
    };
    // clang-format off
    const Case cases[] = {
        {{0, 0}, 0, {0, 0}}, {{2, 1}, 3, {2, 1}}, {{3, 0}, 4, {3, 0}}, {{2, 2}, -1, {2, 1}},
        {{1, 1}, -1, {1, 0}}, {{9, 4}, -1, {3, 0}}, {{-1, 0}, -1, {-1, 0}}, {{0, -1}, -1, {0, -1}},
    };
    // clang-format on
    const QStringList listed = titles().split(u", "_s);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row.description().toStdString());
        EXPECT_EQ(model.getObjectRowNumberFromIndexPath(c.row), c.flat);
        const Game* game = model.getGameWithSectionedIndexPath(c.row);
        EXPECT_EQ(game ? game->title() : QString(), c.flat < 0 ? QString() : listed.at(c.flat));
        EXPECT_EQ(model.getValidIndexPath(c.row), c.valid);
    }
    EXPECT_EQ(model.getValidIndexPath(std::nullopt), IndexPath(0, 0));
}

TEST_F(GameListModelTest, AfterAFetchTheListScrollsToTheKeptRowOrTheNextRelease) {
    EXPECT_EQ(model.scrollAfterFetch(IndexPath(1, 1)), List::Scroll{});  // no result yet
    model.executeFetch();
    EXPECT_EQ(model.getValidIndexPath(IndexPath(3, 3)), IndexPath(0, 0));
    EXPECT_EQ(model.scrollAfterFetch(IndexPath(2, 5)), List::Scroll{});  // nothing listed

    addCatalogue();
    model.executeFetch();
    // Date order: the nearest upcoming release (Pokémon Ranch) in the middle, or the kept row.
    EXPECT_EQ(model.scrollAfterFetch(std::nullopt), (List::Scroll{Place::RowInMiddle, {1, 0}}));
    EXPECT_EQ(model.scrollAfterFetch(IndexPath(2, 9)), (List::Scroll{Place::RowAtTop, {2, 1}}));
    model.chooseSort(Sort::Score);
    model.executeFetch();
    EXPECT_EQ(model.scrollAfterFetch(std::nullopt), List::Scroll{});
    EXPECT_EQ(model.scrollAfterFetch(IndexPath(2, 1)), (List::Scroll{Place::RowAtTop, {2, 1}}));
    // Without an upcoming release, date order starts at the top too.
    model.chooseSort(Sort::Date);
    model.exploreControlReleased(std::nullopt, {0, 9, 0});
    model.executeFetch();
    EXPECT_EQ(model.scrollAfterFetch(std::nullopt), List::Scroll{});
}

TEST_F(GameListModelTest, DetailChangesAlterTheListOnlyWhereItDependsOnThem) {
    const auto alters = [&] {
        QString result;
        for (auto change :
             {List::DetailChange::Wish, List::DetailChange::Played, List::DetailChange::Rating}) {
            result += model.changeAltersList(change) ? u'y' : u'n';
        }
        return result;
    };
    EXPECT_EQ(alters(), u"nnn"_s);
    model.pressTab(Tab::My);
    EXPECT_EQ(alters(), u"ynn"_s);
    model.chooseMyList(MyList::Played);
    EXPECT_EQ(alters(), u"nyn"_s);
    model.chooseMyList(MyList::Rated);
    model.chooseSort(Sort::Score);
    EXPECT_EQ(alters(), u"nny"_s);
}

TEST_F(GameListModelTest, AFailedFetchIsLoggedAndListsNothing) {
    // A folder where the store file should be: the store cannot open.
    ASSERT_TRUE(QDir().mkpath(TestStore::homeFile(u"Broken.sqlite"_s)));
    TestStore broken(TestStore::homeFile(u"Broken.sqlite"_s));
    List failing(broken.context.get(), broken.model.get());
    CapturedConsole captured;
    failing.executeFetch();
    EXPECT_TRUE(captured.text().contains(u"rootviewcontroller: executeFetch:Unresolved error"_s));
    EXPECT_EQ(failing.numberOfObjects(), 0);
    EXPECT_TRUE(failing.sections().isEmpty());
}
