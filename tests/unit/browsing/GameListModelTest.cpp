#include "GameListModel.h"

#include <gtest/gtest.h>

#include "BrowsingTestSupport.h"
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

    ScopedClock clock{QDateTime(kToday, QTime(12, 0))};
    MetricRecorder metrics;
    TestStore store;
    List model{store.context.get(), store.model.get()};
    PullFetchedRequestPullFetchedRequestMaker* maker = model.requestMaker();
};

}  // namespace

TEST_F(GameListModelTest, ChoicesAreStoredAtOnceAndReadBackExactly) {
    // As a new start would read them: the file again.
    const auto storedChoices = [] {
        UserDefaults::resetStandardUserDefaults();
        UserDefaults* defaults = UserDefaults::standardUserDefaults();
        return QStringList{defaults->stringForKey(List::kDefaultSortType),
                           defaults->stringForKey(List::kDefaultTab),
                           defaults->stringForKey(List::kDefaultMyFilter)}
            .join(u'|');
    };
    model.chooseSort(Sort::Score);
    EXPECT_EQ(maker->sortDirection(), 1);
    EXPECT_EQ(model.pressTab(Tab::My), Outcome::Refetch);
    model.chooseMyList(MyList::Rated);
    EXPECT_EQ(storedChoices(), u"SCORE|MY|RATED"_s);
    model.chooseMyList(MyList::Wished);
    // Not stored until the next sort; entering Explore clears the narrowing filters.
    model.search(u"kept?"_s);
    maker->setReleasedFilter(2);
    EXPECT_EQ(model.pressTab(Tab::Explore), Outcome::EnteredExplore);
    EXPECT_TRUE(maker->searchFilter().isNull() && maker->releasedFilter() == 0);
    EXPECT_TRUE(model.exploreDataDirty());
    EXPECT_EQ(storedChoices(), u"SCORE|MY|WISH"_s);
    model.chooseSort(Sort::Date);
    EXPECT_EQ(storedChoices(), u"DATE|ALL|WISH"_s);
    EXPECT_EQ(metrics.take(),
              u"Score pressed@Sort button; My pressed@List Tab; Rated pressed@Filter button; "
              u"Wish pressed@Filter button; Search changed@Search; Explore pressed@List Tab; "
              u"Date pressed@Sort button"_s);

    struct Case {
        QStringList stored;  // sort, tab, list
        Sort sort;
        Tab tab;
        MyList list;
    };
    // clang-format off
    const Case cases[] = {
        {{{}, {}, {}}, Sort::Date, Tab::All, MyList::Wished},
        {{u"DATE"_s, u"ALL"_s, u"RATED"_s}, Sort::Date, Tab::All, MyList::Rated},
        {{u"score"_s, u"EXPLORE"_s, u"played"_s}, Sort::Date, Tab::All, MyList::Wished},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored.join(u'|').toStdString());
        UserDefaults* defaults = UserDefaults::standardUserDefaults();
        defaults->setObject(c.stored[0], List::kDefaultSortType);
        defaults->setObject(c.stored[1], List::kDefaultTab);
        defaults->setObject(c.stored[2], List::kDefaultMyFilter);
        model.loadListDefaults();
        model.loadMyTabFilterDefaults();
        EXPECT_EQ(std::tuple(model.sort(), model.tab(), model.myList()),
                  std::tuple(c.sort, c.tab, c.list));
    }
}

TEST_F(GameListModelTest, EachExploreChoiceMapsToItsFilter) {
    struct Case {
        std::array<int, 3> values;
        std::array<int, 3> filters;  // score, ESRB, genre
    };
    // Matched whatever control carries the value; unknown values apply nothing.
    // clang-format off
    const Case cases[] = {
        {{1, 6, 23}, {5, 6, 9}}, {{5, 12, 18}, {1, 2, 11}}, {{2, 11, 16}, {4, 8, 10}},
        {{4, 10, 14}, {2, 4, 4}}, {{3, 7, 15}, {3, 1, 7}}, {{0, 8, 0}, {0, 5, 0}},
        {{13, 99, -1}, {0, 0, 1}},
    };
    // clang-format on
    for (const Case& c : cases) {
        model.exploreControlReleased(List::Control::ESRB, c.values);
        EXPECT_EQ((std::array{maker->scoreFilter(), maker->esrbFilter(), maker->genreFilter()}),
                  c.filters);
    }
    metrics.take();
    model.exploreControlReleased(List::Control::Genre, {2, 0, 0});
    model.exploreControlReleased(std::nullopt, {0, 0, 0});
    EXPECT_EQ(metrics.take(), u"Genre@Explore drag type; Score 2@Explore drag Score"_s);
}

TEST_F(GameListModelTest, ChoicesListTheirGamesInOrderAndSectionsAndScrollToTheRightRow) {
    EXPECT_EQ(model.scrollAfterFetch(IndexPath(1, 1)), List::Scroll{});  // no result yet
    model.executeFetch();
    EXPECT_EQ(model.getValidIndexPath(IndexPath(3, 3)), IndexPath(0, 0));
    EXPECT_EQ(model.scrollAfterFetch(IndexPath(2, 5)), List::Scroll{});  // nothing listed

    addCatalogue();
    const auto fetch = [&] {
        model.executeFetch();
        EXPECT_EQ(model.numberOfObjects(), titles().count(u',') + 1);
        return titles() + u" / "_s + sections();
    };
    EXPECT_EQ(fetch(),
              u"Beta, Pokémon Ranch, Alpha, Epsilon, Gamma / "
              u"Next 30 days:1, Next week:1, Last week:2, Last 1-2 years:1"_s);
    // Date order: the nearest upcoming release (Pokémon Ranch) in the middle, or the kept row
    // clamped to its section's last.
    EXPECT_EQ(model.scrollAfterFetch(std::nullopt), (List::Scroll{Place::RowInMiddle, {1, 0}}));
    EXPECT_EQ(model.scrollAfterFetch(IndexPath(2, 9)), (List::Scroll{Place::RowAtTop, {2, 1}}));
    EXPECT_EQ(model.getGameWithSectionedIndexPath(IndexPath(2, 1))->title(), u"Epsilon"_s);
    EXPECT_EQ(model.getGameWithSectionedIndexPath(IndexPath(1, 1)), nullptr);
    EXPECT_EQ(model.getValidIndexPath(IndexPath(9, 4)), IndexPath(3, 0));
    model.chooseSort(Sort::Score);
    EXPECT_EQ(fetch(),
              u"Alpha, Gamma, Beta, Epsilon, Pokémon Ranch / "
              u"4½ - 5 stars:1, 4 - 4½ stars:1, 2 - 2½ stars:2, Not rated:1"_s);
    EXPECT_EQ(model.scrollAfterFetch(std::nullopt), List::Scroll{});
    EXPECT_EQ(model.scrollAfterFetch(IndexPath(2, 1)), (List::Scroll{Place::RowAtTop, {2, 1}}));
    model.pressTab(Tab::My);
    model.chooseMyList(MyList::Rated);
    EXPECT_EQ(fetch(), u"Gamma / 4 - 4½ stars:1"_s);
    // Explore's choices; without an upcoming release, date order starts at the top too.
    model.pressTab(Tab::All);
    model.chooseSort(Sort::Date);
    model.exploreControlReleased(List::Control::Genre, {3, 0, 13});
    EXPECT_EQ(fetch(), u"Alpha, Gamma / Last week:1, Last 1-2 years:1"_s);
    model.exploreControlReleased(List::Control::ESRB, {0, 9, 0});
    EXPECT_EQ(fetch(), u"Gamma / Last 1-2 years:1"_s);
    EXPECT_EQ(model.scrollAfterFetch(std::nullopt), List::Scroll{});
}
