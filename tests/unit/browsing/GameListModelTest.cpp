#include "GameListModel.h"

#include <gtest/gtest.h>

#include <QDir>
#include <functional>

#include "CapturedConsole.h"
#include "FetchedResultsController.h"
#include "MetricRecorder.h"
#include "PullFetchedRequestPullFetchedRequestMaker.h"
#include "QStringPrinter.h"
#include "ScopedClock.h"
#include "TestStore.h"
#include "UserDefaults.h"

using namespace Qt::Literals::StringLiterals;
using Metric = MetricRecorder::Metric;
using List = GameListModel;

static void PrintTo(const IndexPath& path, std::ostream* out) {
    *out << path.description().toStdString();
}

namespace {

const QDate kToday(2009, 6, 17);

class GameListModelTest : public testing::Test {
protected:
    GameListModelTest() { UserDefaults::resetStandardUserDefaults(); }
    ~GameListModelTest() override { UserDefaults::resetStandardUserDefaults(); }

    Game* add(const QString& title, std::optional<int> releaseInDays, std::optional<float> critic,
              const QString& genre = {}) {
        Game* game = store.add(
            title, releaseInDays ? QDateTime(kToday.addDays(*releaseInDays), {12, 0}) : QDateTime(),
            critic);
        game->setScoreCritic(critic);
        game->setGenreCode(genre);
        return game;
    }
    // A small catalogue: newest first it lists Beta, Pokémon Ranch, Alpha, Epsilon, Gamma.
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
    QStringList titles() const {
        QStringList result;
        for (const Game* game : model.fetchedResultsController()->fetchedObjects()) {
            result.append(game->title());
        }
        return result;
    }
    QStringList sections() const {
        QStringList result;
        for (const SectionTotal& section : model.sections()) {
            result.append(u"%1:%2"_s.arg(section.getLabel()).arg(section.count()));
        }
        return result;
    }
    static QString stored(const QString& key) {
        return UserDefaults::standardUserDefaults()->stringForKey(key);
    }
    static void remember(const QString& key, const QString& value) {
        UserDefaults::standardUserDefaults()->setObject(value, key);
    }

    ScopedClock clock{QDateTime(kToday, QTime(12, 0))};
    MetricRecorder metrics;
    TestStore store;
    List model{store.context.get(), store.model.get()};
};

}  // namespace

TEST_F(GameListModelTest, StoredChoicesAreReadBack) {
    struct Case {
        QString sort, tab, myFilter;
        List::Sort expectedSort;
        List::Tab expectedTab;
        List::MyList expectedList;
    };
    const Case cases[] = {
        {{}, {}, {}, List::Sort::Date, List::Tab::All, List::MyList::Wished},
        {u"SCORE"_s, u"MY"_s, u"PLAYED"_s, List::Sort::Score, List::Tab::My, List::MyList::Played},
        {u"DATE"_s, u"ALL"_s, u"RATED"_s, List::Sort::Date, List::Tab::All, List::MyList::Rated},
        // Stored words are matched exactly; Explore is never restored.
        {u"score"_s, u"EXPLORE"_s, u"played"_s, List::Sort::Date, List::Tab::All,
         List::MyList::Wished},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sort.toStdString() + " " + c.tab.toStdString());
        remember(List::kDefaultSortType, c.sort);
        remember(List::kDefaultTab, c.tab);
        remember(List::kDefaultMyFilter, c.myFilter);
        model.loadListDefaults();
        model.loadMyTabFilterDefaults();
        EXPECT_EQ(model.sort(), c.expectedSort);
        EXPECT_EQ(model.tab(), c.expectedTab);
        EXPECT_EQ(model.myList(), c.expectedList);
    }
}

TEST_F(GameListModelTest, ChoicesAreStoredAndSurviveARestart) {
    model.chooseSort(List::Sort::Score);
    EXPECT_EQ(model.requestMaker()->sortDirection(), 1);
    EXPECT_EQ(model.pressTab(List::Tab::My), List::TabOutcome::Refetch);
    model.chooseMyList(List::MyList::Rated);
    UserDefaults::resetStandardUserDefaults();  // a new start reads the file again
    EXPECT_EQ(stored(List::kDefaultSortType), u"SCORE"_s);
    EXPECT_EQ(stored(List::kDefaultTab), u"MY"_s);
    EXPECT_EQ(stored(List::kDefaultMyFilter), u"RATED"_s);

    model.chooseMyList(List::MyList::Played);
    EXPECT_EQ(stored(List::kDefaultMyFilter), u"PLAYED"_s);
    model.chooseMyList(List::MyList::Wished);
    EXPECT_EQ(stored(List::kDefaultMyFilter), u"WISH"_s);
    // Sorting on Explore stores the All tab.
    model.pressTab(List::Tab::Explore);
    EXPECT_EQ(stored(List::kDefaultTab), u"MY"_s);
    model.chooseSort(List::Sort::Date);
    EXPECT_EQ(stored(List::kDefaultTab), u"ALL"_s);
    EXPECT_EQ(stored(List::kDefaultSortType), u"DATE"_s);
    EXPECT_EQ(metrics.take(), (QList<Metric>{{u"Score pressed"_s, u"Sort button"_s},
                                             {u"My pressed"_s, u"List Tab"_s},
                                             {u"Rated pressed"_s, u"Filter button"_s},
                                             {u"Played pressed"_s, u"Filter button"_s},
                                             {u"Wish pressed"_s, u"Filter button"_s},
                                             {u"Explore pressed"_s, u"List Tab"_s},
                                             {u"Date pressed"_s, u"Sort button"_s}}));

    CapturedConsole captured;
    model.logDefaults();
    EXPECT_TRUE(captured.text().contains(u"tab\t\t\t\t\t= [ALL]"_s))
        << captured.text().toStdString();
}

TEST_F(GameListModelTest, TabPressesClearTheNarrowingFiltersUnlessTheTabIsShown) {
    struct Step {
        std::optional<List::Tab> press;
        List::TabOutcome outcome;
        List::Tab tab;
        List::MyList list;
        QList<Metric> metrics;
    };
    const Step steps[] = {
        {List::Tab::All, List::TabOutcome::Unchanged, List::Tab::All, List::MyList::None, {}},
        {List::Tab::My,
         List::TabOutcome::Refetch,
         List::Tab::My,
         List::MyList::Wished,
         {{u"My pressed"_s, u"List Tab"_s}}},
        {List::Tab::My, List::TabOutcome::Unchanged, List::Tab::My, List::MyList::Wished, {}},
        {List::Tab::Explore,
         List::TabOutcome::EnteredExplore,
         List::Tab::Explore,
         List::MyList::None,
         {{u"Explore pressed"_s, u"List Tab"_s}}},
        {List::Tab::Explore,
         List::TabOutcome::ToggleExplorePanel,
         List::Tab::Explore,
         List::MyList::None,
         {}},
        {std::nullopt, List::TabOutcome::Refetch, List::Tab::Explore, List::MyList::None, {}},
        {List::Tab::All,
         List::TabOutcome::Refetch,
         List::Tab::All,
         List::MyList::None,
         {{u"All pressed"_s, u"List Tab"_s}}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(int(step.press.value_or(List::Tab(-1))));
        PullFetchedRequestPullFetchedRequestMaker* maker = model.requestMaker();
        model.search(u"kept?"_s);
        model.exploreControlReleased(std::nullopt, {3, 9, 13});
        maker->setReleasedFilter(2);
        metrics.take();
        EXPECT_EQ(model.pressTab(step.press), step.outcome);
        EXPECT_EQ(model.tab(), step.tab);
        EXPECT_EQ(model.myList(), step.list);
        const bool cleared = step.outcome != List::TabOutcome::Unchanged;
        EXPECT_EQ(maker->searchFilter().isNull(), cleared);
        for (int filter : {maker->scoreFilter(), maker->esrbFilter(), maker->genreFilter(),
                           maker->releasedFilter()}) {
            EXPECT_EQ(filter == 0, cleared);
        }
        EXPECT_EQ(metrics.take(), step.metrics);
    }
    // Only entering Explore marks its data dirty.
    EXPECT_TRUE(model.exploreDataDirty());
}

TEST_F(GameListModelTest, EachExploreChoiceMapsToItsFilterAndMetric) {
    struct Case {
        std::array<int, 3> values;
        int score, esrb, genre;
        QStringList metrics;
    };
    const Case cases[] = {
        {{1, 6, 23}, 5, 6, 9, {u"Score 1"_s, u"ESRB young"_s, u"Genre strategy"_s}},
        {{5, 12, 18}, 1, 2, 11, {u"Score 5"_s, u"ESRB pending"_s, u"Genre flying"_s}},
        {{2, 11, 16}, 4, 8, 10, {u"Score 2"_s, u"ESRB adults"_s, u"Genre family"_s}},
        {{0, 8, 0}, 0, 5, 0, {u"ESRB 10 plus"_s}},
        {{4, 10, 14}, 2, 4, 4, {u"Score 4"_s, u"ESRB mature"_s, u"Genre adventure"_s}},
        // The table is matched whatever control carries the value; unknown values apply nothing.
        {{13, 99, -1}, 0, 0, 1, {u"Genre action"_s}},
    };
    const QString features[] = {u"Explore drag Score"_s, u"Explore drag ESRB"_s,
                                u"Explore drag Genre"_s};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.metrics.join(u',').toStdString());
        model.exploreControlReleased(List::Control::ESRB, c.values);
        EXPECT_EQ(model.requestMaker()->scoreFilter(), c.score);
        EXPECT_EQ(model.requestMaker()->esrbFilter(), c.esrb);
        EXPECT_EQ(model.requestMaker()->genreFilter(), c.genre);
        QList<Metric> expected{{u"ESRB"_s, u"Explore drag type"_s}};
        for (const QString& name : c.metrics) {
            expected.append({name, features[name.startsWith(u"Score"_s)  ? 0
                                            : name.startsWith(u"ESRB"_s) ? 1
                                                                         : 2]});
        }
        EXPECT_EQ(metrics.take(), expected);
    }
    // The released control names its own metric; none is written for an unknown control.
    model.exploreControlReleased(List::Control::Genre, {0, 0, 0});
    model.exploreControlReleased(std::nullopt, {0, 0, 0});
    model.exploreControlReleased(List::Control::Score, {0, 0, 0});
    EXPECT_EQ(metrics.take(), (QList<Metric>{{u"Genre"_s, u"Explore drag type"_s},
                                             {u"Score"_s, u"Explore drag type"_s}}));
}

TEST_F(GameListModelTest, ChoicesListTheirGamesInOrderAndInSections) {
    addCatalogue();
    struct Case {
        const char* name;
        std::function<void(List&)> choose;
        QStringList titles;
        QStringList sections;
    };
    const QString pokemon = u"Pok\u00E9mon Ranch"_s;
    const Case cases[] = {
        {"date",
         [](List&) {},
         {u"Beta"_s, pokemon, u"Alpha"_s, u"Epsilon"_s, u"Gamma"_s},
         {u"Next 30 days:1"_s, u"Next week:1"_s, u"Last week:2"_s, u"Last 1-2 years:1"_s}},
        {"score",
         [](List& m) { m.chooseSort(List::Sort::Score); },
         {u"Alpha"_s, u"Gamma"_s, u"Beta"_s, u"Epsilon"_s, pokemon},
         {u"4\u00BD - 5 stars:1"_s, u"4 - 4\u00BD stars:1"_s, u"2 - 2\u00BD stars:2"_s,
          u"Not rated:1"_s}},
        {"wished", [](List& m) { m.pressTab(List::Tab::My); }, {pokemon, u"Alpha"_s}, {}},
        {"played",
         [](List& m) {
             m.pressTab(List::Tab::My);
             m.chooseMyList(List::MyList::Played);
         },
         {u"Beta"_s},
         {}},
        {"rated",
         [](List& m) {
             m.pressTab(List::Tab::My);
             m.chooseMyList(List::MyList::Rated);
         },
         {u"Gamma"_s},
         {}},
        {"search ignores accents and case",
         [](List& m) {
             m.pressTab(List::Tab::Explore);
             m.search(u"POKEMON"_s);
         },
         {pokemon},
         {}},
        {"explore score and genre",
         [](List& m) {
             m.exploreControlReleased(List::Control::Genre, {3, 0, 13});
         },
         {u"Alpha"_s, u"Gamma"_s},
         {}},
        {"explore age rating",
         [](List& m) {
             m.exploreControlReleased(List::Control::ESRB, {0, 9, 0});
         },
         {u"Gamma"_s},
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        model.pressTab(List::Tab::All);
        model.chooseSort(List::Sort::Date);
        c.choose(model);
        model.executeFetch();
        EXPECT_EQ(titles(), c.titles);
        EXPECT_EQ(model.numberOfObjects(), c.titles.size());
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
    const Case cases[] = {
        {IndexPath(0, 0), 0, IndexPath(0, 0)},    {IndexPath(2, 1), 3, IndexPath(2, 1)},
        {IndexPath(3, 0), 4, IndexPath(3, 0)},    {IndexPath(2, 2), -1, IndexPath(2, 1)},
        {IndexPath(1, 1), -1, IndexPath(1, 0)},   {IndexPath(9, 4), -1, IndexPath(3, 0)},
        {IndexPath(-1, 0), -1, IndexPath(-1, 0)}, {IndexPath(0, -1), -1, IndexPath(0, -1)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row.description().toStdString());
        EXPECT_EQ(model.getObjectRowNumberFromIndexPath(c.row), c.flat);
        const Game* game = model.getGameWithSectionedIndexPath(c.row);
        EXPECT_EQ(game ? game->title() : QString(), c.flat < 0 ? QString() : titles().at(c.flat));
        EXPECT_EQ(model.getValidIndexPath(c.row), c.valid);
    }
    EXPECT_EQ(model.getGameWithSectionedIndexPath(IndexPath(2, 1))->title(), u"Epsilon"_s);
    EXPECT_EQ(model.getValidIndexPath(std::nullopt), IndexPath(0, 0));
}

TEST_F(GameListModelTest, AfterAFetchTheListScrollsToTheKeptRowOrTheNextRelease) {
    using Place = List::Scroll::Place;
    EXPECT_EQ(model.scrollAfterFetch(IndexPath(1, 1)), List::Scroll{});  // no result yet
    model.executeFetch();
    EXPECT_EQ(model.getValidIndexPath(IndexPath(3, 3)), IndexPath(0, 0));
    EXPECT_EQ(model.scrollAfterFetch(IndexPath(2, 5)), List::Scroll{});  // nothing listed

    addCatalogue();
    model.executeFetch();
    // Date order: the nearest upcoming release (Pokémon Ranch) in the middle, or the kept row.
    EXPECT_EQ(model.scrollAfterFetch(std::nullopt), (List::Scroll{Place::RowInMiddle, {1, 0}}));
    EXPECT_EQ(model.scrollAfterFetch(IndexPath(2, 9)), (List::Scroll{Place::RowAtTop, {2, 1}}));
    model.chooseSort(List::Sort::Score);
    model.executeFetch();
    EXPECT_EQ(model.scrollAfterFetch(std::nullopt), List::Scroll{});
    EXPECT_EQ(model.scrollAfterFetch(IndexPath(2, 1)), (List::Scroll{Place::RowAtTop, {2, 1}}));
    // Without an upcoming release, date order starts at the top too.
    model.chooseSort(List::Sort::Date);
    model.exploreControlReleased(std::nullopt, {0, 9, 0});
    model.executeFetch();
    EXPECT_EQ(model.scrollAfterFetch(std::nullopt), List::Scroll{});
}

TEST_F(GameListModelTest, DetailChangesAlterTheListOnlyWhereItDependsOnThem) {
    using Change = List::DetailChange;
    EXPECT_FALSE(model.changeAltersList(Change::Wish));
    EXPECT_FALSE(model.changeAltersList(Change::Played));
    EXPECT_FALSE(model.changeAltersList(Change::Rating));
    model.pressTab(List::Tab::My);
    EXPECT_TRUE(model.changeAltersList(Change::Wish));
    EXPECT_FALSE(model.changeAltersList(Change::Played));
    model.chooseMyList(List::MyList::Played);
    EXPECT_FALSE(model.changeAltersList(Change::Wish));
    EXPECT_TRUE(model.changeAltersList(Change::Played));
    EXPECT_FALSE(model.changeAltersList(Change::Rating));
    model.chooseSort(List::Sort::Score);
    EXPECT_TRUE(model.changeAltersList(Change::Rating));
}

TEST_F(GameListModelTest, AFailedFetchIsLoggedAndListsNothing) {
    // A folder where the store file should be: the store cannot open.
    ASSERT_TRUE(QDir().mkpath(TestStore::homeFile(u"Broken.sqlite"_s)));
    TestStore broken(TestStore::homeFile(u"Broken.sqlite"_s));
    ASSERT_FALSE(broken.opened);
    List failing(broken.context.get(), broken.model.get());
    CapturedConsole captured;
    failing.executeFetch();
    EXPECT_TRUE(captured.text().contains(u"rootviewcontroller: executeFetch:Unresolved error"_s));
    EXPECT_EQ(failing.numberOfObjects(), 0);
    EXPECT_TRUE(failing.sections().isEmpty());
}
