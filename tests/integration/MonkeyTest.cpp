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

#include <QElapsedTimer>
#include <QLineEdit>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <iostream>

#include "Animator.h"
#include "Button.h"
#include "DetailPage.h"
#include "ExploreDragView.h"
#include "Game.h"
#include "IntegrationSupport.h"
#include "LaunchSupport.h"
#include "MobiWebViewController.h"
#include "Model.h"
#include "MonkeyHands.h"
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

// The hands on the program's screens, and the ledger.
class Monkey : public MonkeyHands {
public:
    Monkey(Questlog3AppDelegate& app, quint32 seed)
        : MonkeyHands(app.window(), app.navigationController(), seed), app_(app) {}

    Ledger ledger;

    QWidget* top() const { return app_.navigationController()->topViewController(); }
    RootViewController* list() const {
        return top() == app_.rootViewController() && !popup() ? app_.rootViewController() : nullptr;
    }
    DetailPage* page() const { return qobject_cast<DetailPage*>(top()); }
    static Marks shown(const DetailPage* page) {
        return {page->btnWish()->isSelected(), page->btnPlayed()->isSelected(),
                page->starBarView()->myScore()};
    }

    // The actions on the screens, as in MonkeyHands.
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
    Questlog3AppDelegate& app_;
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
