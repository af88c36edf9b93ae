#include <gtest/gtest.h>

#include <QDir>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "ActionSheet.h"
#include "AlertView.h"
#include "Animator.h"
#include "DetailPage.h"
#include "GameDetailsEmail.h"
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
        // The install screen of the empty catalogue goes away.
        ASSERT_TRUE(Animator::runPendingDelays());
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

TEST(MailResult, EachResultHasItsLine) {
    const std::pair<int, QString> cases[] = {
        {0, u"Result: canceled"_s}, {1, u"Result: saved"_s},    {2, u"Result: sent"_s},
        {3, u"Result: failed"_s},   {4, u"Result: not sent"_s}, {-1, u"Result: not sent"_s},
    };
    for (const auto& [result, line] : cases) {
        EXPECT_EQ(Questlog3AppDelegate::mailResultText(result), line) << result;
    }
}

namespace {

// The composer that is up, once presented.
MailComposeViewController* presentedComposer(Questlog3AppDelegate& delegate) {
    return qobject_cast<MailComposeViewController*>(
        delegate.navigationController()->modalViewController());
}

// Presses the composer's button and waits for the delegate to take it away.
bool press(MailComposeViewController* composer, const QString& button) {
    QSignalSpy gone(composer, &QObject::destroyed);
    for (QPushButton* candidate : composer->findChildren<QPushButton*>()) {
        if (candidate->text() == button) {
            candidate->click();
            return gone.wait(10000);
        }
    }
    return false;
}

}  // namespace

// Without an outbox or a mail program, both mails say so instead of opening a composer.
TEST_F(AppLinks, WithoutMailEachRequestShowsTheNoMailAlert) {
    const QTemporaryDir emptyPath;
    ScopedEnv path("PATH", emptyPath.path().toUtf8()), outbox("QUESTLOG_MAIL_OUTBOX", "");
    launch();
    NotificationCenter::defaultCenter()->postNotificationName(u"NOTIF_SEND_FEEDBACK_EMAIL"_s);
    ASSERT_EQ(AlertView::visibleAlerts().size(), 1);
    EXPECT_EQ(AlertView::visibleAlerts().first()->title(), u"Email not setup"_s);
    EXPECT_EQ(presentedComposer(delegate), nullptr);
    AlertView::visibleAlerts().first()->dismissWithClickedButtonIndex(0, false);
}

// The game's mail, sent into the outbox: its texts from the catalogue show as the text they
// are, its wish link gives back the game whole, and its picture is the page's.
TEST_F(AppLinks, GameDetailsMailCarriesTheGameWholeAndThePagesPicture) {
    const QTemporaryDir outboxDir;
    ScopedEnv outbox("QUESTLOG_MAIL_OUTBOX", outboxDir.path().toUtf8());
    launch();
    Game* game = delegate.updateController()->getGameFromEntityWithCriticonID(u"1"_s);
    ASSERT_NE(game, nullptr);
    game->setTitle(kHostileTitle);
    game->setUrlCriticonLink(u"http://reviews.test/one?a=1&b=2"_s);
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    NotificationCenter::defaultCenter()->postNotificationName(
        u"NOTIF_SEND_GAME_DETAILS_EMAIL"_s,
        QVariantMap{{u"game"_s, QVariant::fromValue(game)}, {u"screenshot"_s, picture}});
    MailComposeViewController* composer = presentedComposer(delegate);
    ASSERT_NE(composer, nullptr);
    ASSERT_TRUE(press(composer, u"Send"_s));
    EXPECT_EQ(presentedComposer(delegate), nullptr);

    const QStringList sent = QDir(outboxDir.path()).entryList({u"*.eml"_s}, QDir::Files);
    ASSERT_EQ(sent.size(), 1);
    QFile file(outboxDir.filePath(sent.first()));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray mime = file.readAll();
    const QList<QByteArray> headers = mime.left(mime.indexOf("\r\n\r\n")).split('\n');
    EXPECT_EQ(std::ranges::count_if(
                  headers, [](const QByteArray& line) { return line.startsWith("Subject:"); }),
              1);
    EXPECT_FALSE(std::ranges::any_of(
        headers, [](const QByteArray& line) { return line.toLower().startsWith("bcc:"); }));
    const std::optional<MailMessage> message = MailMessage::fromMIME(mime);
    ASSERT_TRUE(message);
    EXPECT_EQ(message->subject, u"A & <b>\"x\"</b>Bcc: y@z [ for desktop]"_s);
    EXPECT_TRUE(message->isHTML);
    EXPECT_FALSE(message->body.contains(u"**"_s));
    EXPECT_TRUE(message->body.contains(u"A &amp; &lt;b&gt;&quot;x&quot;&lt;/b&gt;"_s));
    EXPECT_TRUE(message->body.contains(u"href=\"http://reviews.test/one?a=1&amp;b=2\""_s));

    // The wish link, as a mail program reads the attribute, opens the same game by its title.
    const qsizetype at = message->body.indexOf(u"?action=WISH"_s);
    ASSERT_GT(at, 0);
    const QString link =
        message->body.mid(at, message->body.indexOf(u'"', at) - at).replace(u"&amp;"_s, u"&"_s);
    const WishLink read = WishLink::fromURLString(link);
    EXPECT_EQ(read.idCriticon, u"1"_s);
    EXPECT_EQ(read.title, kHostileTitle);

    ASSERT_EQ(message->attachments.size(), 1);
    EXPECT_EQ(message->attachments.first().fileName, u"screenshot"_s);
    EXPECT_EQ(message->attachments.first().mimeType, u"image/png"_s);
    EXPECT_EQ(QImage::fromData(message->attachments.first().data).convertToFormat(picture.format()),
              picture);
}
