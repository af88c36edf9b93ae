#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTemporaryDir>

#include "ActionSheet.h"
#include "AlertView.h"
#include "Animator.h"
#include "DetailPage.h"
#include "MailComposeViewController.h"
#include "NavigationController.h"
#include "NotificationCenter.h"
#include "OrvConnection.h"
#include "QStringPrinter.h"
#include "Questlog3AppDelegate.h"
#include "ScopedEnv.h"
#include "TestStore.h"
#include "UpdateController.h"
#include "UserDefaults.h"
#include "WishLink.h"

using namespace Qt::Literals::StringLiterals;

// Each parameter runs up to the next "&" (the last one needs none, and a raw "&" ends a title);
// only "WISH" with an id offers the wish list.
TEST(WishLink, ReadsEachParameterUpToTheNextAmpersand) {
    const std::pair<QString, QString> cases[] = {
        {u"questlog-wii://h?action=WISH&id=123&title=Space%20Race"_s, u"WISH|123|Space Race|1"_s},
        {u"questlog-wii://h?action=wish&id=123&title=A&"_s, u"wish|123|A|0"_s},
        {u"questlog-wii://h?action=WISH&title=A&"_s, u"WISH||A|0"_s},
        {u"questlog-wii://h?action=WISH&id=9&title=Tom&Jerry&"_s, u"WISH|9|Tom|1"_s},
    };
    for (const auto& [url, read] : cases) {
        const WishLink link = WishLink::fromURLString(url);
        EXPECT_EQ(QStringList({link.action, link.idCriticon, link.title,
                               QString::number(link.offersWish())})
                      .join(u'|'),
                  read);
    }
    EXPECT_EQ(Questlog3AppDelegate::mailResultText(4), u"Result: not sent"_s);
}

namespace {

class Sharing : public testing::Test {
protected:
    Sharing() {
        Animator::setImmediate(true);
        UserDefaults::resetStandardUserDefaults();
        OrvConnection::setReachabilityFlagsReader([] { return OrvConnection::kReachable; });
        TestStore store;
        store.add(u"One & Only"_s)->setIdCriticon(u"1"_s);
        store.add(u"Two"_s)->setIdCriticon(u"2"_s);
        EXPECT_TRUE(store.context->save(nullptr));
    }
    ~Sharing() override {
        qDeleteAll(ActionSheet::visibleSheets());
        OrvConnection::setReachabilityFlagsReader({});
        UserDefaults::resetStandardUserDefaults();
        Animator::setImmediate(false);
    }

    void launch() {
        QSignalSpy started(&delegate, &Questlog3AppDelegate::gamesUpdateStarted);
        delegate.applicationDidFinishLaunching();
        ASSERT_TRUE(started.wait(5000));
        // The install screen of the empty catalogue goes away.
        ASSERT_TRUE(Animator::runPendingDelays());
    }
    static QString link(const QString& id, const QString& title) {
        return WishLink::linkForGame(u"questlog-wii"_s, u"h"_s, id, title);
    }
    // The wish mark of the game as the store file holds it.
    static std::optional<int> storedWish(const QString& id) {
        TestStore store;
        for (Game* game : store.gamesByTitle()) {
            if (game->idCriticon() == id) {
                return game->myIsWished();
            }
        }
        return std::nullopt;
    }
    Game* shownGame() const {
        auto* page =
            qobject_cast<DetailPage*>(delegate.navigationController()->topViewController());
        return page != nullptr ? page->game() : nullptr;
    }
    NavigationController* navigation() const { return delegate.navigationController(); }

    Questlog3AppDelegate delegate;
};

}  // namespace

// Each sheet acts on its own link, even with another link's sheet open; the mark is in the
// file at once and the game shows. Links that offer nothing, or an unknown game, change nothing.
TEST_F(Sharing, EachSheetWishesItsOwnGameSavedAtOnce) {
    // Before start-up is over a link waits for it.
    delegate.openURL(link(u"1"_s, u"One & Only"_s));
    EXPECT_TRUE(ActionSheet::visibleSheets().isEmpty());
    launch();
    delegate.openURL(link(u"2"_s, u"Two"_s));
    EXPECT_FALSE(delegate.handleOpenURL(QString()));
    EXPECT_TRUE(delegate.handleOpenURL(u"questlog-wii://h?action=wish&id=1&title=One"_s));
    delegate.openURL(link(u"404"_s, u"Nowhere"_s));
    const QList<ActionSheet*> sheets = ActionSheet::visibleSheets();
    ASSERT_EQ(sheets.size(), 3);
    EXPECT_EQ(sheets[0]->title(), u"One & Only"_s);
    EXPECT_EQ(sheets[0]->buttonTitles(), (QStringList{u"Add to Wish List"_s, u"Cancel"_s}));

    int wishChanges = 0;
    NotificationCenter::defaultCenter()->addObserver(this, u"NOTIF_GAME_WISH_CHANGED"_s,
                                                     [&](const Notification&) { ++wishChanges; });
    sheets[2]->dismissWithClickedButtonIndex(sheets[2]->destructiveButtonIndex(), false);
    EXPECT_EQ(shownGame(), nullptr);
    sheets[0]->dismissWithClickedButtonIndex(sheets[0]->destructiveButtonIndex(), false);
    sheets[1]->dismissWithClickedButtonIndex(sheets[1]->cancelButtonIndex(), false);
    NotificationCenter::defaultCenter()->removeObserver(this);
    EXPECT_EQ(wishChanges, 1);
    EXPECT_EQ(storedWish(u"1"_s), 1);
    EXPECT_NE(storedWish(u"2"_s), 1);
    ASSERT_NE(shownGame(), nullptr);
    EXPECT_EQ(shownGame()->idCriticon(), u"1"_s);
}

// The install screen's delayed clean-up takes away the install screen only: a screen presented
// in the meantime (a mail being written) stays.
TEST_F(Sharing, InstallCleanUpLeavesAScreenPresentedSinceAlone) {
    launch();
    NotificationCenter::defaultCenter()->postNotificationName(
        u"NOTIF_INSTALLING_BUNDLE_FILE_START"_s);
    NotificationCenter::defaultCenter()->postNotificationName(
        u"NOTIF_INSTALLING_BUNDLE_FILE_END"_s);
    for (int step = 0; step < 10 && navigation()->modalViewController() != nullptr; ++step) {
        Animator::runPendingDelays(1);
    }
    auto* composer = new QWidget();
    ASSERT_TRUE(navigation()->presentModalViewController(composer, false));
    ASSERT_TRUE(Animator::runPendingDelays());
    EXPECT_EQ(navigation()->modalViewController(), composer);
}

TEST_F(Sharing, WithoutMailEachRequestShowsTheNoMailAlert) {
    const QTemporaryDir emptyPath;
    ScopedEnv path("PATH", emptyPath.path().toUtf8()), outbox("QUESTLOG_MAIL_OUTBOX", "");
    launch();
    NotificationCenter::defaultCenter()->postNotificationName(u"NOTIF_SEND_FEEDBACK_EMAIL"_s);
    delegate.sendGameDetailsEmail({});
    ASSERT_EQ(AlertView::visibleAlerts().size(), 2);
    for (AlertView* alert : AlertView::visibleAlerts()) {
        EXPECT_EQ(alert->title(), u"Email not setup"_s);
        alert->dismissWithClickedButtonIndex(0, false);
    }
    EXPECT_EQ(navigation()->modalViewController(), nullptr);
}

// The game's mail as the composer holds it: the catalogue's texts show as the text they are (the
// subject on one line), the wish link gives back the game whole, and the picture is the page's.
TEST_F(Sharing, GameDetailsMailCarriesTheGameWholeAndThePagesPicture) {
    const QString title = u"A & <b>\"x\"</b>\r\nBcc: y@z"_s;
    const QTemporaryDir outboxDir;
    ScopedEnv outbox("QUESTLOG_MAIL_OUTBOX", outboxDir.path().toUtf8());
    launch();
    Game* game = delegate.updateController()->getGameFromEntityWithCriticonID(u"1"_s);
    game->setTitle(title);
    game->setUrlCriticonLink(u"http://reviews.test/?a=1&b=\"><i>"_s);
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    NotificationCenter::defaultCenter()->postNotificationName(
        u"NOTIF_SEND_GAME_DETAILS_EMAIL"_s,
        QVariantMap{{u"game"_s, QVariant::fromValue(game)}, {u"screenshot"_s, picture}});
    auto* composer = qobject_cast<MailComposeViewController*>(navigation()->modalViewController());
    ASSERT_NE(composer, nullptr);
    const std::optional<MailMessage> message = composer->message();
    ASSERT_TRUE(message);
    EXPECT_EQ(message->subject, u"A & <b>\"x\"</b>Bcc: y@z [ for desktop]"_s);
    EXPECT_FALSE(message->body.contains(u"**"_s) || message->body.contains(u"<b>"_s) ||
                 message->body.contains(u"<i>"_s));
    EXPECT_TRUE(message->isHTML && message->body.contains(u"A &amp; &lt;b&gt;&quot;x&quot;"_s));
    EXPECT_TRUE(message->body.contains(u"href=\"http://reviews.test/?a=1&amp;b=&quot;&gt;"_s));

    // The wish link, as a mail program reads the attribute.
    const qsizetype at = message->body.indexOf(u"?action=WISH"_s);
    const WishLink read = WishLink::fromURLString(
        message->body.mid(at, message->body.indexOf(u'"', at) - at).replace(u"&amp;"_s, u"&"_s));
    EXPECT_EQ(QStringList({read.idCriticon, read.title}), QStringList({u"1"_s, title}));

    ASSERT_EQ(message->attachments.size(), 1);
    EXPECT_EQ(message->attachments.first().fileName, u"screenshot"_s);
    EXPECT_EQ(QImage::fromData(message->attachments.first().data).convertToFormat(picture.format()),
              picture);
}
