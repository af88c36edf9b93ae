// Seeded random actions through the wii build's window, in one process, against questlog-services
// answering a fifth of its requests with a fault: clicks anywhere, keys, drags by mouse and finger
// on the explore controls and the star bar, tabs, sorts, searches, scrolling, games opened and
// left, marks set, sheets, menus and mails answered. Nothing may crash, hang or trip a sanitizer,
// and at the end the store file holds exactly the marks the run set.
//
// The ledger of marks is kept from what the run did and saw, never from the store: after every
// action on a game's page its wish and played buttons and its star bar are written down under the
// page's game, so raw clicks, keys and drags that land on a mark control count as the controls
// show them. A press aimed at a mark control must also make the change the screen's rules make,
// and a page that opens must show what the ledger holds for its game.
//
// QUESTLOG_MONKEY_SEED and QUESTLOG_MONKEY_ACTIONS choose the seed (printed) and the count.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <iostream>
#include <numeric>

#include "ActionSheet.h"
#include "Animator.h"
#include "Button.h"
#include "DetailPage.h"
#include "ExploreDragView.h"
#include "Game.h"
#include "IntegrationSupport.h"
#include "LaunchSupport.h"
#include "MobiWebViewController.h"
#include "Model.h"
#include "Questlog3AppDelegate.h"
#include "RootViewController.h"
#include "ScopedEnv.h"
#include "SqliteStatement.h"
#include "StarBarView.h"
#include "TableView.h"
#include "TableViewCell.h"
#include "UserDefaults.h"

using namespace Qt::Literals::StringLiterals;

namespace {

struct Marks {
    bool wished = false;
    bool played = false;
    float score = 0;
    bool any() const { return wished || played || score > 0; }
    // Scores compare as the store keeps them, a float through a REAL column.
    bool operator==(const Marks& other) const {
        return wished == other.wished && played == other.played &&
               std::abs(score - other.score) < 1e-4f;
    }
};

void PrintTo(const Marks& marks, std::ostream* out) {
    *out << (marks.wished ? "wished " : "") << (marks.played ? "played " : "") << marks.score;
}

using Ledger = std::map<std::string, Marks>;

// The marked games in the store file, read as any other client of the file would.
Ledger storedMarks(const QString& home) {
    SqliteConnection db(home + u"/Questlog3.sqlite"_s, SqliteConnection::ReadOnly);
    SqliteStatement rows(db,
                         u"SELECT idCriticon, myIsWished, myIsPlayed, myScore FROM Game "
                         "WHERE myIsWished OR myIsPlayed OR myScore > 0"_s);
    Ledger marks;
    while (rows.step() == SqliteStatement::Step::Row) {
        marks[rows.columnText(0).toStdString()] = {
            rows.columnInt64(1) != 0, rows.columnInt64(2) != 0, float(rows.columnDouble(3))};
    }
    return marks;
}

const QStringList kSearches = {u""_s,  u"a"_s,  u"the"_s,    u"race"_s,        u"ZZZZ"_s,
                               u"é"_s, u"%"_s,  u"_"_s,      u"'"_s,           u"\\"_s,
                               u"🎮"_s, u"\""_s, u"Ｗｉｉ"_s, u"' OR 1=1 --"_s, QString(300, u'x')};
// The list screen's buttons, by name.
const QStringList kListControls =
    u"allTab myTab exploreTab dateFilter scoreFilter wishFilter ratedFilter playedFilter "
    "dateFilterExplore scoreFilterExplore iconGear exploreFilterButtonScore "
    "exploreFilterButtonGenre"_s.split(u' ');

// Random hands on the window: clicks (left, double, right), drags by mouse and by finger, keys,
// wheel turns, answers to whatever popup is open and aimed presses on the screens' controls, all
// from one seeded generator and delivered as the window system delivers them; and the ledger.
// Each action answers false when it has nothing to act on now.
class Monkey {
public:
    Monkey(Questlog3AppDelegate& app, quint32 seed)
        : app_(app), window_(app.window()), random_(seed) {}

    Ledger ledger;

    int draw(int below) { return random_.bounded(below); }
    QWidget* top() const { return app_.navigationController()->topViewController(); }
    RootViewController* list() const {
        return top() == app_.rootViewController() && !popup() ? app_.rootViewController() : nullptr;
    }
    DetailPage* page() const { return qobject_cast<DetailPage*>(top()); }
    static Marks shown(const DetailPage* page) {
        return {page->btnWish()->isSelected(), page->btnPlayed()->isSelected(),
                page->starBarView()->myScore()};
    }
    // Whatever takes the window's input from the screens: a menu, a dialog, a sheet, a mail.
    QWidget* popup() const {
        QWidget* open = QApplication::activePopupWidget();
        open = open ? open : QApplication::activeModalWidget();
        const QList<ActionSheet*> sheets = ActionSheet::visibleSheets();
        return open               ? open
               : sheets.isEmpty() ? app_.navigationController()->modalViewController()
                                  : sheets.last();
    }
    // Plays out what the last action set going: events, then the program's delays.
    void settle() {
        QCoreApplication::processEvents();
        Animator::runPendingDelays();
        QCoreApplication::processEvents();
        // The window manager's part: the window is active again once no dialog is open.
        if (!QApplication::activeModalWidget() && !window_->isActiveWindow()) {
            window_->activateWindow();
            QCoreApplication::processEvents();
        }
    }

    bool click() {
        const QPoint at = somewhere(window_);
        const int kind = draw(8);
        if (kind == 1) {
            // Some of Qt's own context menus (a scroll bar's) run an event loop of their own:
            // the menu is closed from inside it, as a user closes it.
            QTimer::singleShot(0, qApp, [] {
                if (QWidget* menu = QApplication::activePopupWidget()) {
                    menu->close();
                }
            });
        }
        QTest::mouseEvent(kind == 0 ? QTest::MouseDClick : QTest::MouseClick,
                          window_->windowHandle(), kind == 1 ? Qt::RightButton : Qt::LeftButton, {},
                          at);
        return true;
    }
    bool dragAnywhere() { return drag(somewhere(window_), somewhere(window_)), true; }
    bool key() {
        static const QList<Qt::Key> keys = {
            Qt::Key_Up,       Qt::Key_Down,   Qt::Key_Left,  Qt::Key_Right,  Qt::Key_PageUp,
            Qt::Key_PageDown, Qt::Key_Home,   Qt::Key_End,   Qt::Key_Tab,    Qt::Key_Backtab,
            Qt::Key_Return,   Qt::Key_Escape, Qt::Key_Space, Qt::Key_Delete, Qt::Key_Backspace,
            Qt::Key_0,        Qt::Key_3,      Qt::Key_5,     Qt::Key_A,      Qt::Key_Z};
        // To the active window: the dialog open over the window, or the window. Not to a folder
        // chooser, whose Return may ask a question in an event loop of its own.
        QWidget* modal = QApplication::activeModalWidget();
        if (qobject_cast<QFileDialog*>(modal)) {
            return false;
        }
        QTest::keyClick((modal ? modal->window() : window_)->windowHandle(), pick(keys));
        return true;
    }
    bool scroll() {
        const QPoint at = somewhere(window_);
        QWidget* under = window_->childAt(at);
        if (!under) {
            return false;
        }
        QWheelEvent wheel(under->mapFrom(window_, at), window_->mapToGlobal(at), {},
                          QPoint(0, 120 * (draw(11) - 5)), Qt::NoButton, {}, Qt::NoScrollPhase,
                          false);
        QApplication::sendEvent(under, &wheel);
        return true;
    }
    bool answerPopup() {
        QWidget* open = popup();
        if (!open) {
            return false;
        }
        QList<QAbstractButton*> buttons = open->findChildren<QAbstractButton*>();
        buttons.removeIf(
            [](QAbstractButton* button) { return !button->isVisible() || !button->isEnabled(); });
        // A folder chooser (a draft's) is backed out of, as its buttons make folders; a menu (a
        // text's own) is closed.
        if (!qobject_cast<QFileDialog*>(open) && !buttons.isEmpty()) {
            QTest::mouseClick(pick(buttons), Qt::LeftButton);
        } else if (auto* dialog = qobject_cast<QDialog*>(open)) {
            dialog->reject();
        } else {
            open->close();
        }
        return true;
    }
    bool pressControl() {
        QWidget* control = nullptr;
        if (list()) {
            control = list()->findChild<QWidget*>(pick(kListControls));
        } else if (DetailPage* shownPage = page()) {
            control = pick(QList<QWidget*>{shownPage->tabSummary(), shownPage->tabReviews(),
                                           shownPage->tabScreens(), shownPage->tabOther(),
                                           shownPage->optionsButton()});
        }
        return control && (press(control), true);
    }
    bool leave() {
        auto* viewer = qobject_cast<MobiWebViewController*>(top());
        QAbstractButton* way = page()   ? page()->backButton()
                               : viewer ? viewer->closeBrowserButton()
                                        : nullptr;
        return way && (press(way), true);
    }
    // A drag of an explore control's thumb; the panel is opened first when it is closed.
    bool exploreDrag() {
        auto* control = list() ? pick(list()->findChildren<ExploreDragView*>()) : nullptr;
        if (!control) {
            return false;
        }
        if (!control->isVisible()) {
            press(list()->findChild<QWidget*>(u"exploreTab"_s));
        } else {
            drag(centreOf(control->thumbView()), somewhere(control, 30));
        }
        return true;
    }
    bool search() {
        auto* field = list() ? list()->findChild<QLineEdit*>(u"searchField"_s) : nullptr;
        if (!field || !field->isVisible()) {
            return false;
        }
        press(field);
        field->selectAll();
        // Typed key by key where there are keys for it; other text comes as one input.
        const QString text = pick(kSearches);
        if (std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; })) {
            QTest::keyClicks(field, text);
        } else {
            QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, text, {});
        }
        QTest::keyClick(field, Qt::Key_Return);
        return true;
    }
    bool openGame() {
        auto* table = list() ? list()->findChild<TableView*>(u"tableView"_s) : nullptr;
        if (!table || table->visibleCells().isEmpty()) {
            return false;
        }
        press(pick(table->visibleCells()));
        if (DetailPage* opened = page()) {
            EXPECT_EQ(shown(opened), ledger[opened->game()->idCriticon().toStdString()])
                << "the page of " << opened->game()->idCriticon().toStdString();
        }
        return true;
    }
    // Wish or played, pressed; when the press lands, the marks change as the rules say.
    bool mark() {
        DetailPage* shownPage = page();
        if (!shownPage) {
            return false;
        }
        const bool wish = draw(2);
        Marks expected = shown(shownPage);
        if (wish) {
            expected.wished = !expected.wished;
        } else {
            expected.played = !expected.played;
            expected.wished = expected.wished && !expected.played;
        }
        if (press(wish ? shownPage->btnWish() : shownPage->btnPlayed())) {
            EXPECT_EQ(shown(shownPage), expected);
        }
        return true;
    }
    // A whole-star score by key: a score makes the game played and not wished, 0 removes it.
    bool rateByKey() {
        DetailPage* shownPage = page();
        if (!shownPage || popup() || !shownPage->starBarView()->isVisible()) {
            return false;
        }
        const int stars = draw(6);
        const Marks before = shown(shownPage);
        const Marks expected =
            stars > 0 ? Marks{false, true, float(stars)} : Marks{before.wished, before.played, 0};
        shownPage->starBarView()->setFocus();
        QTest::keyClick(shownPage->starBarView(), Qt::Key(Qt::Key_0 + stars));
        EXPECT_EQ(shown(shownPage), expected);
        return true;
    }
    // A drag of the user's flyout or a tap on the bar: a kept score leaves the game played and
    // not wished, a removed one leaves both marks as they were.
    bool rateByHand() {
        DetailPage* shownPage = page();
        StarBarView* bar = shownPage ? shownPage->starBarView() : nullptr;
        if (!bar || popup() || !bar->isVisible()) {
            return false;
        }
        const Marks before = shown(shownPage);
        if (draw(3) == 0) {
            clickAt(somewhere(bar));
        } else {
            drag(centreOf(bar->flyoutView()), somewhere(bar, 60));
        }
        settle();
        const Marks now = shown(shownPage);
        if (now.score > 0 && !(now == before)) {
            EXPECT_TRUE(now.played && !now.wished) << testing::PrintToString(now);
        } else if (now.score == 0) {
            EXPECT_TRUE(now.wished == before.wished && now.played == before.played)
                << testing::PrintToString(now);
        }
        return true;
    }

private:
    template <class List>
    typename List::value_type pick(const List& among) {
        return among.at(draw(int(among.size())));
    }
    QPoint centreOf(const QWidget* widget) const {
        return widget->mapTo(window_, widget->rect().center());
    }
    // A point on the widget, or up to `margin` beyond its edges.
    QPoint somewhere(const QWidget* widget, int margin = 0) {
        const QRect area = widget->rect().adjusted(-margin, -margin, margin, margin);
        return widget->mapTo(window_,
                             QPoint(area.x() + draw(area.width()), area.y() + draw(area.height())));
    }
    void clickAt(QPoint at) { QTest::mouseClick(window_->windowHandle(), Qt::LeftButton, {}, at); }
    // A click at the widget's centre; true when it went where it was aimed, with nothing
    // covering the widget there (judged before the click, which may take the widget away).
    bool press(QWidget* widget) {
        if (!widget || !widget->isVisible()) {
            return false;
        }
        const QWidget* under = window_->childAt(centreOf(widget));
        const bool aimed = !popup() && (under == widget || widget->isAncestorOf(under));
        clickAt(centreOf(widget));
        return aimed;
    }
    // Press, one to four moves, release: with the mouse, or now and then with a finger.
    void drag(QPoint from, QPoint to) {
        static QPointingDevice* const finger = QTest::createTouchDevice();
        QWindow* handle = window_->windowHandle();
        const int steps = 1 + draw(4);
        const bool touch = draw(3) == 0;
        touch ? void(QTest::touchEvent(handle, finger).press(0, from, handle))
              : QTest::mousePress(handle, Qt::LeftButton, {}, from);
        for (int i = 1; i <= steps; ++i) {
            const QPoint at = from + (to - from) * i / steps;
            touch ? void(QTest::touchEvent(handle, finger).move(0, at, handle))
                  : QTest::mouseMove(handle, at);
        }
        touch ? void(QTest::touchEvent(handle, finger).release(0, to, handle))
              : QTest::mouseRelease(handle, Qt::LeftButton, {}, to);
    }

    Questlog3AppDelegate& app_;
    QWidget* window_;
    QRandomGenerator random_;
};

struct Action {
    const char* name;
    int weight;
    bool (Monkey::*run)();
};

const std::vector<Action> kActions = {
    {"click", 12, &Monkey::click},
    {"drag anywhere", 4, &Monkey::dragAnywhere},
    {"key", 10, &Monkey::key},
    {"scroll", 5, &Monkey::scroll},
    {"answer a popup", 12, &Monkey::answerPopup},
    {"press a control", 12, &Monkey::pressControl},
    {"leave", 6, &Monkey::leave},
    {"explore drag", 8, &Monkey::exploreDrag},
    {"search", 5, &Monkey::search},
    {"open a game", 10, &Monkey::openGame},
    {"wish or played", 14, &Monkey::mark},
    {"rate by key", 6, &Monkey::rateByKey},
    {"rate by hand", 8, &Monkey::rateByHand},
};

quint32 fromEnvironment(const char* name, quint32 fallback) {
    bool ok = false;
    const quint32 value = qEnvironmentVariable(name).toUInt(&ok);
    return ok ? value : fallback;
}

}  // namespace

TEST(Monkey, RandomActionsThroughTheWindowKeepEveryMarkTheySet) {
    const quint32 seed = fromEnvironment("QUESTLOG_MONKEY_SEED", 17);
    const int count = int(fromEnvironment("QUESTLOG_MONKEY_ACTIONS", 2000));
    std::cout << "monkey: seed " << seed << ", " << count << " actions" << std::endl;

    Services services({u"--port"_s, u"0"_s, u"--quiet"_s, u"--fail-rate"_s, u"0.2"_s,
                       u"--stall-ms"_s, u"300"_s, u"--seed"_s, QString::number(seed)});
    ASSERT_FALSE(services.url.isEmpty());
    const QString home = qEnvironmentVariable("QUESTLOG_HOME");
    const QByteArray url = services.url.toUtf8();
    const QTemporaryDir outbox;
    ScopedEnv catalogue("QUESTLOG_CATALOGUE_SERVICE", url), review("QUESTLOG_REVIEW_SERVICE", url),
        metrics("QUESTLOG_METRICS_SERVICE", url), site("QUESTLOG_REVIEW_SITE", url + "/site/"),
        mail("QUESTLOG_MAIL_OUTBOX", outbox.path().toUtf8());
    Model::resetInstance();
    Animator::setImmediate(true);
    {
        // A first start installs the shipped catalogue; the catalogue service is asked for
        // updates from the next start on, so the run below meets an update merge.
        Questlog3AppDelegate first;
        ASSERT_TRUE(launchUntilInstalled(first));
        first.applicationWillTerminate();
    }
    UserDefaults::resetStandardUserDefaults();
    {
        Questlog3AppDelegate app;
        app.applicationDidFinishLaunching();
        Monkey monkey(app, seed);
        const int total = std::accumulate(kActions.begin(), kActions.end(), 0,
                                          [](int sum, const Action& a) { return sum + a.weight; });
        std::map<std::string, int> ran;
        QElapsedTimer clock;
        clock.start();
        for (int step = 0; step < count && !testing::Test::HasFailure(); ++step) {
            monkey.settle();
            const Action* action = nullptr;
            for (bool acted = false; !acted;) {
                int draw = monkey.draw(total);
                for (action = kActions.data(); draw >= action->weight; ++action) {
                    draw -= action->weight;
                }
                SCOPED_TRACE(testing::Message()
                             << "seed " << seed << ", action " << step << ": " << action->name);
                acted = (monkey.*action->run)();
            }
            ++ran[action->name];
            monkey.settle();
            if (DetailPage* page = monkey.page()) {
                monkey.ledger[page->game()->idCriticon().toStdString()] = Monkey::shown(page);
            }
        }
        std::cout << "monkey: " << count << " actions in " << clock.elapsed() << " ms:";
        for (const auto& [name, times] : ran) {
            std::cout << " " << name << " " << times << ",";
        }
        std::cout << std::endl;

        // Everything answered: what the program saved by itself must be the ledger's, and so
        // must what it holds after a quit that saves.
        for (int i = 0; i < 20 && monkey.answerPopup(); ++i) {
            monkey.settle();
        }
        Ledger marked = monkey.ledger;
        std::erase_if(marked, [](const auto& entry) { return !entry.second.any(); });
        EXPECT_EQ(storedMarks(home), marked) << "seed " << seed;
        app.applicationWillTerminate();
        EXPECT_EQ(storedMarks(home), marked) << "seed " << seed;
        std::cout << "monkey: " << marked.size() << " games marked" << std::endl;
    }
    Animator::setImmediate(false);
    Model::resetInstance();
}
