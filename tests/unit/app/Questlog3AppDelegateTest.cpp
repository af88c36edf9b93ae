#include "Questlog3AppDelegate.h"

#include <gtest/gtest.h>

#include <QFileDialog>
#include <QResource>
#include <QScopeGuard>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "../browsing/BrowsingTestSupport.h"
#include "ActionSheet.h"
#include "AlertView.h"
#include "Animator.h"
#include "DataInstallationScreen.h"
#include "DetailPage.h"
#include "EventWait.h"
#include "FileFunctions.h"
#include "MailComposeViewController.h"
#include "Model.h"
#include "NavigationController.h"
#include "NotificationCenter.h"
#include "OrvConnection.h"
#include "QStringPrinter.h"
#include "RootViewController.h"
#include "ScopedEnv.h"
#include "TestStore.h"
#include "UpdateController.h"
#include "UserDefaults.h"
#include "WishLink.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// The start's delays run at the next turns of the event loop, in their order.
class AppDelegate : public testing::Test {
protected:
    AppDelegate() {
        Animator::setImmediate(true);
        UserDefaults::resetStandardUserDefaults();
        OrvConnection::setReachabilityFlagsReader([] { return OrvConnection::kReachable; });
    }
    ~AppDelegate() override {
        OrvConnection::setReachabilityFlagsReader({});
        UserDefaults::resetStandardUserDefaults();
        Animator::setImmediate(false);
    }

    static void post(const QString& name) {
        NotificationCenter::defaultCenter()->postNotificationName(name);
    }
    static QString listed(Questlog3AppDelegate& delegate) {
        QSignalSpy fetched(delegate.rootViewController(), &RootViewController::fetched);
        EXPECT_TRUE(fetched.wait(5000));
        return titlesOf(delegate.rootViewController()->model()->fetchedResultsController());
    }
    static void addGame(ManagedObjectContext* context, const QString& title, int year) {
        Game* game = context->insertNewGame();
        game->setTitle(title);
        game->setReleaseDate(QDateTime(QDate(year, 1, 1), QTime(0, 0)));
    }
};

}  // namespace

// The main thread paints nothing while the install holds it: the window's last frame before the
// end of the install is what the user looks at throughout.
TEST_F(AppDelegate, InstallScreenCoversTheListWholeWhileTheCatalogueInstallsThenLeaves) {
    // The program's own tenth of a second before the install, so the list is on screen first.
    Animator::setImmediate(false);
    // A wii build's bundle: its information file and shipped catalogue.
    ASSERT_TRUE(QResource::registerResource(QStringLiteral(QUESTLOG_WII_BUNDLE)));
    const auto unregister = qScopeGuard([] {
        QResource::unregisterResource(QStringLiteral(QUESTLOG_WII_BUNDLE));
        Model::resetInstance();
    });
    Model::resetInstance();
    Questlog3AppDelegate delegate;
    NavigationController* navigation = delegate.navigationController();
    QImage duringInstall;
    bool overlaid = false;
    EventWait installed;
    NotificationCenter::defaultCenter()->addObserver(
        this, u"NOTIF_INSTALLING_BUNDLE_FILE_END"_s, [&](const Notification&) {
            QWidget* window = delegate.window();
            duringInstall = window->screen()->grabWindow(window->winId()).toImage();
            overlaid = qobject_cast<DataInstallationScreen*>(navigation->modalViewController());
            installed.done();
        });
    delegate.applicationDidFinishLaunching();
    const bool ended = installed.wait(60000);
    NotificationCenter::defaultCenter()->removeObserver(this);
    ASSERT_TRUE(ended && overlaid);
    DataInstallationScreen alone;
    alone.resize(delegate.window()->size());
    EXPECT_EQ(duringInstall.convertToFormat(QImage::Format_RGB32),
              alone.grab().toImage().convertToFormat(QImage::Format_RGB32));
    // A moment after the end it goes.
    const QPointer<QWidget> modal = navigation->modalViewController();
    QSignalSpy gone(modal.data(), &QObject::destroyed);
    EXPECT_TRUE(modal.isNull() || gone.wait(5000));
    EXPECT_EQ(navigation->modalViewController(), nullptr);
}

TEST_F(AppDelegate, SavesOnRequestAndOnceAtTheEndAndTheNextLaunchListsNewestFirst) {
    {
        Questlog3AppDelegate first;
        first.applicationDidFinishLaunching();
        ManagedObjectContext* context = first.managedObjectContext();
        // A save attempt under another connection's lock fails and says so; no changes, no
        // attempt.
        const auto save = [] { post(u"NOTIF_SAVE_GAME_DATA"_s); };
        EXPECT_FALSE(TestStore::logWhileLocked(save).contains(u"Unresolved error"_s));
        addGame(context, u"Old"_s, 2001);
        EXPECT_TRUE(TestStore::logWhileLocked(save).contains(u"Unresolved error"_s));
        save();
        EXPECT_FALSE(context->hasChanges());
        addGame(context, u"Recent"_s, 2009);
        UserDefaults::standardUserDefaults()->setInteger(2, u"FLUSHED"_s);
        first.applicationWillTerminate();
        addGame(context, u"Unsaved"_s, 2010);
        first.applicationWillTerminate();  // runs once only
        EXPECT_TRUE(context->hasChanges());
    }
    UserDefaults::resetStandardUserDefaults();
    EXPECT_EQ(UserDefaults::standardUserDefaults()->integerForKey(u"FLUSHED"_s), 2);

    Questlog3AppDelegate delegate;
    delegate.applicationDidFinishLaunching();
    EXPECT_EQ(listed(delegate), u"Recent, Old"_s);
    post(u"NOTIF_GAMES_UPDATED"_s);  // refetches
    EXPECT_EQ(listed(delegate), u"Recent, Old"_s);
}

TEST_F(AppDelegate, UpdateStartsAfterTheListThenTheNetworkCheckWarnsOnceWhenUnreachable) {
    for (const bool reachable : {true, false}) {
        OrvConnection::setReachabilityFlagsReader(
            [reachable] { return reachable ? OrvConnection::kReachable : 0u; });
        Questlog3AppDelegate delegate;
        QStringList steps;
        const auto alerts = [] { return QString::number(AlertView::visibleAlerts().size()); };
        QObject::connect(&delegate, &Questlog3AppDelegate::gamesUpdateStarted,
                         [&] { steps << u"update"_s << alerts(); });
        QObject::connect(&delegate, &Questlog3AppDelegate::connectivityChecked,
                         [&](bool up) { steps << (up ? u"up"_s : u"down"_s) << alerts(); });
        delegate.applicationDidFinishLaunching();
        EXPECT_TRUE(steps.isEmpty());  // never straight away: the list is drawn first
        ASSERT_TRUE(Animator::runPendingDelays());
        EXPECT_EQ(steps.join(u' '), reachable ? u"update 0 up 0"_s : u"update 0 down 1"_s);
        if (!reachable) {
            AlertView* alert = AlertView::visibleAlerts().value(0);
            EXPECT_EQ(alert->title(), u"Network unavailable"_s);
            alert->dismissWithClickedButtonIndex(0, false);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            EXPECT_TRUE(AlertView::visibleAlerts().isEmpty());
        }
    }
}

// The options sheet's export and import: a file dialog, then an alert that says what was done,
// or why not; the imported marks are saved.
TEST_F(AppDelegate, MyListsGoToAFileAndBackThroughADialogAndTheOutcomeIsSaid) {
    Questlog3AppDelegate delegate;
    delegate.addListeners();
    Game* game = delegate.managedObjectContext()->insertNewGame();
    game->setIdCriticon(u"7"_s);
    game->setMyIsWished(1);
    const QString home = qEnvironmentVariable("QUESTLOG_HOME");
    ASSERT_TRUE(FileFunctions::createFileAtPath(home + u"/bad.csv"_s, "id,wished\n7,perhaps\n"));
    const struct {
        const char* notification;
        const char* file;
        int wishedBefore;
        const char* title;
        int wishedAfter;
    } cases[] = {
        {"NOTIF_EXPORT_MY_LISTS", "lists.csv", 1, "Exported 1 game to lists.csv", 1},
        {"NOTIF_IMPORT_MY_LISTS", "lists.csv", 0, "Imported 1 game", 1},
        {"NOTIF_IMPORT_MY_LISTS", "bad.csv", 0, "Import failed", 0},
        {"NOTIF_EXPORT_MY_LISTS", "no/such/x.json", 1, "Export failed", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        game->setMyIsWished(c.wishedBefore);
        post(QString::fromLatin1(c.notification));
        auto* dialog = delegate.window()->findChild<QFileDialog*>();
        ASSERT_TRUE(dialog && dialog->isVisible());
        dialog->selectFile(home + u'/' + QString::fromLatin1(c.file));
        static_cast<QDialog*>(dialog)->accept();  // the dialog's own OK
        ASSERT_EQ(AlertView::visibleAlerts().size(), 1);
        AlertView* alert = AlertView::visibleAlerts().first();
        EXPECT_EQ(alert->title(), QString::fromLatin1(c.title)) << alert->message().toStdString();
        alert->dismissWithClickedButtonIndex(0, false);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(game->myIsWished(), c.wishedAfter);
        // Saved by the import, and before an export, so that it writes what the store holds.
        EXPECT_EQ(delegate.managedObjectContext()->hasChanges(), c.wishedAfter != 1);
    }
}

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
}

namespace {

// A launched program over a store of two games, reachable, sheets and alerts answered by hand.
class Sharing : public AppDelegate {
protected:
    Sharing() {
        TestStore store;
        store.add(u"One & Only"_s)->setIdCriticon(u"1"_s);
        store.add(u"Two"_s)->setIdCriticon(u"2"_s);
        EXPECT_TRUE(store.context->save(nullptr));
    }
    ~Sharing() override { qDeleteAll(ActionSheet::visibleSheets()); }

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
    static int storedWish(const QString& id) {
        return SqliteConnection(TestStore::homeStorePath(), SqliteConnection::ReadOnly)
            .execAndGet(u"SELECT myIsWished FROM Game WHERE idCriticon = '%1'"_s.arg(id))
            .toInt();
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
    post(u"NOTIF_INSTALLING_BUNDLE_FILE_START"_s);
    post(u"NOTIF_INSTALLING_BUNDLE_FILE_END"_s);
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
    post(u"NOTIF_SEND_FEEDBACK_EMAIL"_s);
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
