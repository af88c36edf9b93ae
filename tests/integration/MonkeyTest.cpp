// Seeded random actions through the wii build's window, in one process, against questlog-services
// answering a fifth of its requests with a fault: clicks anywhere, keys, drags on the explore
// controls and the star bar, tabs, sorts, searches, scrolling, games opened and left, marks set,
// sheets and mails answered. Nothing may crash, hang or trip a sanitizer, and at the end the
// store file holds exactly the marks the run set.
//
// The ledger of marks is kept from what the run did and saw, never from the store: after every
// action on a game's page its wish and played buttons and its star bar are written down under the
// page's game, so raw clicks and keys that land on a mark control count as the controls show
// them. A press aimed at a mark control must also give the change the screen's rules give, and a
// page that opens must show what the ledger holds for its game.
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
#include <functional>
#include <iostream>

#include "ActionSheet.h"
#include "Animator.h"
#include "Button.h"
#include "DetailPage.h"
#include "EventWait.h"
#include "ExploreDragView.h"
#include "Game.h"
#include "IntegrationSupport.h"
#include "MobiWebViewController.h"
#include "Model.h"
#include "NavigationController.h"
#include "NotificationCenter.h"
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
    *out << (marks.wished ? "wished " : "") << (marks.played ? "played " : "") << "score "
         << marks.score;
}

using Ledger = std::map<std::string, Marks>;

// The marked games in the store file, read as any other client of the file would.
Ledger storedMarks(const QString& home) {
    SqliteConnection db(home + u"/Questlog3.sqlite"_s, SqliteConnection::ReadOnly);
    SqliteStatement rows(db, u"SELECT idCriticon, myIsWished, myIsPlayed, myScore FROM Game "
                             "WHERE myIsWished OR myIsPlayed OR myScore > 0"_s);
    Ledger marks;
    while (rows.step() == SqliteStatement::Step::Row) {
        marks[rows.columnText(0).toStdString()] = {rows.columnInt64(1) != 0,
                                                   rows.columnInt64(2) != 0,
                                                   float(rows.columnDouble(3))};
    }
    return marks;
}

quint32 fromEnvironment(const char* name, quint32 fallback) {
    bool ok = false;
    const quint32 value = qEnvironmentVariable(name).toUInt(&ok);
    return ok ? value : fallback;
}

// The hands: a seeded generator and the window it acts on.
struct Monkey {
    Questlog3AppDelegate& app;
    QRandomGenerator random;
    Ledger ledger;

    QWidget* window() const { return app.window(); }
    NavigationController* navigation() const { return app.navigationController(); }
    RootViewController* list() const {
        return navigation()->topViewController() == app.rootViewController()
                   ? app.rootViewController()
                   : nullptr;
    }
    DetailPage* page() const {
        return qobject_cast<DetailPage*>(navigation()->topViewController());
    }
    // Whatever takes the window's input away from the screens: a menu, a dialog, a sheet, a
    // mail.
    QWidget* popup() const {
        if (QWidget* menu = QApplication::activePopupWidget()) {
            return menu;
        }
        if (QWidget* modal = QApplication::activeModalWidget()) {
            return modal;
        }
        if (!ActionSheet::visibleSheets().isEmpty()) {
            return ActionSheet::visibleSheets().last();
        }
        return navigation()->modalViewController();
    }
    template <class T = QWidget>
    T* named(const char* name) const {
        return app.rootViewController()->findChild<T*>(QString::fromLatin1(name));
    }
    template <class T>
    T* pick(const QList<T*>& among) {
        return among.isEmpty() ? nullptr : among.at(random.bounded(int(among.size())));
    }

    void settle() {
        QCoreApplication::processEvents();
        Animator::runPendingDelays();
        QCoreApplication::processEvents();
        // The window manager's part: the window is active again once no dialog is open.
        if (!QApplication::activeModalWidget() && !window()->isActiveWindow()) {
            window()->activateWindow();
            QCoreApplication::processEvents();
        }
    }
    QPoint inWindow(const QWidget* widget, QPoint point) const {
        return widget->mapTo(window(), point);
    }
    QPoint somewhere(const QWidget* widget, int margin = 0) {
        const QRect area = widget->rect().adjusted(-margin, -margin, margin, margin);
        return inWindow(widget, QPoint(area.x() + random.bounded(area.width()),
                                       area.y() + random.bounded(area.height())));
    }
    void clickAt(QPoint at) {
        QTest::mouseClick(window()->windowHandle(), Qt::LeftButton, {}, at);
    }
    // A click at the widget's centre, as a user makes it; true when nothing covers the widget
    // there, so the press went where it was aimed.
    bool press(QWidget* widget) {
        if (!widget || !widget->isVisible()) {
            return false;
        }
        const QPoint at = inWindow(widget, widget->rect().center());
        const QWidget* under = window()->childAt(at);
        // Judged before the click, which may take the widget away.
        const bool aimed = !popup() && (under == widget || widget->isAncestorOf(under));
        clickAt(at);
        return aimed;
    }
    // Press, one to four moves, release: with the mouse, or now and then with a finger.
    void drag(QPoint from, QPoint to) {
        QWindow* handle = window()->windowHandle();
        const int steps = 1 + random.bounded(4);
        if (random.bounded(3) == 0) {
            static QPointingDevice* const finger = QTest::createTouchDevice();
            QTest::touchEvent(handle, finger).press(0, from, handle);
            for (int i = 1; i <= steps; ++i) {
                QTest::touchEvent(handle, finger).move(0, from + (to - from) * i / steps, handle);
            }
            QTest::touchEvent(handle, finger).release(0, to, handle);
            return;
        }
        QTest::mousePress(handle, Qt::LeftButton, {}, from);
        for (int i = 1; i <= steps; ++i) {
            QTest::mouseMove(handle, from + (to - from) * i / steps);
        }
        QTest::mouseRelease(handle, Qt::LeftButton, {}, to);
    }

    static Marks shown(const DetailPage* page) {
        return {page->btnWish()->isSelected(), page->btnPlayed()->isSelected(),
                page->starBarView()->myScore()};
    }
    Marks& entry(const DetailPage* page) {
        return ledger[page->game()->idCriticon().toStdString()];
    }
    // A change of the star bar's score: a kept score leaves the game played and not wished, a
    // removed one leaves both marks as they were.
    void expectRated(const Marks& before, const DetailPage* page) {
        const Marks now = shown(page);
        if (now.score > 0 && !(now == before)) {
            EXPECT_TRUE(now.played && !now.wished) << testing::PrintToString(now);
        } else if (now.score == 0) {
            EXPECT_EQ(now.wished, before.wished);
            EXPECT_EQ(now.played, before.played);
        }
    }
};

struct Action {
    const char* name;
    int weight;
    // Does its part and answers true, or answers false when it has nothing to act on now.
    std::function<bool(Monkey&)> run;
};

const QStringList kSearches = {
    u""_s,  u"a"_s,    u"the"_s,    u"race"_s, u"ZZZZ"_s, u"é"_s,   u"%"_s,  u"_"_s,  u"'"_s,
    u"\""_s, u"\\"_s, u"Ｗｉｉ"_s, u"🎮"_s,   u"' OR 1=1 --"_s, QString(300, u'x')};

const QList<Qt::Key> kKeys = {Qt::Key_Up,     Qt::Key_Down,   Qt::Key_Left,   Qt::Key_Right,
                              Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_Home, Qt::Key_End,
                              Qt::Key_Tab,    Qt::Key_Backtab, Qt::Key_Return, Qt::Key_Escape,
                              Qt::Key_Space,  Qt::Key_Backspace, Qt::Key_Delete, Qt::Key_0,
                              Qt::Key_3,      Qt::Key_5,      Qt::Key_A,      Qt::Key_Z};

// Presses one of the buttons of whatever popup is open.
bool answerPopup(Monkey& m) {
    QWidget* popup = m.popup();
    if (!popup) {
        return false;
    }
    QList<QAbstractButton*> buttons;
    for (QAbstractButton* button : popup->findChildren<QAbstractButton*>()) {
        if (button->isVisible() && button->isEnabled()) {
            buttons.append(button);
        }
    }
    // A folder chooser (a draft's) is backed out of: its buttons would make folders. A menu
    // (a text's own) is closed.
    if (qobject_cast<QFileDialog*>(popup) || buttons.isEmpty()) {
        if (auto* dialog = qobject_cast<QDialog*>(popup)) {
            dialog->reject();
        } else if (QApplication::activePopupWidget() == popup) {
            popup->close();
        }
        return true;
    }
    QTest::mouseClick(m.pick(buttons), Qt::LeftButton);
    return true;
}

// Every action, with its share of the draws.
const std::vector<Action> kActions = {
    {"click anywhere", 12,
     [](Monkey& m) {
         const QPoint at = m.somewhere(m.window());
         switch (m.random.bounded(8)) {
             case 0:
                 QTest::mouseDClick(m.window()->windowHandle(), Qt::LeftButton, {}, at);
                 break;
             case 1:
                 // Some of Qt's own context menus (a scroll bar's) run an event loop of their
                 // own; the menu is closed from inside it, as a user would close it.
                 QTimer::singleShot(0, qApp, [] {
                     if (QWidget* menu = QApplication::activePopupWidget()) {
                         menu->close();
                     }
                 });
                 QTest::mouseClick(m.window()->windowHandle(), Qt::RightButton, {}, at);
                 break;
             default:
                 m.clickAt(at);
         }
         return true;
     }},
    {"drag anywhere", 4,
     [](Monkey& m) {
         m.drag(m.somewhere(m.window()), m.somewhere(m.window()));
         return true;
     }},
    {"key", 10,
     [](Monkey& m) {
         // To the active window, as the keyboard goes: the dialog open over it, or the window.
         // Not to a folder chooser, whose Return may ask a question in a nested event loop.
         QWidget* modal = QApplication::activeModalWidget();
         if (qobject_cast<QFileDialog*>(modal)) {
             return false;
         }
         QTest::keyClick((modal ? modal->window() : m.window())->windowHandle(),
                         kKeys.at(m.random.bounded(int(kKeys.size()))));
         return true;
     }},
    {"scroll", 5,
     [](Monkey& m) {
         const QPoint at = m.somewhere(m.window());
         QWidget* under = m.window()->childAt(at);
         if (!under) {
             return false;
         }
         const QPoint delta(0, (m.random.bounded(2) ? 1 : -1) * 120 * (1 + m.random.bounded(5)));
         QWheelEvent wheel(under->mapFrom(m.window(), at), m.window()->mapToGlobal(at), {}, delta,
                           Qt::NoButton, {}, Qt::NoScrollPhase, false);
         QApplication::sendEvent(under, &wheel);
         return true;
     }},
    {"answer a popup", 12, answerPopup},
    {"tab", 8,
     [](Monkey& m) {
         if (m.list()) {
             m.press(m.pick(QList<QWidget*>{m.named("allTab"), m.named("myTab"),
                                           m.named("exploreTab")}));
             return true;
         }
         DetailPage* page = m.page();
         if (!page) {
             return false;
         }
         m.press(m.pick(QList<QWidget*>{page->tabSummary(), page->tabReviews(), page->tabScreens(),
                                       page->tabOther()}));
         return true;
     }},
    {"sort or my list", 6,
     [](Monkey& m) {
         if (!m.list()) {
             return false;
         }
         m.press(m.pick(QList<QWidget*>{m.named("dateFilter"), m.named("scoreFilter"),
                                       m.named("dateFilterExplore"), m.named("scoreFilterExplore"),
                                       m.named("wishFilter"), m.named("ratedFilter"),
                                       m.named("playedFilter"), m.named("exploreFilterButtonGenre")}));
         return true;
     }},
    {"explore drag", 8,
     [](Monkey& m) {
         auto* control = m.list() ? m.pick(m.named("exploreAnimatorView")
                                              ->findChildren<ExploreDragView*>())
                                  : nullptr;
         if (!control || !control->isVisible()) {
             return m.list() && (m.press(m.named("exploreTab")), true);
         }
         m.drag(m.inWindow(control->thumbView(), control->thumbView()->rect().center()),
                m.somewhere(control, 30));
         return true;
     }},
    {"search", 5,
     [](Monkey& m) {
         auto* field = m.list() ? m.named<QLineEdit>("searchField") : nullptr;
         if (!field || !field->isVisible()) {
             return false;
         }
         m.press(field);
         field->selectAll();
         const QString text = kSearches.at(m.random.bounded(int(kSearches.size())));
         // Typed key by key where there are keys for it; other text comes as one input.
         if (std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; })) {
             QTest::keyClicks(field, text);
         } else {
             QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, text, {});
         }
         QTest::keyClick(field, Qt::Key_Return);
         return true;
     }},
    {"open a game", 10,
     [](Monkey& m) {
         auto* table = m.list() ? m.named<TableView>("tableView") : nullptr;
         QList<QWidget*> cells;
         for (TableViewCell* cell : table ? table->visibleCells() : QList<TableViewCell*>{}) {
             cells.append(cell);
         }
         if (cells.isEmpty() || m.popup()) {
             return false;
         }
         m.press(m.pick(cells));
         if (DetailPage* page = m.page()) {
             const auto known = m.ledger.find(page->game()->idCriticon().toStdString());
             EXPECT_EQ(Monkey::shown(page), known == m.ledger.end() ? Marks{} : known->second)
                 << "the page of " << page->game()->idCriticon().toStdString();
         }
         return true;
     }},
    {"leave", 6,
     [](Monkey& m) {
         QWidget* top = m.navigation()->topViewController();
         if (auto* page = qobject_cast<DetailPage*>(top)) {
             m.press(page->backButton());
         } else if (auto* viewer = qobject_cast<MobiWebViewController*>(top)) {
             m.press(viewer->closeBrowserButton());
         } else {
             return false;
         }
         return true;
     }},
    {"options", 2,
     [](Monkey& m) {
         if (DetailPage* page = m.page()) {
             m.press(page->optionsButton());
         } else if (m.list()) {
             m.press(m.named("iconGear"));
         } else {
             return false;
         }
         return true;
     }},
    {"wish", 8,
     [](Monkey& m) {
         DetailPage* page = m.page();
         if (!page) {
             return false;
         }
         Marks expected = Monkey::shown(page);
         expected.wished = !expected.wished;
         if (m.press(page->btnWish())) {
             EXPECT_EQ(Monkey::shown(page), expected);
         }
         return true;
     }},
    {"played", 6,
     [](Monkey& m) {
         DetailPage* page = m.page();
         if (!page) {
             return false;
         }
         Marks expected = Monkey::shown(page);
         expected.played = !expected.played;
         expected.wished = expected.wished && !expected.played;
         if (m.press(page->btnPlayed())) {
             EXPECT_EQ(Monkey::shown(page), expected);
         }
         return true;
     }},
    {"rate by key", 6,
     [](Monkey& m) {
         DetailPage* page = m.page();
         if (!page || m.popup() || !page->starBarView()->isVisible()) {
             return false;
         }
         const int stars = m.random.bounded(6);
         Marks expected = Monkey::shown(page);
         expected.score = float(stars);
         if (stars > 0) {
             expected = {false, true, float(stars)};
         }
         page->starBarView()->setFocus();
         QTest::keyClick(page->starBarView(), Qt::Key(Qt::Key_0 + stars));
         EXPECT_EQ(Monkey::shown(page), expected);
         return true;
     }},
    {"star bar drag or tap", 8,
     [](Monkey& m) {
         DetailPage* page = m.page();
         StarBarView* bar = page ? page->starBarView() : nullptr;
         if (!bar || m.popup() || !bar->isVisible()) {
             return false;
         }
         const Marks before = Monkey::shown(page);
         if (m.random.bounded(3) == 0) {
             m.clickAt(m.somewhere(bar));
         } else {
             m.drag(m.inWindow(bar->flyoutView(), bar->flyoutView()->rect().center()),
                    m.somewhere(bar, 60));
         }
         m.settle();
         m.expectRated(before, page);
         return true;
     }},
};

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
        EventWait installed;
        NotificationCenter::defaultCenter()->addObserver(
            &installed, u"NOTIF_INSTALLING_BUNDLE_FILE_END"_s,
            [&](const Notification&) { installed.done(); });
        first.applicationDidFinishLaunching();
        ASSERT_TRUE(installed.wait(60000));
        NotificationCenter::defaultCenter()->removeObserver(&installed);
        first.applicationWillTerminate();
    }
    UserDefaults::resetStandardUserDefaults();
    {
        Questlog3AppDelegate app;
        app.applicationDidFinishLaunching();
        app.window()->activateWindow();

        Monkey monkey{app, QRandomGenerator(seed), {}};
        int total = 0;
        for (const Action& action : kActions) {
            total += action.weight;
        }
        std::map<std::string, int> ran;
        QElapsedTimer clock;
        clock.start();
        for (int step = 0; step < count && !testing::Test::HasFailure(); ++step) {
            monkey.settle();
            const Action* action = nullptr;
            do {
                int draw = monkey.random.bounded(total);
                action = &kActions.front();
                while (draw >= action->weight) {
                    draw -= action->weight;
                    ++action;
                }
                SCOPED_TRACE(testing::Message() << "seed " << seed << ", action " << step << ": "
                                                << action->name);
                if (!action->run(monkey)) {
                    action = nullptr;
                }
            } while (!action);
            ++ran[action->name];
            monkey.settle();
            if (DetailPage* page = monkey.page()) {
                monkey.entry(page) = Monkey::shown(page);
            }
        }
        std::cout << "monkey: " << count << " actions in " << clock.elapsed() << " ms:";
        for (const auto& [name, times] : ran) {
            std::cout << " " << name << " " << times << ",";
        }
        std::cout << std::endl;

        // Everything answered and left: what the program saved by itself must be the ledger's,
        // and so must what it holds after a quit that saves.
        for (int i = 0; i < 20 && monkey.popup(); ++i) {
            answerPopup(monkey);
            monkey.settle();
        }
        Ledger marked;
        for (const auto& [id, marks] : monkey.ledger) {
            if (marks.any()) {
                marked[id] = marks;
            }
        }
        EXPECT_EQ(storedMarks(home), marked) << "seed " << seed;
        app.applicationWillTerminate();
        EXPECT_EQ(storedMarks(home), marked) << "seed " << seed;
        std::cout << "monkey: " << marked.size() << " games marked" << std::endl;
    }
    Animator::setImmediate(false);
    Model::resetInstance();
}
