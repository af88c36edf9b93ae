#include "RootViewController.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <memory>

#include "ActionSheet.h"
#include "Animator.h"
#include "BrowsingTestSupport.h"
#include "Button.h"
#include "DetailPage.h"
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

using namespace Qt::Literals::StringLiterals;

namespace {

// The list screen in a 320 x 480 window under a navigation stack with its bar hidden, as the
// application builds it, over the test's own games. Animations end at once and the screen's
// delays run at the next turn of the event loop; the screen's controls are found by name.
class ListScreen : public testing::Test {
protected:
    ListScreen() {
        Animator::setImmediate(true);
        UserDefaults::resetStandardUserDefaults();
    }
    ~ListScreen() override {
        window.reset();
        UserDefaults::resetStandardUserDefaults();
        Animator::setImmediate(false);
    }

    Game* add(const QString& title, int releaseInDays, std::optional<float> critic = {}) {
        const QDateTime release(QDate::currentDate().addDays(releaseInDays), QTime(12, 0));
        Game* game = store.add(title, release, critic);
        game->setScoreCritic(critic);
        return game;
    }
    // Opens the screen (again, as a restart that reads the defaults' file) and waits for its
    // first list.
    void open() {
        if (window) {
            window.reset();
            UserDefaults::resetStandardUserDefaults();
        }
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
        fetched = std::make_unique<QSignalSpy>(screen, &RootViewController::fetched);
        window->show();
        QCoreApplication::processEvents();  // the platform's expose event
        ASSERT_TRUE(window->windowHandle()->isExposed());
        settle();
        ASSERT_FALSE(fetched->isEmpty());
        table = find<TableView>("tableView");
        fetched->clear();
    }
    // Plays out the screen's timed steps (fetches, the panel's closing, deselecting).
    void settle() {
        ASSERT_TRUE(Animator::runPendingDelays());
        ASSERT_EQ(screen->pendingFetches(), 0);
        QCoreApplication::processEvents();  // the layouts the steps asked for
    }
    template <class T = Button>
    T* find(const char* name) const {
        T* found = screen->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    bool panelOpen() const { return find<QWidget>("exploreSliderOverlay")->isVisible(); }
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
        settle();
    }
    QString listed() const { return titlesOf(screen->model()->fetchedResultsController()); }

    MetricRecorder metrics;
    TestStore store;
    std::unique_ptr<QWidget> window;
    NavigationController* navigation = nullptr;
    RootViewController* screen = nullptr;
    TableView* table = nullptr;
    std::unique_ptr<QSignalSpy> fetched;
};

}  // namespace

TEST_F(ListScreen, FirstStartShowsAllGamesByDateWithTheNextReleaseInTheMiddle) {
    for (int i = 1; i <= 40; ++i) {
        add(u"Past %1"_s.arg(i), -7 * i, float(i % 5) + 0.5f);
        add(u"Coming %1"_s.arg(i), 9 * i, float(i % 5) + 0.5f);
    }
    open();
    EXPECT_EQ(screen->windowTitle(), u"Games"_s);
    QStringList selected;
    for (const char* name : {"allTab", "myTab", "exploreTab", "dateFilter", "scoreFilter",
                             "dateFilterExplore", "scoreFilterExplore"}) {
        selected << (find(name)->isSelected() ? QString::fromLatin1(name) : QString());
    }
    EXPECT_EQ(selected.join(u' ').simplified(), u"allTab dateFilter dateFilterExplore"_s);
    EXPECT_TRUE(find("wishFilter")->isHidden() && find("exploreFilterButtonScore")->isHidden());
    EXPECT_FALSE(panelOpen());
    EXPECT_EQ(find<QLabel>("statusLeft")->text(), u"Questlog: Wii Style"_s);
    EXPECT_EQ(find<QLabel>("statusRight")->text(), u"80 games"_s);

    // The release nearest today ("Coming 1", in 9 days) comes to the middle of the list, under
    // its section's header, which counts the section's games.
    const IndexPath target = screen->model()->scrollAfterFetch(std::nullopt).row;
    ASSERT_EQ(screen->model()->getGameWithSectionedIndexPath(target)->title(), u"Coming 1"_s);
    const int middle = table->contentOffsetY() + table->viewport()->height() / 2;
    EXPECT_LE(qAbs(table->rectForRowAtIndexPath(target).center().y() - middle), 2);
    auto* header = qobject_cast<TableHeaderRow*>(screen->viewForHeaderInSection(table, 1));
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->label()->text(), screen->titleForHeaderInSection(table, 1));
    EXPECT_EQ(header->count()->text(), u"%1 games"_s.arg(screen->numberOfRowsInSection(table, 1)));
    EXPECT_EQ(screen->viewForHeaderInSection(table, 1), header);  // kept until the list changes
}

TEST_F(ListScreen, MyTabShowsTheLastUserListAndARestartRestoresIt) {
    add(u"Wished"_s, -2)->setMyIsWished(1);
    add(u"Played"_s, -4)->setMyIsPlayed(1);
    add(u"Neither"_s, -6);
    open();
    click("allTab");  // the tab shown: nothing happens
    EXPECT_EQ(fetched->count(), 0);
    click("myTab");
    EXPECT_EQ(listed(), u"Wished"_s);
    EXPECT_TRUE(find("wishFilter")->isVisible() && find("wishFilter")->isSelected());
    click("playedFilter");
    EXPECT_EQ(listed(), u"Played"_s);
    EXPECT_TRUE(find("playedFilter")->isSelected() && !find("wishFilter")->isSelected());
    click("scoreFilter");
    EXPECT_TRUE(find("scoreFilter")->isSelected());
    EXPECT_EQ(metrics.take(),
              u"My pressed@List Tab; Played pressed@Filter button; Score pressed@Sort button"_s);
    open();
    EXPECT_TRUE(find("myTab")->isSelected() && find("scoreFilter")->isSelected());
    EXPECT_EQ(listed(), u"Played"_s);
    click("allTab");
    EXPECT_EQ(listed(), u"Wished, Played, Neither"_s);  // unscored: newest first
    EXPECT_TRUE(find("playedFilter")->isHidden());
}

TEST_F(ListScreen, TheExplorePanelAndItsControls) {
    add(u"Good action"_s, -5, 3.5f)->setGenreCode(u"ACTION"_s);
    add(u"Weak action"_s, -6, 2.0f)->setGenreCode(u"ACTION"_s);
    add(u"Good puzzle"_s, -7, 4.5f)->setGenreCode(u"PUZZLE"_s);
    open();
    // Entering Explore opens the panel without a refetch; a second press closes it, and the
    // refetch that follows shows the choice buttons. Opened and closed with the choice buttons
    // or Escape, nothing changed, it does not refetch.
    click("exploreTab");
    EXPECT_TRUE(panelOpen() && find("exploreTab")->isSelected());
    EXPECT_EQ(fetched->count(), 0);
    click("exploreTab");
    EXPECT_FALSE(panelOpen());
    EXPECT_EQ(fetched->count(), 1);
    EXPECT_EQ(find("exploreFilterButtonGenre")->currentTitle(), u"any genre"_s);
    click("exploreFilterButtonGenre");
    EXPECT_TRUE(panelOpen());
    click("exploreFilterButtonScore");
    EXPECT_FALSE(panelOpen());
    click("exploreFilterButtonESRB");
    QTest::keyClick(table, Qt::Key_Escape);
    settle();
    EXPECT_FALSE(panelOpen());
    EXPECT_EQ(fetched->count(), 1);
    click("exploreFilterButtonScore");

    // The score thumb grabbed 10 below its top and moved to the "3+ stars" slot: the choice
    // button follows in every state; a release refetches with every control's choice.
    auto* score = find<ExploreDragView>("exploreScoreDragView");
    auto* genre = find<ExploreDragView>("exploreGenreDragView");
    QWindow* handle = window->windowHandle();
    QTest::mousePress(handle, Qt::LeftButton, {}, inWindow(score, QPoint(76, 42)));
    QTest::mouseMove(handle, inWindow(score, QPoint(76, 92)));
    EXPECT_EQ(find("exploreFilterButtonScore")->titleForState(Button::State::Highlighted),
              u"3+ stars"_s);
    QTest::mouseRelease(handle, Qt::LeftButton, {}, inWindow(score, QPoint(76, 92)));
    settle();
    EXPECT_EQ(listed(), u"Good action, Good puzzle"_s);
    QTest::mousePress(handle, Qt::LeftButton, {}, inWindow(genre, QPoint(76, 40)));
    QTest::mouseMove(handle, inWindow(genre, QPoint(76, 56)));  // the "action" slot
    QTest::mouseRelease(handle, Qt::LeftButton, {}, inWindow(genre, QPoint(76, 56)));
    settle();
    EXPECT_EQ(listed(), u"Good action"_s);
    EXPECT_TRUE(find("exploreFilterButtonScore")->isSelected());
    EXPECT_FALSE(find("exploreFilterButtonESRB")->isSelected());
    EXPECT_EQ(find("exploreFilterButtonGenre")->currentTitle(), u"action"_s);
    EXPECT_TRUE(panelOpen());

    // A search closes the panel only with text; either way the keyboard goes away.
    auto* field = find<QLineEdit>("searchField");
    for (const QString& text : {QString(), u"kept?"_s}) {
        field->setText(text);
        click(field);
        QTest::keyClick(field, Qt::Key_Return);
        settle();
        EXPECT_TRUE(!field->hasFocus() && table->hasFocus());
        EXPECT_EQ(panelOpen(), text.isEmpty());
    }
    EXPECT_EQ(listed(), QString());

    // Leaving Explore keeps the controls but drops their filters and the search; coming back
    // resets them.
    click("allTab");
    EXPECT_EQ(score->currentValue(), 3);
    EXPECT_EQ(listed(), u"Good action, Weak action, Good puzzle"_s);
    click("exploreTab");
    EXPECT_EQ(score->currentValue() + genre->currentValue(), 0);
    EXPECT_TRUE(field->text().isEmpty());
}

TEST_F(ListScreen, DetailChangesRefetchKeepingTheTopRowClampedToTheShorterList) {
    QList<Game*> wished;  // thirty in one section, newest first
    for (int i = 1; i <= 30; ++i) {
        wished.append(add(u"Wish %1"_s.arg(i), -4000 - i));
        wished.last()->setMyIsWished(1);
    }
    UserDefaults::standardUserDefaults()->setObject(u"MY"_s, GameListModel::kDefaultTab);
    open();
    NotificationCenter* center = NotificationCenter::defaultCenter();
    center->postNotificationName(u"NOTIF_GAME_PLAYED_CHANGED"_s);  // no change to wished games
    EXPECT_EQ(screen->pendingFetches(), 0);

    // Row 10 at the top; un-wishing the first game moves every row up by one, and the screen
    // stays at row 10. Near the end, with most of the list gone, the place is clamped.
    table->setContentOffset(table->rectForRowAtIndexPath(IndexPath(0, 10)).topLeft(), false);
    wished[0]->setMyIsWished(0);
    center->postNotificationName(u"NOTIF_GAME_WISH_CHANGED"_s);
    settle();
    EXPECT_EQ(screen->getCurrentIndexPath(), IndexPath(0, 10));
    EXPECT_EQ(qobject_cast<GameRowCell*>(table->firstVisibleCell())->game(), wished[11]);
    table->setContentOffset(table->rectForRowAtIndexPath(IndexPath(0, 24)).topLeft(), false);
    for (int i = 1; i <= 25; ++i) {
        wished[i]->setMyIsWished(0);
    }
    center->postNotificationName(u"NOTIF_GAME_WISH_CHANGED"_s);
    settle();
    EXPECT_EQ(listed(), u"Wish 27, Wish 28, Wish 29, Wish 30"_s);
    EXPECT_EQ(table->contentOffsetY(), table->contentHeight() - table->viewport()->height());

    // A catalogue update and the end of the install refetch in any case.
    center->postNotificationName(u"NOTIF_GAMES_UPDATED"_s);
    center->postNotificationName(u"NOTIF_INSTALLING_BUNDLE_FILE_END"_s);
    EXPECT_EQ(screen->pendingFetches(), 2);
}

TEST_F(ListScreen, RowsOpenTheirGameAndTheGearAsksForFeedback) {
    for (int i = 0; i < 10; ++i) {
        add(u"Game %1"_s.arg(i, 3, 10, QChar(u'0')), -i);
    }
    open();
    metrics.take();
    click(table->cellForRowAtIndexPath(IndexPath(0, 0)));
    auto* page = qobject_cast<DetailPage*>(navigation->topViewController());
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->titleLabel()->text(), u"Game 000"_s);
    EXPECT_EQ(metrics.take(), u"Show details pressed@Details"_s);
    EXPECT_FALSE(table->indexPathForSelectedRow());
    click(page->backButton());
    ASSERT_EQ(navigation->topViewController(), screen);
    Game* other = store.gamesByTitle().at(7);
    NotificationCenter* center = NotificationCenter::defaultCenter();
    center->postNotificationName(u"NOTIF_SHOW_GAME_DETAILS"_s, QVariant::fromValue(other));
    page = qobject_cast<DetailPage*>(navigation->topViewController());
    ASSERT_TRUE(page && page->game() == other);
    navigation->popViewControllerAnimated(false);

    // Each button of the options sheet asks for its own work; Cancel for none.
    QStringList posted;
    const QStringList asked = {u"NOTIF_SEND_FEEDBACK_EMAIL"_s, u"NOTIF_EXPORT_MY_LISTS"_s,
                               u"NOTIF_IMPORT_MY_LISTS"_s};
    for (const QString& name : asked) {
        center->addObserver(this, name, [&](const Notification& note) { posted << note.name(); });
    }
    const QStringList titles = {u"Send feedback"_s, u"Export my lists…"_s, u"Import my lists…"_s,
                                u"Cancel"_s};
    for (int button = 0; button < titles.size(); ++button) {
        click("iconGear");
        ASSERT_EQ(ActionSheet::visibleSheets().size(), 1);
        ActionSheet* sheet = ActionSheet::visibleSheets().first();
        EXPECT_EQ(sheet->title(), u"Got ideas for us, let us know!"_s);
        EXPECT_EQ(sheet->buttonTitles(), titles);
        sheet->dismissWithClickedButtonIndex(button, true);
        EXPECT_EQ(posted, asked.mid(0, std::min<int>(button + 1, asked.size())));
    }
    center->removeObserver(this);
}

// What a screen reader finds: every control named, its state and choice following the screen,
// and the list's items are its rows (each read as its cell says).
TEST_F(ListScreen, ScreenReadersReadEveryControlItsChoiceAndEachRow) {
    for (int i = 0; i < 8; ++i) {
        add(u"Game %1"_s.arg(i), -3 * i);
    }
    open();
    const auto reader = [](QObject* control) {
        return QAccessible::queryAccessibleInterface(control);
    };
    QAccessibleInterface* list = reader(table);
    ASSERT_EQ(list->childCount(), table->visibleCells().size());
    for (int i = 0; i < list->childCount(); ++i) {
        auto* cell = qobject_cast<GameRowCell*>(list->child(i)->object());
        ASSERT_NE(cell, nullptr);
        EXPECT_TRUE(list->child(i)->text(QAccessible::Name).startsWith(cell->game()->title()));
        EXPECT_EQ(list->child(i)->text(QAccessible::Name), cell->accessibleName());
    }

    QList<QWidget*> controls;
    for (QWidget* control : screen->findChildren<QWidget*>()) {
        if (qobject_cast<QAbstractButton*>(control) || qobject_cast<QLineEdit*>(control) ||
            qobject_cast<ExploreDragView*>(control) || control == table) {
            controls.append(control);
        }
    }
    ASSERT_GE(controls.size(), 17);
    for (QWidget* control : controls) {
        EXPECT_FALSE(reader(control)->text(QAccessible::Name).isEmpty())
            << control->objectName().toStdString();
    }

    // The tabs say which is chosen; an explore control's choice is its value and the
    // description of its button, and follows the control.
    click("exploreTab");
    for (const char* tab : {"allTab", "myTab", "exploreTab"}) {
        EXPECT_EQ(reader(find(tab))->state().checked, find(tab)->isSelected()) << tab;
    }
    auto* genre = find<ExploreDragView>("exploreGenreDragView");
    Button* genreButton = find("exploreFilterButtonGenre");
    const QString any = reader(genre)->text(QAccessible::Value);
    EXPECT_EQ(reader(genreButton)->text(QAccessible::Description), any);
    // A reader sets it as a drag would: the list refetches.
    ASSERT_NE(reader(genre)->valueInterface(), nullptr);
    reader(genre)->valueInterface()->setCurrentValue(19);
    settle();
    EXPECT_EQ(fetched->count(), 1);
    EXPECT_EQ(reader(genre)->text(QAccessible::Value), u"puzzle"_s);
    EXPECT_EQ(reader(genreButton)->text(QAccessible::Description), genreButton->currentTitle());
}

// Ctrl+F opens the search where it lives, Alt+1/2/3 choose the tabs, Escape closes the panel
// and leaves a game's page; none acts from another screen.
TEST_F(ListScreen, TheKeyboardFindsChoosesTabsAndGoesBack) {
    for (int i = 0; i < 5; ++i) {
        add(u"Game %1"_s.arg(i), -i);
    }
    open();
    QApplication::setActiveWindow(window.get());  // at once, as the keys need it
    auto* field = find<QLineEdit>("searchField");
    struct Step {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        const char* tab;
        bool panel, searching;
    };
    // clang-format off
    const Step steps[] = {
        {Qt::Key_2, Qt::AltModifier, "myTab", false, false},
        {Qt::Key_F, Qt::ControlModifier, "exploreTab", true, true},
        {Qt::Key_Escape, {}, "exploreTab", false, false},
        {Qt::Key_F, Qt::ControlModifier, "exploreTab", true, true},  // the panel again
        {Qt::Key_1, Qt::AltModifier, "allTab", false, false},
        {Qt::Key_3, Qt::AltModifier, "exploreTab", true, false},
        {Qt::Key_1, Qt::AltModifier, "allTab", false, false},
    };
    // clang-format on
    for (const Step& step : steps) {
        SCOPED_TRACE(QKeySequence(step.key | step.modifiers).toString().toStdString());
        field->setText(u"typed"_s);
        QTest::keyClick(QApplication::focusWidget(), step.key, step.modifiers);
        settle();
        EXPECT_TRUE(find(step.tab)->isSelected());
        EXPECT_EQ(panelOpen(), step.panel);
        EXPECT_EQ(field->hasFocus(), step.searching);
        EXPECT_EQ(field->selectedText(), step.searching ? field->text() : QString());
        EXPECT_TRUE(field->hasFocus() || table->hasFocus());
    }

    // Tab walks the controls in view from the top; Space on the gear opens the options, whose
    // sheet takes the keys until Escape gives them back.
    find("allTab")->setFocus(Qt::TabFocusReason);
    QList<QWidget*> walked;
    for (int i = 0; i < 6; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        walked.append(QApplication::focusWidget());
    }
    EXPECT_EQ(walked, (QList<QWidget*>{find("myTab"), find("exploreTab"), find("dateFilter"),
                                       find("scoreFilter"), table, find("iconGear")}));
    QTest::keyClick(find("iconGear"), Qt::Key_Space);
    ASSERT_EQ(ActionSheet::visibleSheets().size(), 1);
    ActionSheet* sheet = ActionSheet::visibleSheets().first();
    ASSERT_TRUE(sheet->isAncestorOf(QApplication::focusWidget()));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(sheet)->text(QAccessible::Name),
              sheet->title());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_2, Qt::AltModifier);  // not beneath it
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_TRUE(ActionSheet::visibleSheets().isEmpty());
    EXPECT_TRUE(find("iconGear")->hasFocus());
    EXPECT_TRUE(find("allTab")->isSelected());

    QTest::keyClick(table, Qt::Key_Down);
    QTest::keyClick(table, Qt::Key_Return);
    auto* page = qobject_cast<DetailPage*>(navigation->topViewController());
    ASSERT_NE(page, nullptr);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_2, Qt::AltModifier);
    EXPECT_TRUE(find("allTab")->isSelected());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_EQ(navigation->topViewController(), screen);
}
