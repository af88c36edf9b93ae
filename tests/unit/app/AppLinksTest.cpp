#include <gtest/gtest.h>

#include <QSignalSpy>

#include "ActionSheet.h"
#include "Animator.h"
#include "DetailPage.h"
#include "GameDetailsEmail.h"
#include "NavigationController.h"
#include "NotificationCenter.h"
#include "OrvConnection.h"
#include "QStringPrinter.h"
#include "Questlog3AppDelegate.h"
#include "TestStore.h"
#include "UserDefaults.h"
#include "WishLink.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// A title from the catalogue service that tries markup, an attribute's end and a header.
const QString kHostileTitle = u"A & <b>\"x\"</b>\r\nBcc: y@z"_s;

struct LinkCase {
    const char* url;
    const char* action;
    const char* id;
    const char* title;
    bool offersWish;
};

}  // namespace

TEST(WishLink, ReadsEachParameterUpToTheNextAmpersand) {
    const LinkCase cases[] = {
        // The last parameter needs no closing "&".
        {"questlog-wii://h?action=WISH&id=123&title=Space%20Race", "WISH", "123", "Space Race",
         true},
        {"questlog-wii://h?action=wish&id=123&title=A&", "wish", "123", "A", false},
        {"questlog-wii://h?action=WISH&title=A&", "WISH", "", "A", false},
        {"questlog-wii://h?id=7", "", "7", "", false},
        // A raw "&" in a title ends it.
        {"questlog-wii://h?action=WISH&id=9&title=Tom&Jerry&", "WISH", "9", "Tom", true},
    };
    for (const LinkCase& c : cases) {
        SCOPED_TRACE(c.url);
        const WishLink link = WishLink::fromURLString(QString::fromUtf8(c.url));
        EXPECT_EQ(link.action, QString::fromUtf8(c.action));
        EXPECT_EQ(link.idCriticon, QString::fromUtf8(c.id));
        EXPECT_EQ(link.title, QString::fromUtf8(c.title));
        EXPECT_EQ(link.offersWish(), c.offersWish);
    }
}

TEST(WishLink, OwnLinkGivesBackTheIdAndTheWholeTitle) {
    const QString title = kHostileTitle + u" 100% = Ünïcode #1?"_s;
    const QString url = WishLink::linkForGame(u"questlog-wii"_s, u"h.test"_s, u"4&x=5"_s, title);
    EXPECT_FALSE(url.contains(u'\n') || url.contains(u'\r') || url.contains(u' '));
    const WishLink link = WishLink::fromURLString(url);
    EXPECT_EQ(link.idCriticon, u"4&x=5"_s);
    EXPECT_EQ(link.title, title);
    EXPECT_TRUE(link.offersWish());
}

TEST(GameDetailsEmail, EveryTokenIsReplacedWithItsValueEscaped) {
    const QString page =
        u"<a href=\"**CRITICON_LINK**\">**GAME_TITLE**</a><a href=\"**CUSTOM_APP_URL**\">"
        "**GAME_TITLE** in **APP_TITLE**</a><a href=\"**ITUNES_LINK**\">get</a>"_s;
    const QString body =
        GameDetailsEmail::body(page, {.criticonLink = u"http://r.test/?a=1&b=\"><script>"_s,
                                      .iTunesLink = QString(),
                                      .appTitle = u"Q<W>"_s,
                                      .customAppURL = u"questlog-wii://h?id=1&"_s,
                                      .gameTitle = kHostileTitle});
    EXPECT_FALSE(body.contains(u"**"_s));
    EXPECT_EQ(body.count(u"A &amp; &lt;b&gt;&quot;x&quot;&lt;/b&gt;"_s), 2);
    EXPECT_TRUE(body.contains(u"href=\"http://r.test/?a=1&amp;b=&quot;&gt;&lt;script&gt;\""_s));
    EXPECT_TRUE(body.contains(u"in Q&lt;W&gt;</a>"_s));
    EXPECT_TRUE(body.contains(u"href=\"\">get"_s));
    EXPECT_FALSE(body.contains(u"<script>"_s) || body.contains(u"<b>"_s));
    EXPECT_EQ(GameDetailsEmail::body(QString(), {}), u""_s);
}

namespace {

class AppLinks : public testing::Test {
protected:
    AppLinks() {
        Animator::setImmediate(true);
        UserDefaults::resetStandardUserDefaults();
        OrvConnection::setReachabilityFlagsReader([] { return OrvConnection::kReachable; });
        TestStore store;
        for (const auto& [id, title] : {std::pair{u"1"_s, u"One & Only"_s}, {u"2"_s, u"Two"_s}}) {
            store.add(title)->setIdCriticon(id);
        }
        EXPECT_TRUE(store.context->save(nullptr));
    }
    ~AppLinks() override {
        for (ActionSheet* sheet : ActionSheet::visibleSheets()) {
            delete sheet;
        }
        OrvConnection::setReachabilityFlagsReader({});
        UserDefaults::resetStandardUserDefaults();
        Animator::setImmediate(false);
    }

    void launch() {
        QSignalSpy started(&delegate, &Questlog3AppDelegate::gamesUpdateStarted);
        delegate.applicationDidFinishLaunching();
        ASSERT_TRUE(started.wait(5000));
    }
    static QString link(const QString& id, const QString& title) {
        return WishLink::linkForGame(u"questlog-wii"_s, u"h"_s, id, title);
    }
    // The wish marks as stored in the file, by id.
    static QMap<QString, std::optional<int>> storedWishes() {
        TestStore store;
        QMap<QString, std::optional<int>> wishes;
        for (Game* game : store.gamesByTitle()) {
            wishes.insert(game->idCriticon(), game->myIsWished());
        }
        return wishes;
    }
    DetailPage* shownPage() const {
        return qobject_cast<DetailPage*>(delegate.navigationController()->topViewController());
    }

    Questlog3AppDelegate delegate;
};

}  // namespace

TEST_F(AppLinks, EachSheetWishesItsOwnGameWhichIsSavedAtOnceAndShown) {
    // The first link comes before start-up is over: it waits for it.
    delegate.openURL(link(u"1"_s, u"One & Only"_s));
    EXPECT_TRUE(ActionSheet::visibleSheets().isEmpty());
    launch();
    delegate.openURL(link(u"2"_s, u"Two"_s));
    const QList<ActionSheet*> sheets = ActionSheet::visibleSheets();
    ASSERT_EQ(sheets.size(), 2);
    EXPECT_EQ(sheets[0]->title(), u"One & Only"_s);
    EXPECT_EQ(sheets[0]->buttonTitles(), (QStringList{u"Add to Wish List"_s, u"Cancel"_s}));

    int wishChanges = 0;
    NotificationCenter::defaultCenter()->addObserver(this, u"NOTIF_GAME_WISH_CHANGED"_s,
                                                     [&](const Notification&) { ++wishChanges; });
    ASSERT_TRUE(
        sheets[0]->dismissWithClickedButtonIndex(sheets[0]->destructiveButtonIndex(), false));
    NotificationCenter::defaultCenter()->removeObserver(this);
    EXPECT_EQ(wishChanges, 1);
    const QMap<QString, std::optional<int>> wishes = storedWishes();
    EXPECT_EQ(wishes.value(u"1"_s), 1);
    EXPECT_NE(wishes.value(u"2"_s), 1);
    ASSERT_NE(shownPage(), nullptr);
    EXPECT_EQ(shownPage()->game()->idCriticon(), u"1"_s);

    // Cancel on the other leaves its game alone.
    ASSERT_TRUE(sheets[1]->dismissWithClickedButtonIndex(sheets[1]->cancelButtonIndex(), false));
    EXPECT_NE(storedWishes().value(u"2"_s), 1);
}

TEST_F(AppLinks, LinksThatOfferNothingOrAnUnknownGameChangeNothing) {
    launch();
    EXPECT_FALSE(delegate.handleOpenURL(QString()));
    EXPECT_TRUE(delegate.handleOpenURL(u"questlog-wii://h?action=wish&id=1&title=One"_s));
    EXPECT_TRUE(ActionSheet::visibleSheets().isEmpty());

    delegate.openURL(link(u"404"_s, u"Nowhere"_s));
    ASSERT_EQ(ActionSheet::visibleSheets().size(), 1);
    ActionSheet* sheet = ActionSheet::visibleSheets().first();
    sheet->dismissWithClickedButtonIndex(sheet->destructiveButtonIndex(), false);
    EXPECT_EQ(shownPage(), nullptr);
    const QMap<QString, std::optional<int>> wishes = storedWishes();
    EXPECT_NE(wishes.value(u"1"_s), 1);
    EXPECT_NE(wishes.value(u"2"_s), 1);
}

// The install screen's delayed clean-up takes away the install screen only: a screen presented
// in the meantime (a mail being written) stays.
TEST_F(AppLinks, InstallCleanUpLeavesAScreenPresentedSinceAlone) {
    launch();
    ASSERT_TRUE(Animator::runPendingDelays());
    NavigationController* navigation = delegate.navigationController();
    NotificationCenter::defaultCenter()->postNotificationName(
        u"NOTIF_INSTALLING_BUNDLE_FILE_START"_s);
    ASSERT_NE(navigation->modalViewController(), nullptr);
    NotificationCenter::defaultCenter()->postNotificationName(
        u"NOTIF_INSTALLING_BUNDLE_FILE_END"_s);
    // One delay at a time, up to the install screen's removal.
    for (int step = 0; step < 10 && navigation->modalViewController() != nullptr; ++step) {
        Animator::runPendingDelays(1);
    }
    ASSERT_EQ(navigation->modalViewController(), nullptr);
    auto* composer = new QWidget();
    ASSERT_TRUE(navigation->presentModalViewController(composer, false));
    ASSERT_TRUE(Animator::runPendingDelays());
    EXPECT_EQ(navigation->modalViewController(), composer);
}
