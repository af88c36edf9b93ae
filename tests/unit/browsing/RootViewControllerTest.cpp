#include "RootViewController.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <memory>

#include "ActionSheet.h"
#include "Animator.h"
#include "Button.h"
#include "DetailPlaceholderPage.h"
#include "ExploreDragView.h"
#include "FetchedResultsController.h"
#include "GameRowCell.h"
#include "MetricRecorder.h"
#include "NavigationController.h"
#include "NotificationCenter.h"
#include "QStringPrinter.h"
#include "TableHeaderRow.h"
#include "TableView.h"
#include "TestStore.h"
#include "UserDefaults.h"
#include "ViewAlpha.h"

using namespace Qt::Literals::StringLiterals;
using Metric = MetricRecorder::Metric;

namespace {

// The list screen in a 320 x 480 window under a navigation stack with its bar hidden, as the
// application builds it, over a store of the test's own games. Animations end at once and the
// screen's delays run at the next turn of the event loop.
class ListScreen : public testing::Test {
protected:
    ListScreen() {
        Animator::setImmediate(true);
        UserDefaults::resetStandardUserDefaults();
    }
    ~ListScreen() override {
        close();
        UserDefaults::resetStandardUserDefaults();
        Animator::setImmediate(false);
    }

    Game* add(const QString& title, int releaseInDays, std::optional<float> critic = {}) {
        Game* game = store.add(
            title, QDateTime(QDate::currentDate().addDays(releaseInDays), QTime(12, 0)), critic);
        game->setScoreCritic(critic);
        return game;
    }

    // Opens the screen and waits for its first list.
    void open() {
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
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        settle();
        table = find<TableView>("tableView");
    }
    void close() {
        window.reset();
        screen = nullptr;
    }
    // A restart: the defaults are read from their file again.
    void reopen() {
        close();
        UserDefaults::resetStandardUserDefaults();
        open();
    }
    void settle() {
        ASSERT_TRUE(QTest::qWaitFor([&] { return screen->pendingFetches() == 0; }));
    }

    template <class T = Button>
    T* find(const char* name) const {
        T* found = screen->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    bool panelOpen() const { return find<QWidget>("exploreSliderOverlay")->isVisible(); }
    bool waitForPanel(bool open) const {
        return QTest::qWaitFor([&] { return panelOpen() == open; });
    }

    QPoint inWindow(QWidget* widget, QPoint point) const {
        return widget->mapTo(window.get(), point);
    }
    // A click where the user would make it: only what lies under the point can take it.
    void click(const char* name) { click(find<QWidget>(name)); }
    void click(QWidget* widget) {
        const QPoint at = inWindow(widget, widget->rect().center());
        const QWidget* under = window->childAt(at);
        ASSERT_TRUE(under == widget || widget->isAncestorOf(under))
            << "covered by " << (under ? under->objectName().toStdString() : "nothing");
        QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {}, at);
    }
    // Press at `from`, move to `to` in steps and release, in the widget's coordinates.
    void drag(QWidget* widget, QPoint from, QPoint to) {
        QWindow* handle = window->windowHandle();
        QTest::mousePress(handle, Qt::LeftButton, {}, inWindow(widget, from));
        for (int step = 1; step <= 4; ++step) {
            QTest::mouseMove(handle, inWindow(widget, from + (to - from) * step / 4));
        }
        QTest::mouseRelease(handle, Qt::LeftButton, {}, inWindow(widget, to));
    }

    static QString stored(const QString& key) {
        return UserDefaults::standardUserDefaults()->stringForKey(key);
    }
    QStringList listedTitles() const {
        QStringList titles;
        for (const Game* game : screen->model()->fetchedResultsController()->fetchedObjects()) {
            titles.append(game->title());
        }
        return titles;
    }
    Game* gameInRow(const IndexPath& row) const {
        return qobject_cast<GameRowCell*>(table->cellForRowAtIndexPath(row))->game();
    }

    MetricRecorder metrics;
    TestStore store;
    std::unique_ptr<QWidget> window;
    NavigationController* navigation = nullptr;
    RootViewController* screen = nullptr;
    TableView* table = nullptr;
};

}  // namespace

TEST_F(ListScreen, FirstStartShowsAllGamesByDateWithTheNextReleaseInTheMiddle) {
    for (int i = 1; i <= 40; ++i) {
        add(u"Past %1"_s.arg(i), -7 * i, float(i % 5) + 0.5f);
        add(u"Coming %1"_s.arg(i), 9 * i, float(i % 5) + 0.5f);
    }
    open();
    EXPECT_EQ(screen->windowTitle(), u"Games"_s);
    EXPECT_TRUE(find("allTab")->isSelected());
    EXPECT_FALSE(find("myTab")->isSelected());
    for (const char* name : {"dateFilter", "dateFilterExplore"}) {
        EXPECT_TRUE(find(name)->isSelected()) << name;
    }
    EXPECT_FALSE(find("scoreFilter")->isSelected());
    EXPECT_TRUE(find("wishFilter")->isHidden());
    EXPECT_TRUE(find("exploreFilterButtonScore")->isHidden());
    EXPECT_FALSE(panelOpen());
    EXPECT_EQ(find<QLabel>("statusLeft")->text(), u"Questlog: Wii Style"_s);
    EXPECT_EQ(find<QLabel>("statusRight")->text(), u"80 games"_s);
    EXPECT_EQ(listedTitles().first(), u"Coming 40"_s);  // newest first
    EXPECT_FLOAT_EQ(ViewAlpha::alpha(find<QWidget>("workingOverlay")), 0.0f);

    // The release nearest today ("Coming 1", in 9 days) comes to the middle of the list.
    const IndexPath target = screen->model()->scrollAfterFetch(std::nullopt).row;
    ASSERT_EQ(screen->model()->getGameWithSectionedIndexPath(target)->title(), u"Coming 1"_s);
    EXPECT_TRUE(QTest::qWaitFor([&] {
        const int middle = table->contentOffsetY() + table->viewport()->height() / 2;
        return qAbs(table->rectForRowAtIndexPath(target).center().y() - middle) <= 2;
    }));
}

TEST_F(ListScreen, ScoreOrderIsRememberedAndOpensAtTheTop) {
    for (int i = 1; i <= 30; ++i) {
        add(u"Game %1"_s.arg(i), 3 * i - 45, float(i % 9) * 0.5f + 0.5f);
    }
    open();
    click("scoreFilter");
    settle();
    EXPECT_EQ(metrics.take(), (QList<Metric>{{u"Score pressed"_s, u"Sort button"_s}}));
    EXPECT_TRUE(find("scoreFilter")->isSelected());
    EXPECT_FALSE(find("dateFilter")->isSelected());

    reopen();
    EXPECT_TRUE(find("scoreFilterExplore")->isSelected());
    EXPECT_EQ(table->contentOffsetY(), 0);
    EXPECT_EQ(table->indexPathsForVisibleRows().first(), IndexPath(0, 0));
    EXPECT_EQ(screen->model()->sections().first().getLabel(), u"4\u00BD - 5 stars"_s);
}

TEST_F(ListScreen, MyTabShowsTheLastUserListAndARestartRestoresIt) {
    add(u"Wished"_s, -2)->setMyIsWished(1);
    add(u"Played"_s, -4)->setMyIsPlayed(1);
    add(u"Neither"_s, -6);
    open();
    QSignalSpy fetched(screen, &RootViewController::fetched);
    click("allTab");  // the tab shown: nothing happens
    settle();
    EXPECT_EQ(fetched.count(), 0);
    EXPECT_TRUE(find("allTab")->isSelected());

    click("myTab");
    settle();
    EXPECT_EQ(fetched.count(), 1);
    EXPECT_EQ(listedTitles(), QStringList{u"Wished"_s});
    EXPECT_TRUE(find("wishFilter")->isVisible());
    EXPECT_TRUE(find("wishFilter")->isSelected());

    click("playedFilter");
    settle();
    EXPECT_EQ(listedTitles(), QStringList{u"Played"_s});
    EXPECT_TRUE(find("playedFilter")->isSelected());
    EXPECT_FALSE(find("wishFilter")->isSelected());

    click("allTab");
    settle();
    EXPECT_EQ(listedTitles().size(), 3);
    EXPECT_TRUE(find("playedFilter")->isHidden());
    click("myTab");
    settle();
    EXPECT_EQ(metrics.take(), (QList<Metric>{{u"My pressed"_s, u"List Tab"_s},
                                             {u"Played pressed"_s, u"Filter button"_s},
                                             {u"All pressed"_s, u"List Tab"_s},
                                             {u"My pressed"_s, u"List Tab"_s}}));
    reopen();
    EXPECT_TRUE(find("myTab")->isSelected());
    EXPECT_EQ(listedTitles(), QStringList{u"Played"_s});
}

TEST_F(ListScreen, ExplorePanelOpensWithoutARefetchAndClosingItRefetchesOnce) {
    add(u"Alpha"_s, -3);
    open();
    QSignalSpy fetched(screen, &RootViewController::fetched);

    click("exploreTab");
    settle();
    EXPECT_EQ(fetched.count(), 0);
    EXPECT_TRUE(panelOpen());
    EXPECT_TRUE(find("exploreTab")->isSelected());
    EXPECT_FALSE(find("allTab")->isSelected());
    EXPECT_FLOAT_EQ(ViewAlpha::alpha(find<QWidget>("exploreAnimatorView")), 1.0f);

    // A second press on Explore closes the panel; the refetch that follows shows the choices.
    click("exploreTab");
    ASSERT_TRUE(waitForPanel(false));
    settle();
    EXPECT_EQ(fetched.count(), 1);
    EXPECT_EQ(find("exploreFilterButtonGenre")->currentTitle(), u"any genre"_s);

    // Opened and closed with the choice buttons, nothing changed: no further refetch.
    click("exploreFilterButtonGenre");
    EXPECT_TRUE(panelOpen());
    EXPECT_FALSE(find("exploreFilterButtonGenre")->isSelected());  // a click does not select
    click("exploreFilterButtonScore");
    ASSERT_TRUE(waitForPanel(false));
    // Escape closes it too.
    click("exploreFilterButtonESRB");
    QTest::keyClick(table, Qt::Key_Escape);
    ASSERT_TRUE(waitForPanel(false));
    EXPECT_EQ(screen->pendingFetches(), 0);
    EXPECT_EQ(fetched.count(), 1);
}

TEST_F(ListScreen, DraggingAThumbAppliesEveryControlsChoiceAndComingBackResetsThem) {
    add(u"Good action"_s, -5, 3.5f)->setGenreCode(u"ACTION"_s);
    add(u"Weak action"_s, -6, 2.0f)->setGenreCode(u"ACTION"_s);
    add(u"Good puzzle"_s, -7, 4.5f)->setGenreCode(u"PUZZLE"_s);
    open();
    click("exploreTab");
    metrics.take();

    // The score thumb grabbed 10 below its top and dropped in the "3+ stars" slot: a release
    // refetches at once. While the finger moves, the choice button follows in every state.
    auto* score = find<ExploreDragView>("exploreScoreDragView");
    QWindow* handle = window->windowHandle();
    QTest::mousePress(handle, Qt::LeftButton, {}, inWindow(score, QPoint(76, 42)));
    QTest::mouseMove(handle, inWindow(score, QPoint(76, 92)));
    for (Button::State state :
         {Button::State::Normal, Button::State::Selected, Button::State::Highlighted}) {
        EXPECT_EQ(find("exploreFilterButtonScore")->titleForState(state), u"3+ stars"_s);
    }
    QSignalSpy fetched(screen, &RootViewController::fetched);
    QTest::mouseRelease(handle, Qt::LeftButton, {}, inWindow(score, QPoint(76, 92)));
    settle();
    EXPECT_EQ(fetched.count(), 1);
    EXPECT_EQ(listedTitles(), (QStringList{u"Good action"_s, u"Good puzzle"_s}));

    auto* genre = find<ExploreDragView>("exploreGenreDragView");
    drag(genre, QPoint(76, 40), QPoint(76, 56));  // the "action" slot
    settle();
    EXPECT_EQ(listedTitles(), QStringList{u"Good action"_s});
    EXPECT_EQ(metrics.take(), (QList<Metric>{{u"Score"_s, u"Explore drag type"_s},
                                             {u"Score 3"_s, u"Explore drag Score"_s},
                                             {u"Genre"_s, u"Explore drag type"_s},
                                             {u"Score 3"_s, u"Explore drag Score"_s},
                                             {u"Genre action"_s, u"Explore drag Genre"_s}}));
    EXPECT_TRUE(find("exploreFilterButtonScore")->isSelected());
    EXPECT_EQ(find("exploreFilterButtonGenre")->currentTitle(), u"action"_s);
    EXPECT_FALSE(find("exploreFilterButtonESRB")->isSelected());
    EXPECT_TRUE(panelOpen());

    // Leaving Explore keeps the controls; coming back resets them and the search.
    find<QLineEdit>("searchField")->setText(u"kept?"_s);
    click("allTab");
    settle();
    EXPECT_EQ(score->currentValue(), 3);
    EXPECT_EQ(listedTitles().size(), 3);
    click("exploreTab");
    EXPECT_EQ(score->currentValue(), 0);
    EXPECT_EQ(genre->currentValue(), 0);
    EXPECT_TRUE(find<QLineEdit>("searchField")->text().isEmpty());
}

TEST_F(ListScreen, SearchClosesThePanelOnlyWithText) {
    add(u"Pok\u00E9mon Ranch"_s, -3);
    add(u"Bowling Night"_s, -4);
    open();
    click("exploreTab");
    auto* field = find<QLineEdit>("searchField");
    click(field);
    QTest::keyClicks(field, u"POKEMON"_s);
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_FALSE(field->hasFocus());  // the keyboard goes away
    EXPECT_TRUE(table->hasFocus());
    settle();
    EXPECT_EQ(listedTitles(), QStringList{u"Pok\u00E9mon Ranch"_s});
    EXPECT_TRUE(waitForPanel(false));

    click("exploreFilterButtonScore");
    field->clear();
    click(field);
    QTest::keyClick(field, Qt::Key_Return);
    settle();
    EXPECT_EQ(listedTitles().size(), 2);
    EXPECT_TRUE(panelOpen());
}

TEST_F(ListScreen, DetailChangesRefetchKeepingTheTopRowClampedToTheShorterList) {
    // Thirty wished games in one section, newest first.
    QList<Game*> wished;
    for (int i = 1; i <= 30; ++i) {
        wished.append(add(u"Wish %1"_s.arg(i, 2, 10, QChar(u'0')), -4000 - i));
        wished.last()->setMyIsWished(1);
    }
    UserDefaults::standardUserDefaults()->setObject(u"MY"_s, GameListModel::kDefaultTab);
    open();
    ASSERT_EQ(listedTitles().size(), 30);
    NotificationCenter* center = NotificationCenter::defaultCenter();
    // The list shows wished games: played and rating changes leave it alone.
    center->postNotificationName(u"NOTIF_GAME_PLAYED_CHANGED"_s);
    center->postNotificationName(u"NOTIF_GAME_RATING_CHANGED"_s);
    EXPECT_EQ(screen->pendingFetches(), 0);

    // Row 10 at the top; un-wishing the first game moves every row up by one, and the screen
    // stays at row 10.
    table->setContentOffset(table->rectForRowAtIndexPath(IndexPath(0, 10)).topLeft(), false);
    ASSERT_EQ(screen->getCurrentIndexPath(), IndexPath(0, 10));
    wished[0]->setMyIsWished(0);
    center->postNotificationName(u"NOTIF_GAME_WISH_CHANGED"_s);
    settle();
    EXPECT_EQ(listedTitles().size(), 29);
    ASSERT_TRUE(QTest::qWaitFor([&] { return screen->getCurrentIndexPath() == IndexPath(0, 10); }));
    EXPECT_EQ(gameInRow(IndexPath(0, 10)), wished[11]);

    // Near the end, with most of the list gone, the place is clamped to the last row.
    table->setContentOffset(table->rectForRowAtIndexPath(IndexPath(0, 24)).topLeft(), false);
    for (int i = 1; i <= 25; ++i) {
        wished[i]->setMyIsWished(0);
    }
    center->postNotificationName(u"NOTIF_GAME_WISH_CHANGED"_s);
    settle();
    ASSERT_EQ(listedTitles().size(), 4);
    EXPECT_TRUE(QTest::qWaitFor([&] {
        return table->contentOffsetY() == table->contentHeight() - table->viewport()->height();
    }));

    // A catalogue update and the end of the install refetch in any case.
    QSignalSpy fetched(screen, &RootViewController::fetched);
    center->postNotificationName(u"NOTIF_GAMES_UPDATED"_s);
    center->postNotificationName(u"NOTIF_INSTALLING_BUNDLE_FILE_END"_s);
    EXPECT_EQ(screen->pendingFetches(), 2);
    settle();
    EXPECT_EQ(fetched.count(), 2);
}

TEST_F(ListScreen, ARefetchRedrawsAtOnceAndFetchesOnTheNextTurn) {
    add(u"Alpha"_s, -3, 2.0f);
    add(u"Beta"_s, -5, 4.0f);
    open();
    QSignalSpy fetched(screen, &RootViewController::fetched);
    screen->sortByScore(find("scoreFilter"));
    EXPECT_TRUE(find("scoreFilter")->isSelected());  // redrawn at once
    EXPECT_EQ(listedTitles().first(), u"Alpha"_s);   // not yet fetched
    ASSERT_TRUE(fetched.wait(1000));
    EXPECT_EQ(fetched.takeFirst().at(0).toInt(), 2);
    EXPECT_EQ(listedTitles().first(), u"Beta"_s);
}

TEST_F(ListScreen, SectionHeadersCountTheirGamesAndRowsShowTheirOwnGame) {
    for (int i = 0; i < 1500; ++i) {
        add(u"Game %1"_s.arg(i), i % 300 - 150, float(i % 10) * 0.5f);
    }
    open();
    EXPECT_EQ(find<QLabel>("statusRight")->text(), u"1500 games"_s);
    auto* header = qobject_cast<TableHeaderRow*>(screen->viewForHeaderInSection(table, 0));
    ASSERT_NE(header, nullptr);
    const SectionTotal first = screen->model()->sections().first();
    EXPECT_EQ(header->label()->text(), first.getLabel());
    EXPECT_EQ(header->count()->text(), u"%1 games"_s.arg(first.count()));
    // The same view is handed out again until the list changes.
    EXPECT_EQ(screen->viewForHeaderInSection(table, 0), header);

    // Scrolled through, only a screenful of cells exists, each showing its own row's game.
    int most = 0;
    for (int y = 0; y < table->contentHeight(); y += 997) {
        table->setContentOffset(QPoint(0, y), false);
        most = std::max(most, int(table->viewport()->findChildren<GameRowCell*>().size()));
        for (TableViewCell* cell : table->visibleCells()) {
            const auto path = table->indexPathForCell(cell);
            ASSERT_TRUE(path);
            ASSERT_EQ(qobject_cast<GameRowCell*>(cell)->game(),
                      screen->model()->getGameWithSectionedIndexPath(*path));
        }
    }
    EXPECT_LE(most, table->viewport()->height() / RootViewController::kRowHeight + 4);
}

TEST_F(ListScreen, SelectingARowOpensTheGameAndComesBack) {
    add(u"Alpha"_s, -3);
    add(u"Beta"_s, -5);
    open();
    metrics.take();
    click(table->cellForRowAtIndexPath(IndexPath(0, 0)));
    auto* page = qobject_cast<DetailPlaceholderPage*>(navigation->topViewController());
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->titleLabel()->text(), u"Alpha"_s);
    EXPECT_EQ(metrics.take(), (QList<Metric>{{u"Show details pressed"_s, u"Details"_s}}));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !table->indexPathForSelectedRow(); }));
    click(page->backButton());
    ASSERT_TRUE(QTest::qWaitFor([&] { return navigation->topViewController() == screen; }));

    // The keyboard opens the selected row, and other screens may ask for a game's details.
    table->setFocus();
    QTest::keyClick(table, Qt::Key_Down);
    QTest::keyClick(table, Qt::Key_Return);
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
    for (bool send : {false, true}) {
        click("iconGear");
        ASSERT_EQ(ActionSheet::visibleSheets().size(), 1);
        ActionSheet* sheet = ActionSheet::visibleSheets().first();
        EXPECT_EQ(sheet->title(), u"Got ideas for us, let us know!"_s);
        EXPECT_EQ(sheet->buttonTitles(), (QStringList{u"Send feedback"_s, u"Cancel"_s}));
        sheet->dismissWithClickedButtonIndex(
            send ? sheet->destructiveButtonIndex() : sheet->cancelButtonIndex(), true);
        EXPECT_EQ(posted, send ? 1 : 0);
    }
    NotificationCenter::defaultCenter()->removeObserver(&observer);
}
