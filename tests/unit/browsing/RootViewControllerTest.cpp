#include "RootViewController.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <memory>

#include "ActionSheet.h"
#include "Button.h"
#include "CapturedConsole.h"
#include "DetailPlaceholderPage.h"
#include "ExploreESRBDragView.h"
#include "ExploreGenreDragView.h"
#include "ExploreScoreDragView.h"
#include "FetchedResultsController.h"
#include "GameRowCell.h"
#include "ImageView.h"
#include "MetricRecorder.h"
#include "NavigationController.h"
#include "NotificationCenter.h"
#include "PullFetchedRequestPullFetchedRequestMaker.h"
#include "QStringPrinter.h"
#include "TableHeaderRow.h"
#include "TableView.h"
#include "TestStore.h"
#include "UserDefaults.h"
#include "ViewAlpha.h"

using namespace Qt::Literals::StringLiterals;
using Metric = MetricRecorder::Metric;

namespace {

QDateTime daysFromNow(int days) {
    return QDateTime(QDate::currentDate().addDays(days), QTime(12, 0));
}

// The list screen in a 320 x 480 window under a navigation stack with its bar hidden, as the
// application builds it, over a store of the test's own games.
class ListScreen : public testing::Test {
protected:
    void SetUp() override { UserDefaults::resetStandardUserDefaults(); }
    void TearDown() override {
        close();
        UserDefaults::resetStandardUserDefaults();
    }

    Game* add(const QString& title, int releaseInDays, std::optional<float> critic = std::nullopt) {
        Game* game = store.add(title, daysFromNow(releaseInDays), critic);
        game->setScoreCritic(critic);
        return game;
    }

    // Opens the screen and waits for its first list.
    RootViewController* open() {
        window = std::make_unique<QWidget>();
        window->setFixedSize(320, 480);
        auto* layout = new QVBoxLayout(window.get());
        layout->setContentsMargins(0, 0, 0, 0);
        navigation = new NavigationController(nullptr, window.get());
        layout->addWidget(navigation);
        screen = new RootViewController();
        screen->setManagedObjectContext(store.context.get());
        screen->setManagedObjectModel(store.model.get());
        navigation->pushViewController(screen, false);
        navigation->setNavigationBarHidden(true, false);
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        settle();
        return screen;
    }
    void close() {
        window.reset();
        screen = nullptr;
        navigation = nullptr;
    }

    // Waits for every refetch under way and for the animations after it.
    void settle() {
        ASSERT_TRUE(QTest::qWaitFor([&] { return screen->pendingFetches() == 0; }, 3000));
        QTest::qWait(450);
    }

    QPoint inWindow(QWidget* widget, QPoint point) const {
        return widget->mapTo(window.get(), point);
    }
    // A click where the user would make it: routed by the window to whatever lies there.
    void click(QWidget* widget) { click(widget, widget->rect().center()); }
    void click(QWidget* widget, QPoint point) {
        // Only what the user can reach: the widget itself must be under the point.
        const QWidget* under = window->childAt(inWindow(widget, point));
        ASSERT_TRUE(under == widget || widget->isAncestorOf(under))
            << "covered by " << (under ? under->objectName().toStdString() : "nothing");
        QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {}, inWindow(widget, point));
        QTest::qWait(20);
    }
    // Press at `from` and move to `to` in steps, then release, all in the widget's coordinates.
    void drag(QWidget* widget, QPoint from, QPoint to) {
        QWindow* handle = window->windowHandle();
        QTest::mousePress(handle, Qt::LeftButton, {}, inWindow(widget, from));
        for (int step = 1; step <= 4; ++step) {
            QTest::mouseMove(handle, inWindow(widget, from + (to - from) * step / 4));
        }
        QTest::mouseRelease(handle, Qt::LeftButton, {}, inWindow(widget, to));
    }

    QString stored(const QString& key) {
        return UserDefaults::standardUserDefaults()->stringForKey(key);
    }
    QStringList listedTitles() const {
        QStringList titles;
        for (const Game* game : screen->fetchedResultsController()->fetchedObjects()) {
            titles.append(game->title());
        }
        return titles;
    }
    // The rows in view, top first.
    QList<IndexPath> visibleRows() const { return screen->tableView()->indexPathsForVisibleRows(); }
    int topVisibleFlatRow() const {
        return screen->getObjectRowNumberFromIndexPath(*screen->getCurrentIndexPath());
    }

    MetricRecorder metrics;
    TestStore store;
    std::unique_ptr<QWidget> window;
    NavigationController* navigation = nullptr;
    RootViewController* screen = nullptr;
};

}  // namespace

TEST_F(ListScreen, FirstStartShowsAllGamesByDateWithTheNextReleaseInTheMiddle) {
    for (int i = 1; i <= 40; ++i) {
        add(u"Past %1"_s.arg(i), -7 * i, float(i % 5) + 0.5f);
        add(u"Coming %1"_s.arg(i), 9 * i, float(i % 5) + 0.5f);
    }
    open();
    EXPECT_EQ(screen->windowTitle(), u"Games"_s);
    EXPECT_EQ(screen->currentViewType(), 0);
    EXPECT_EQ(screen->requestMaker()->sortType(), 1);
    EXPECT_TRUE(screen->allTab()->isSelected());
    EXPECT_FALSE(screen->myTab()->isSelected());
    EXPECT_TRUE(screen->dateFilter()->isSelected());
    EXPECT_TRUE(screen->dateFilterExplore()->isSelected());
    EXPECT_FALSE(screen->scoreFilter()->isSelected());
    EXPECT_EQ(screen->statusLeft()->text(), u"Questlog: Wii Style"_s);
    EXPECT_EQ(screen->statusRight()->text(), u"80 games"_s);
    EXPECT_EQ(listedTitles().first(), u"Coming 40"_s);  // newest first

    // The release nearest today ("Coming 1", in 9 days) sits in the middle of the list.
    TableView* table = screen->tableView();
    const int comingOne = int(listedTitles().indexOf(u"Coming 1"_s));
    std::optional<IndexPath> target;
    for (const IndexPath& row : visibleRows()) {
        if (screen->getObjectRowNumberFromIndexPath(row) == comingOne) {
            target = row;
        }
    }
    ASSERT_TRUE(target) << "the next release is not in view";
    const QRect rowRect = table->rectForRowAtIndexPath(*target);
    const int middle = table->contentOffsetY() + table->viewport()->height() / 2;
    EXPECT_NEAR(rowRect.center().y(), middle, 2);

    // The busy overlay has faded out again; the layout is the All tab's.
    EXPECT_FLOAT_EQ(ViewAlpha::alpha(screen->workingOverlay()), 0.0f);
    EXPECT_EQ(table->geometry(), QRect(0, 72, 320, 370));
    EXPECT_EQ(screen->filterButtonView()->pos(), QPoint(0, -4));
    EXPECT_TRUE(screen->wishFilter()->isHidden());
    EXPECT_TRUE(screen->exploreSliderOverlay()->isHidden());
    EXPECT_TRUE(screen->exploreFilterButtonScore()->isHidden());
}

TEST_F(ListScreen, ScoreOrderIsRememberedAndOpensAtTheTop) {
    for (int i = 1; i <= 30; ++i) {
        add(u"Game %1"_s.arg(i), 3 * i - 45, float(i % 9) * 0.5f + 0.5f);
    }
    open();
    click(screen->scoreFilter());
    settle();
    EXPECT_EQ(stored(u"DEFAULT_SORT_TYPE"_s), u"SCORE"_s);
    EXPECT_EQ(stored(u"DEFAULT_TAB"_s), u"ALL"_s);
    EXPECT_EQ(metrics.take(), (QList<Metric>{{u"Score pressed"_s, u"Sort button"_s}}));
    EXPECT_TRUE(screen->scoreFilter()->isSelected());
    EXPECT_FALSE(screen->dateFilter()->isSelected());

    close();
    UserDefaults::resetStandardUserDefaults();  // a new start reads the file again
    open();
    EXPECT_EQ(screen->requestMaker()->sortType(), 0);
    EXPECT_TRUE(screen->scoreFilterExplore()->isSelected());
    EXPECT_EQ(screen->tableView()->contentOffsetY(), 0);
    EXPECT_EQ(screen->sectionArray().first().getLabel(), u"4½ - 5 stars"_s);
    EXPECT_EQ(visibleRows().first(), IndexPath(0, 0));
}

TEST_F(ListScreen, PressingTheShownTabChangesNothing) {
    add(u"Alpha"_s, -3);
    open();
    metrics.take();
    click(screen->allTab());
    EXPECT_EQ(screen->pendingFetches(), 0);
    EXPECT_TRUE(screen->allTab()->isSelected());  // a click does not unselect it
    EXPECT_TRUE(metrics.take().isEmpty());
    EXPECT_TRUE(stored(u"DEFAULT_TAB"_s).isNull());

    click(screen->myTab());
    settle();
    metrics.take();
    click(screen->myTab());
    EXPECT_EQ(screen->pendingFetches(), 0);
    EXPECT_TRUE(screen->myTab()->isSelected());
    EXPECT_TRUE(metrics.take().isEmpty());
}

TEST_F(ListScreen, MyTabShowsTheLastUserListAndRemembersIt) {
    Game* wished = add(u"Wished"_s, -2);
    wished->setMyIsWished(1);
    Game* played = add(u"Played"_s, -4);
    played->setMyIsPlayed(1);
    add(u"Neither"_s, -6);
    open();
    metrics.take();

    click(screen->myTab());
    EXPECT_EQ(screen->pendingFetches(), 1);
    settle();
    EXPECT_EQ(screen->currentViewType(), 1);
    EXPECT_EQ(screen->requestMaker()->myFilter(), 1);  // nothing stored: the wish list
    EXPECT_EQ(listedTitles(), QStringList{u"Wished"_s});
    EXPECT_TRUE(screen->wishFilter()->isVisible());
    EXPECT_TRUE(screen->wishFilter()->isSelected());
    EXPECT_EQ(stored(u"DEFAULT_TAB"_s), u"MY"_s);
    EXPECT_EQ(screen->tableView()->geometry(), QRect(0, 109, 320, 333));
    EXPECT_EQ(screen->filterButtonView()->pos(), QPoint(0, 33));

    click(screen->playedFilter());
    settle();
    EXPECT_EQ(listedTitles(), QStringList{u"Played"_s});
    EXPECT_EQ(stored(u"DEFAULT_MY_FILTER"_s), u"PLAYED"_s);
    EXPECT_TRUE(screen->playedFilter()->isSelected());
    EXPECT_FALSE(screen->wishFilter()->isSelected());

    click(screen->allTab());
    settle();
    EXPECT_EQ(listedTitles().size(), 3);
    EXPECT_TRUE(screen->playedFilter()->isHidden());
    click(screen->myTab());
    settle();
    EXPECT_EQ(screen->requestMaker()->myFilter(), 2);
    EXPECT_EQ(listedTitles(), QStringList{u"Played"_s});
    EXPECT_EQ(metrics.take(), (QList<Metric>{{u"My pressed"_s, u"List Tab"_s},
                                             {u"Played pressed"_s, u"Filter button"_s},
                                             {u"All pressed"_s, u"List Tab"_s},
                                             {u"My pressed"_s, u"List Tab"_s}}));

    // A restart on the My tab restores the tab and its list.
    close();
    UserDefaults::resetStandardUserDefaults();
    open();
    EXPECT_EQ(screen->currentViewType(), 1);
    EXPECT_EQ(listedTitles(), QStringList{u"Played"_s});
}

TEST_F(ListScreen, ExploreOpensThePanelWithoutRefetchingAndClosingItRefetchesOnce) {
    add(u"Alpha"_s, -3);
    open();
    metrics.take();
    QSignalSpy fetched(screen, &RootViewController::fetched);

    click(screen->exploreTab());
    EXPECT_EQ(screen->pendingFetches(), 0);
    EXPECT_TRUE(screen->exploreDataDirty());
    EXPECT_TRUE(screen->exploreSliderOverlay()->isVisible());
    EXPECT_EQ(screen->exploreAnimatorView()->pos(), QPoint(0, -215));  // it slides in from there
    EXPECT_TRUE(screen->exploreTab()->isSelected());
    EXPECT_FALSE(screen->allTab()->isSelected());
    QTest::qWait(500);
    EXPECT_EQ(screen->exploreAnimatorView()->pos(), QPoint(0, 0));
    EXPECT_FLOAT_EQ(ViewAlpha::alpha(screen->exploreAnimatorView()), 1.0f);
    EXPECT_EQ(fetched.count(), 0);
    EXPECT_EQ(metrics.take(), (QList<Metric>{{u"Explore pressed"_s, u"List Tab"_s}}));

    // Coming from All, the show / hide button still lies under the tabs; a second press on
    // Explore closes the panel, and the refetch that follows moves the filter bar down.
    click(screen->exploreTab());
    EXPECT_TRUE(screen->exploreSliderOverlay()->isVisible());  // hidden once it has slid away
    QTest::qWait(260);
    EXPECT_TRUE(screen->exploreSliderOverlay()->isHidden());
    settle();
    EXPECT_EQ(fetched.count(), 1);
    EXPECT_FALSE(screen->exploreDataDirty());
    EXPECT_EQ(screen->filterButtonView()->pos(), QPoint(0, 33));
    EXPECT_TRUE(screen->exploreFilterButtonGenre()->isVisible());
    EXPECT_EQ(screen->exploreFilterButtonGenre()->currentTitle(), u"any genre"_s);

    // Opened and closed with a choice button, nothing changed: no further refetch.
    click(screen->exploreFilterButtonGenre());
    QTest::qWait(450);
    EXPECT_TRUE(screen->exploreSliderOverlay()->isVisible());
    EXPECT_FALSE(screen->exploreFilterButtonGenre()->isSelected());  // a click does not select
    click(screen->exploreFilterButtonScore());
    QTest::qWait(300);
    settle();
    EXPECT_TRUE(screen->exploreSliderOverlay()->isHidden());
    EXPECT_EQ(fetched.count(), 1);

    // Escape closes it too.
    click(screen->exploreFilterButtonESRB());
    QTest::qWait(450);
    QTest::keyClick(screen->tableView(), Qt::Key_Escape);
    QTest::qWait(300);
    EXPECT_TRUE(screen->exploreSliderOverlay()->isHidden());
    EXPECT_EQ(screen->pendingFetches(), 0);
    EXPECT_EQ(fetched.count(), 1);
}

TEST_F(ListScreen, SortingOnExploreStoresTheAllTab) {
    add(u"Alpha"_s, -3);
    open();
    click(screen->myTab());
    settle();
    ASSERT_EQ(stored(u"DEFAULT_TAB"_s), u"MY"_s);
    click(screen->exploreTab());
    QTest::qWait(450);
    click(screen->scoreFilterExplore());
    settle();
    EXPECT_EQ(stored(u"DEFAULT_TAB"_s), u"ALL"_s);
    EXPECT_EQ(stored(u"DEFAULT_SORT_TYPE"_s), u"SCORE"_s);
    EXPECT_EQ(screen->currentViewType(), 2);
    EXPECT_TRUE(screen->exploreSliderOverlay()->isVisible());  // sorting leaves the panel open
}

TEST_F(ListScreen, DraggingTheGenreThumbAppliesEveryControlsChoice) {
    Game* match = add(u"Good action"_s, -5, 3.5f);
    match->setGenreCode(u"ACTION"_s);
    Game* weak = add(u"Weak action"_s, -6, 2.0f);
    weak->setGenreCode(u"ACTION"_s);
    Game* other = add(u"Good puzzle"_s, -7, 4.5f);
    other->setGenreCode(u"PUZZLE"_s);
    open();
    click(screen->exploreTab());
    QTest::qWait(450);
    metrics.take();

    // The score thumb (top 32, 20 high) grabbed 10 below its top and dragged so its top lies
    // at 82: the "3+ stars" slot. A release refetches at once.
    ExploreScoreDragView* score = screen->exploreScoreDragView();
    drag(score, QPoint(76, 42), QPoint(76, 92));
    EXPECT_EQ(score->currentValue(), 3);
    EXPECT_EQ(score->thumbY(), 80);
    EXPECT_EQ(screen->pendingFetches(), 1);
    settle();
    EXPECT_EQ(metrics.take(), (QList<Metric>{{u"Score"_s, u"Explore drag type"_s},
                                             {u"Score 3"_s, u"Explore drag Score"_s}}));
    EXPECT_EQ(listedTitles(), (QStringList{u"Good action"_s, u"Good puzzle"_s}));

    // The genre thumb to the "action" slot (tops 41 to 55).
    ExploreGenreDragView* genre = screen->exploreGenreDragView();
    drag(genre, QPoint(76, 40), QPoint(76, 56));
    EXPECT_EQ(genre->currentValue(), 13);
    settle();
    EXPECT_EQ(screen->requestMaker()->scoreFilter(), 3);
    EXPECT_EQ(screen->requestMaker()->genreFilter(), 1);
    EXPECT_EQ(screen->requestMaker()->esrbFilter(), 0);
    EXPECT_EQ(listedTitles(), QStringList{u"Good action"_s});
    EXPECT_EQ(metrics.take(), (QList<Metric>{{u"Genre"_s, u"Explore drag type"_s},
                                             {u"Score 3"_s, u"Explore drag Score"_s},
                                             {u"Genre action"_s, u"Explore drag Genre"_s}}));

    // The choice buttons show the choices, selected when one is made.
    EXPECT_EQ(screen->exploreFilterButtonScore()->currentTitle(), u"3+ stars"_s);
    EXPECT_TRUE(screen->exploreFilterButtonScore()->isSelected());
    EXPECT_EQ(screen->exploreFilterButtonGenre()->currentTitle(), u"action"_s);
    EXPECT_FALSE(screen->exploreFilterButtonESRB()->isSelected());
    EXPECT_EQ(screen->exploreFilterButtonESRB()->currentTitle(),
              screen->exploreESRBDragView()->getLabel());
    EXPECT_TRUE(screen->exploreSliderOverlay()->isVisible());  // the panel stays open

    // Leaving Explore keeps the controls; coming back resets them and the search.
    screen->searchField()->setText(u"kept?"_s);
    click(screen->allTab());
    settle();
    EXPECT_EQ(score->currentValue(), 3);
    EXPECT_EQ(screen->requestMaker()->scoreFilter(), 0);
    EXPECT_EQ(listedTitles().size(), 3);
    click(screen->exploreTab());
    EXPECT_EQ(score->currentValue(), 0);
    EXPECT_EQ(genre->currentValue(), 0);
    EXPECT_EQ(score->thumbY(), 32);
    EXPECT_TRUE(screen->searchField()->text().isEmpty());
}

// Every state of the bar's button follows the thumb, so a selected button never shows the
// choice it had before the drag.
TEST_F(ListScreen, ExploreButtonShowsTheThumbsSlotWhileDragging) {
    open();
    click(screen->exploreTab());
    settle();
    ExploreScoreDragView* score = screen->exploreScoreDragView();
    Button* button = screen->exploreFilterButtonScore();
    drag(score, QPoint(76, 42), QPoint(76, 75));
    settle();
    ASSERT_EQ(button->currentTitle(), u"4+ stars"_s);

    // Grabbed again 10 below the thumb's top and held in the next slot down.
    QWindow* handle = window->windowHandle();
    QTest::mousePress(handle, Qt::LeftButton, {},
                      inWindow(score, QPoint(76, score->thumbY() + 10)));
    QTest::mouseMove(handle, inWindow(score, QPoint(76, 92)));
    EXPECT_EQ(score->getLabel(), u"3+ stars"_s);
    EXPECT_EQ(button->currentTitle(), u"3+ stars"_s);
    for (Button::State state :
         {Button::State::Normal, Button::State::Selected, Button::State::Highlighted}) {
        EXPECT_EQ(button->titleForState(state), u"3+ stars"_s);
    }
    QTest::mouseRelease(handle, Qt::LeftButton, {}, inWindow(score, QPoint(76, 92)));
    settle();
}

TEST_F(ListScreen, EachExploreChoiceMapsToItsFilterAndMetric) {
    add(u"Alpha"_s, -3);
    open();
    metrics.take();
    struct Case {
        int score, esrb, genre;
        int scoreFilter, esrbFilter, genreFilter;
        QList<Metric> metrics;
    };
    const Case cases[] = {
        {1,
         6,
         23,
         5,
         6,
         9,
         {{u"Score 1"_s, u"Explore drag Score"_s},
          {u"ESRB young"_s, u"Explore drag ESRB"_s},
          {u"Genre strategy"_s, u"Explore drag Genre"_s}}},
        {5,
         12,
         18,
         1,
         2,
         11,
         {{u"Score 5"_s, u"Explore drag Score"_s},
          {u"ESRB pending"_s, u"Explore drag ESRB"_s},
          {u"Genre flying"_s, u"Explore drag Genre"_s}}},
        {0, 8, 0, 0, 5, 0, {{u"ESRB 10 plus"_s, u"Explore drag ESRB"_s}}},
        {2,
         11,
         16,
         4,
         8,
         10,
         {{u"Score 2"_s, u"Explore drag Score"_s},
          {u"ESRB adults"_s, u"Explore drag ESRB"_s},
          {u"Genre family"_s, u"Explore drag Genre"_s}}},
        // A value of no choice applies nothing and writes nothing.
        {99, 0, 0, 0, 0, 0, {}},
    };
    for (const Case& c : cases) {
        screen->exploreScoreDragView()->setCurrentValue(c.score);
        screen->exploreESRBDragView()->setCurrentValue(c.esrb);
        screen->exploreGenreDragView()->setCurrentValue(c.genre);
        screen->exploreDragViewEndedDragging(screen->exploreESRBDragView());
        const auto* maker = screen->requestMaker();
        EXPECT_EQ(maker->scoreFilter(), c.scoreFilter) << c.score;
        EXPECT_EQ(maker->esrbFilter(), c.esrbFilter) << c.esrb;
        EXPECT_EQ(maker->genreFilter(), c.genreFilter) << c.genre;
        QList<Metric> expected{{u"ESRB"_s, u"Explore drag type"_s}};
        expected += c.metrics;
        EXPECT_EQ(metrics.take(), expected) << c.score << " " << c.esrb << " " << c.genre;
    }
    // Another sender writes no drag-type metric but still applies the controls.
    screen->exploreScoreDragView()->setCurrentValue(4);
    screen->exploreDragViewEndedDragging(nullptr);
    EXPECT_EQ(screen->requestMaker()->scoreFilter(), 2);
    EXPECT_EQ(metrics.take(), (QList<Metric>{{u"Score 4"_s, u"Explore drag Score"_s}}));
    settle();
}

TEST_F(ListScreen, SearchIgnoresAccentsAndCaseAndClosesThePanelOnlyWithText) {
    add(u"Pokémon Ranch"_s, -3);
    add(u"Bowling Night"_s, -4);
    open();
    click(screen->exploreTab());
    QTest::qWait(450);
    metrics.take();

    QLineEdit* field = screen->searchField();
    click(field);
    QTest::keyClicks(field, u"POKEMON"_s);
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_FALSE(field->hasFocus());  // the keyboard goes away
    EXPECT_TRUE(screen->tableView()->hasFocus());
    EXPECT_EQ(screen->requestMaker()->searchFilter(), u"POKEMON"_s);
    settle();
    EXPECT_EQ(listedTitles(), QStringList{u"Pokémon Ranch"_s});
    EXPECT_TRUE(screen->exploreSliderOverlay()->isHidden());
    EXPECT_EQ(metrics.take(), (QList<Metric>{{u"Search changed"_s, u"Search"_s}}));

    click(screen->exploreFilterButtonScore());
    QTest::qWait(450);
    field->clear();
    click(field);
    QTest::keyClick(field, Qt::Key_Return);
    settle();
    EXPECT_TRUE(screen->requestMaker()->searchFilter().isEmpty());
    EXPECT_EQ(listedTitles().size(), 2);
    EXPECT_TRUE(screen->exploreSliderOverlay()->isVisible());
    EXPECT_TRUE(metrics.take().isEmpty());
}

TEST_F(ListScreen, UnwishingKeepsTheTopRowClampedToTheShorterList) {
    // Thirty wished games in one section ("Long ago"), newest first.
    QList<Game*> wished;
    for (int i = 1; i <= 30; ++i) {
        Game* game = add(u"Wish %1"_s.arg(i, 2, 10, QChar(u'0')), -4000 - i);
        game->setMyIsWished(1);
        wished.append(game);
    }
    UserDefaults::standardUserDefaults()->setObject(u"MY"_s, u"DEFAULT_TAB"_s);
    open();
    ASSERT_EQ(screen->currentViewType(), 1);
    ASSERT_EQ(screen->sectionArray().size(), 1);
    ASSERT_EQ(listedTitles().size(), 30);

    // Row 10 at the top; un-wishing the first game moves every row up by one, and the screen
    // stays at row 10.
    TableView* table = screen->tableView();
    table->setContentOffset(table->rectForRowAtIndexPath(IndexPath(0, 10)).topLeft(), false);
    ASSERT_EQ(screen->getCurrentIndexPath(), IndexPath(0, 10));
    wished[0]->setMyIsWished(0);
    NotificationCenter::defaultCenter()->postNotificationName(u"NOTIF_GAME_WISH_CHANGED"_s);
    settle();
    EXPECT_EQ(listedTitles().size(), 29);
    EXPECT_EQ(screen->getCurrentIndexPath(), IndexPath(0, 10));
    EXPECT_EQ(qobject_cast<GameRowCell*>(table->firstVisibleCell())->game(), wished[11]);

    // Near the end, with most of the list gone, the place is clamped to the last row.
    table->setContentOffset(table->rectForRowAtIndexPath(IndexPath(0, 24)).topLeft(), false);
    ASSERT_EQ(screen->getCurrentIndexPath(), IndexPath(0, 24));
    for (int i = 1; i <= 25; ++i) {
        wished[i]->setMyIsWished(0);
    }
    NotificationCenter::defaultCenter()->postNotificationName(u"NOTIF_GAME_WISH_CHANGED"_s);
    settle();
    ASSERT_EQ(listedTitles().size(), 4);
    EXPECT_EQ(table->contentOffsetY(), table->contentHeight() - table->viewport()->height());
    EXPECT_NE(table->cellForRowAtIndexPath(IndexPath(0, 3)), nullptr);
}

TEST_F(ListScreen, DetailChangesRefetchOnlyWhenTheyAlterTheList) {
    add(u"Alpha"_s, -3, 2.0f);
    open();
    QSignalSpy fetched(screen, &RootViewController::fetched);
    NotificationCenter* center = NotificationCenter::defaultCenter();
    // All tab, date order: none of the three changes the list.
    center->postNotificationName(u"NOTIF_GAME_WISH_CHANGED"_s);
    center->postNotificationName(u"NOTIF_GAME_PLAYED_CHANGED"_s);
    center->postNotificationName(u"NOTIF_GAME_RATING_CHANGED"_s);
    EXPECT_EQ(screen->pendingFetches(), 0);

    screen->requestMaker()->setSortType(0);
    center->postNotificationName(u"NOTIF_GAME_RATING_CHANGED"_s);
    EXPECT_EQ(screen->pendingFetches(), 1);
    settle();
    screen->requestMaker()->setMyFilter(2);
    center->postNotificationName(u"NOTIF_GAME_PLAYED_CHANGED"_s);
    center->postNotificationName(u"NOTIF_GAME_WISH_CHANGED"_s);
    EXPECT_EQ(screen->pendingFetches(), 1);
    settle();

    // A catalogue update and the end of the install refetch in any case.
    center->postNotificationName(u"NOTIF_GAMES_UPDATED"_s);
    center->postNotificationName(u"NOTIF_INSTALLING_BUNDLE_FILE_END"_s);
    EXPECT_EQ(screen->pendingFetches(), 2);
    settle();
    EXPECT_EQ(fetched.count(), 4);
}

TEST_F(ListScreen, ARefetchRedrawsAtOnceAndFetchesATenthOfASecondLater) {
    add(u"Alpha"_s, -3, 2.0f);
    add(u"Beta"_s, -5, 4.0f);
    open();
    QSignalSpy fetched(screen, &RootViewController::fetched);
    QElapsedTimer sincePress;
    sincePress.start();
    screen->sortByScore(screen->scoreFilter());
    EXPECT_TRUE(screen->scoreFilter()->isSelected());  // redrawn at once
    EXPECT_EQ(listedTitles().first(), u"Alpha"_s);     // not yet fetched
    EXPECT_EQ(screen->pendingFetches(), 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return ViewAlpha::alpha(screen->workingOverlay()) > 0; }));
    ASSERT_TRUE(fetched.wait(1000));
    EXPECT_GE(sincePress.elapsed(), 95);
    EXPECT_EQ(listedTitles().first(), u"Beta"_s);
    QTest::qWait(300);
    EXPECT_FLOAT_EQ(ViewAlpha::alpha(screen->workingOverlay()), 0.0f);
}

TEST_F(ListScreen, SectionHeadersCountTheirGamesAndTheStatusLineTheTotal) {
    for (int i = 0; i < 3; ++i) {
        add(u"Today %1"_s.arg(i), 0);
    }
    add(u"Long ago"_s, -4000);
    open();
    EXPECT_EQ(screen->statusRight()->text(), u"4 games"_s);
    ASSERT_EQ(screen->sectionArray().size(), 2);
    screen->tableView()->setContentOffset(QPoint(0, 0), false);
    screen->tableView()->layoutIfNeeded();
    auto* header =
        qobject_cast<TableHeaderRow*>(screen->viewForHeaderInSection(screen->tableView(), 0));
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->label()->text(), u"Today"_s);
    EXPECT_EQ(header->count()->text(), u"3 games"_s);
    // The same view is handed out again until the list changes.
    EXPECT_EQ(screen->viewForHeaderInSection(screen->tableView(), 0), header);
    EXPECT_EQ(screen->titleForHeaderInSection(screen->tableView(), 1), u"Long ago"_s);
}

TEST_F(ListScreen, ValidIndexPathsAreClampedToTheLastRow) {
    for (int i = 0; i < 3; ++i) {
        add(u"Today %1"_s.arg(i), 0);
    }
    add(u"Long ago 1"_s, -4000);
    add(u"Long ago 2"_s, -4001);
    open();
    ASSERT_EQ(screen->sectionArray().size(), 2);
    EXPECT_EQ(screen->getValidIndexPath(std::nullopt), IndexPath(0, 0));
    EXPECT_EQ(screen->getValidIndexPath(IndexPath(5, 0)), IndexPath(1, 1));
    EXPECT_EQ(screen->getValidIndexPath(IndexPath(0, 7)), IndexPath(0, 2));
    EXPECT_EQ(screen->getValidIndexPath(IndexPath(1, 1)), IndexPath(1, 1));
    EXPECT_EQ(screen->getObjectRowNumberFromIndexPath(IndexPath(1, 1)), 4);
    EXPECT_EQ(screen->getGameWithSectionedIndexPath(IndexPath(1, 0))->title(), u"Long ago 1"_s);
    EXPECT_EQ(screen->getGameWithSectionedIndexPath(IndexPath(1, 2)), nullptr);
    EXPECT_EQ(screen->getGameWithSectionedIndexPath(IndexPath(2, 0)), nullptr);
}

TEST_F(ListScreen, AnEmptyListCountsNoGamesAndScrollsNowhere) {
    open();
    EXPECT_EQ(screen->statusRight()->text(), u"0 games"_s);
    EXPECT_EQ(screen->getValidIndexPath(IndexPath(3, 3)), IndexPath(0, 0));
    NotificationCenter::defaultCenter()->postNotificationName(u"NOTIF_GAME_WISH_CHANGED"_s);
    screen->redrawAndExecuteAndScrollTo(IndexPath(2, 5));
    settle();
    EXPECT_EQ(screen->tableView()->contentOffsetY(), 0);
    EXPECT_EQ(screen->tableView()->numberOfRows(), 0);
}

TEST_F(ListScreen, SelectingARowOpensTheGameAndComesBack) {
    add(u"Alpha"_s, -3);
    add(u"Beta"_s, -5);
    open();
    metrics.take();
    screen->tableView()->setContentOffset(QPoint(0, 0), false);
    TableViewCell* cell = screen->tableView()->cellForRowAtIndexPath(IndexPath(0, 0));
    ASSERT_NE(cell, nullptr);
    const QString title = qobject_cast<GameRowCell*>(cell)->game()->title();
    click(cell);
    auto* page = qobject_cast<DetailPlaceholderPage*>(navigation->topViewController());
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->titleLabel()->text(), title);
    EXPECT_EQ(metrics.take(), (QList<Metric>{{u"Show details pressed"_s, u"Details"_s}}));
    QTest::qWait(450);
    EXPECT_FALSE(screen->tableView()->indexPathForSelectedRow());

    click(page->backButton());
    QTest::qWait(450);
    EXPECT_EQ(navigation->topViewController(), screen);

    // The keyboard opens the selected row, and other screens may ask for a game's details.
    screen->tableView()->setFocus();
    QTest::keyClick(screen->tableView(), Qt::Key_Down);
    QTest::keyClick(screen->tableView(), Qt::Key_Return);
    ASSERT_NE(qobject_cast<DetailPlaceholderPage*>(navigation->topViewController()), nullptr);
    navigation->popViewControllerAnimated(false);
    Game* beta = store.gamesByTitle().at(1);
    NotificationCenter::defaultCenter()->postNotificationName(u"NOTIF_SHOW_GAME_DETAILS"_s,
                                                              QVariant::fromValue(beta));
    page = qobject_cast<DetailPlaceholderPage*>(navigation->topViewController());
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->game(), beta);
}

TEST_F(ListScreen, TheOptionsSheetAsksForFeedback) {
    open();
    int posted = 0;
    QObject observer;
    NotificationCenter::defaultCenter()->addObserver(&observer, u"NOTIF_SEND_FEEDBACK_EMAIL"_s,
                                                     [&](const Notification&) { ++posted; });

    click(screen->iconGear());
    ASSERT_EQ(ActionSheet::visibleSheets().size(), 1);
    ActionSheet* sheet = ActionSheet::visibleSheets().first();
    EXPECT_EQ(sheet->title(), u"Got ideas for us, let us know!"_s);
    EXPECT_EQ(sheet->buttonTitles(), (QStringList{u"Send feedback"_s, u"Cancel"_s}));
    sheet->dismissWithClickedButtonIndex(sheet->cancelButtonIndex(), true);
    EXPECT_EQ(posted, 0);

    click(screen->iconGear());
    ASSERT_EQ(ActionSheet::visibleSheets().size(), 1);
    sheet = ActionSheet::visibleSheets().first();
    sheet->dismissWithClickedButtonIndex(sheet->destructiveButtonIndex(), true);
    EXPECT_EQ(posted, 1);
    NotificationCenter::defaultCenter()->removeObserver(&observer);
}

TEST_F(ListScreen, DefaultsAreLoggedAsStored) {
    UserDefaults* defaults = UserDefaults::standardUserDefaults();
    defaults->setObject(u"MY"_s, u"DEFAULT_TAB"_s);
    defaults->setObject(u"RATED"_s, u"DEFAULT_MY_FILTER"_s);
    open();
    EXPECT_EQ(screen->requestMaker()->myFilter(), 3);
    EXPECT_TRUE(screen->ratedFilter()->isSelected());
    CapturedConsole captured;
    screen->logDefaults();
    const QString log = captured.text();
    EXPECT_TRUE(log.contains(u"+ ------------ +"_s)) << log.toStdString();
    EXPECT_TRUE(log.contains(u"tab\t\t\t\t\t= [MY]"_s)) << log.toStdString();
    EXPECT_TRUE(log.contains(u"myFilter\t\t\t= [RATED]"_s)) << log.toStdString();
    EXPECT_TRUE(log.contains(u"sort\t\t\t\t= [(null)]"_s)) << log.toStdString();
}

TEST_F(ListScreen, AFailedFetchIsLoggedAndListsNothing) {
    // A folder where the store file should be: the store cannot open.
    ASSERT_TRUE(
        QDir().mkpath(FileFunctions::getPathForDocumentDirectoryResource(u"Broken.sqlite"_s)));
    TestStore broken(TestStore::homeFile(u"Broken.sqlite"_s));
    ASSERT_FALSE(broken.opened);
    window = std::make_unique<QWidget>();
    screen = new RootViewController(window.get());
    screen->setManagedObjectContext(broken.context.get());
    screen->setManagedObjectModel(broken.model.get());
    CapturedConsole captured;
    window->show();
    settle();
    const QString log = captured.text();
    EXPECT_TRUE(log.contains(u"rootviewcontroller: executeFetch:Unresolved error"_s))
        << log.toStdString();
    EXPECT_EQ(screen->statusRight()->text(), u"0 games"_s);
    EXPECT_EQ(screen->tableView()->numberOfRows(), 0);
    close();
}

TEST_F(ListScreen, TwentyThousandGamesHoldOnlyAScreenfulOfCells) {
    for (int i = 0; i < 20000; ++i) {
        add(u"Game %1"_s.arg(i), i % 2000 - 1000, float(i % 10) * 0.5f);
    }
    open();
    EXPECT_EQ(screen->statusRight()->text(), u"20000 games"_s);
    TableView* table = screen->tableView();
    const int limit = table->viewport()->height() / RootViewController::kRowHeight + 1 + 3;
    int most = 0;
    for (int y = 0; y < table->contentHeight(); y += 997) {
        table->setContentOffset(QPoint(0, y), false);
        most = std::max(most, int(table->viewport()->findChildren<GameRowCell*>().size()));
        for (TableViewCell* cell : table->visibleCells()) {
            // Every row in view shows its own game.
            const auto path = table->indexPathForCell(cell);
            ASSERT_TRUE(path);
            ASSERT_EQ(qobject_cast<GameRowCell*>(cell)->game(),
                      screen->getGameWithSectionedIndexPath(*path));
        }
    }
    EXPECT_LE(most, limit);
    EXPECT_GE(most, 4);
}
