#include "Questlog3AppDelegate.h"

#include <gtest/gtest.h>

#include <QFileDialog>
#include <QResource>
#include <QScopeGuard>
#include <QScreen>
#include <QSignalSpy>

#include "../browsing/BrowsingTestSupport.h"
#include "AlertView.h"
#include "Animator.h"
#include "DataInstallationScreen.h"
#include "EventWait.h"
#include "FileFunctions.h"
#include "Model.h"
#include "NavigationController.h"
#include "NotificationCenter.h"
#include "OrvConnection.h"
#include "QStringPrinter.h"
#include "RootViewController.h"
#include "TestStore.h"
#include "UpdateController.h"
#include "UserDefaults.h"

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
