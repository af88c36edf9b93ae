#include "Questlog3AppDelegate.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QResource>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "AlertView.h"
#include "Animator.h"
#include "CapturedConsole.h"
#include "CatalogueGenerator.h"
#include "DataInstallationScreen.h"
#include "FetchedResultsController.h"
#include "FileFunctions.h"
#include "Game.h"
#include "ManagedObjectContext.h"
#include "Model.h"
#include "NavigationController.h"
#include "NotificationCenter.h"
#include "OrvConnection.h"
#include "QStringPrinter.h"
#include "RootViewController.h"
#include "SqliteConnection.h"
#include "SqliteTransaction.h"
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

    QString storePath() const {
        return FileFunctions::getPathForDocumentDirectoryResource(u"Questlog3.sqlite"_s);
    }
    static void post(const QString& name) {
        NotificationCenter::defaultCenter()->postNotificationName(name);
    }
    static QStringList listedTitles(Questlog3AppDelegate& delegate) {
        QSignalSpy fetched(delegate.rootViewController(), &RootViewController::fetched);
        EXPECT_TRUE(fetched.wait(5000));
        QStringList titles;
        for (const Game* game :
             delegate.rootViewController()->model()->fetchedResultsController()->fetchedObjects()) {
            titles.append(game->title());
        }
        return titles;
    }

    // Holds the store's write lock from another connection for the scope, so saves fail.
    struct WriteLock {
        explicit WriteLock(const QString& path)
            : db(path), transaction(db, SqliteTransaction::Mode::Exclusive) {}
        SqliteConnection db;
        SqliteTransaction transaction;
        const bool locked = transaction.isActive();
    };
};

// A wii build's bundle (information file and a shipped catalogue of generated rows),
// registered for one test's life.
class WiiBundle {
public:
    explicit WiiBundle(int games) {
        QFile::copy(QStringLiteral(QUESTLOG_SOURCE_DIR "/resources/info/wii/Info.json"),
                    dir_.filePath(u"Info.json"_s));
        CatalogueGenerator::Options options;
        options.games = games;
        QFile catalogue(dir_.filePath(u"wii.xml"_s));
        QFile qrc(dir_.filePath(u"bundle.qrc"_s));
        registered_ = catalogue.open(QIODevice::WriteOnly) && qrc.open(QIODevice::WriteOnly) &&
                      catalogue.write(CatalogueGenerator::catalogueBytes(options)) > 0 &&
                      qrc.write(
                          "<RCC><qresource prefix=\"/\"><file>Info.json</file>"
                          "<file>wii.xml</file></qresource></RCC>") > 0;
        catalogue.close();
        qrc.close();
        registered_ = registered_ &&
                      QProcess::execute(QStringLiteral(QUESTLOG_RCC),
                                        {u"--binary"_s, qrc.fileName(), u"-o"_s, rcc()}) == 0 &&
                      QResource::registerResource(rcc());
        Model::resetInstance();
    }
    ~WiiBundle() {
        QResource::unregisterResource(rcc());
        Model::resetInstance();
    }
    bool registered() const { return registered_; }

private:
    QString rcc() const { return dir_.filePath(u"bundle.rcc"_s); }
    QTemporaryDir dir_;
    bool registered_ = false;
};

}  // namespace

// The main thread paints nothing while the install holds it: the window's last frame before the
// end of the install is what the user looks at throughout.
TEST_F(AppDelegate, InstallScreenCoversTheListWholeWhileTheCatalogueInstalls) {
    // The program's own tenth of a second before the install, so the list is on screen first.
    Animator::setImmediate(false);
    WiiBundle bundle(3000);
    ASSERT_TRUE(bundle.registered());
    Questlog3AppDelegate delegate;
    QImage duringInstall;
    NotificationCenter::defaultCenter()->addObserver(
        this, u"NOTIF_INSTALLING_BUNDLE_FILE_END"_s, [&](const Notification&) {
            QWidget* window = delegate.window();
            duringInstall = window->screen()->grabWindow(window->winId()).toImage();
        });
    delegate.applicationDidFinishLaunching();
    const bool ended = QTest::qWaitFor([&] { return !duringInstall.isNull(); }, 60000);
    NotificationCenter::defaultCenter()->removeObserver(this);
    ASSERT_TRUE(ended);
    EXPECT_EQ(delegate.updateController()->getGameCountFromEntity(), 3000);
    DataInstallationScreen alone;
    alone.resize(delegate.window()->size());
    EXPECT_EQ(duringInstall.convertToFormat(QImage::Format_RGB32),
              alone.grab().toImage().convertToFormat(QImage::Format_RGB32));
}

TEST_F(AppDelegate, LaunchShowsTheStoredGamesNewestFirstAndFollowsCatalogueChanges) {
    {
        Questlog3AppDelegate first;
        first.applicationDidFinishLaunching();
        EXPECT_TRUE(QFile::exists(storePath()));
        for (const auto& [title, year] :
             {std::pair{u"Old"_s, 2001}, std::pair{u"Recent"_s, 2009}}) {
            Game* game = first.managedObjectContext()->insertNewGame();
            game->setTitle(title);
            game->setReleaseDate(QDateTime(QDate(year, 1, 1), QTime(0, 0)));
        }
        first.applicationWillTerminate();
    }
    Questlog3AppDelegate delegate;
    delegate.applicationDidFinishLaunching();
    RootViewController* root = delegate.rootViewController();
    EXPECT_EQ(root->managedObjectContext(), delegate.managedObjectContext());
    EXPECT_EQ(delegate.updateController()->managedObjectContext(), delegate.managedObjectContext());
    EXPECT_EQ(delegate.navigationController()->topViewController(), root);
    EXPECT_TRUE(delegate.window()->isVisible());
    EXPECT_EQ(listedTitles(delegate), (QStringList{u"Recent"_s, u"Old"_s}));
    post(u"NOTIF_GAMES_UPDATED"_s);
    EXPECT_EQ(listedTitles(delegate).size(), 2);
}

TEST_F(AppDelegate, UpdateStartsAfterTheListThenTheNetworkCheckWarnsOnceWhenUnreachable) {
    for (const bool reachable : {true, false}) {
        OrvConnection::setReachabilityFlagsReader(
            [reachable] { return reachable ? OrvConnection::kReachable : 0u; });
        Questlog3AppDelegate delegate;
        QStringList steps;
        QObject::connect(&delegate, &Questlog3AppDelegate::gamesUpdateStarted, [&] {
            steps << u"update"_s << QString::number(AlertView::visibleAlerts().size());
        });
        QObject::connect(&delegate, &Questlog3AppDelegate::connectivityChecked, [&](bool up) {
            steps << (up ? u"up"_s : u"down"_s)
                  << QString::number(AlertView::visibleAlerts().size());
        });
        delegate.applicationDidFinishLaunching();
        EXPECT_TRUE(steps.isEmpty());  // never straight away: the list is drawn first
        ASSERT_TRUE(QTest::qWaitFor([&] { return steps.size() == 4; }, 5000));
        QCoreApplication::processEvents();
        const QStringList expected{u"update"_s, u"0"_s, reachable ? u"up"_s : u"down"_s,
                                   reachable ? u"0"_s : u"1"_s};
        EXPECT_EQ(steps, expected);
        if (!reachable) {
            AlertView* alert = AlertView::visibleAlerts().value(0);
            EXPECT_EQ(alert->title(), u"Network unavailable"_s);
            EXPECT_EQ(alert->message(),
                      u"You appear to not be connected to a network. Some "
                      u"resources may be unavailable."_s);
            EXPECT_EQ(alert->buttonTitles(), QStringList{u"OK"_s});
            alert->dismissWithClickedButtonIndex(0, false);
            EXPECT_TRUE(QTest::qWaitFor([] { return AlertView::visibleAlerts().isEmpty(); }));
        }
    }
}

TEST_F(AppDelegate, InstallOverlayComesOnStartAndLeavesAfterTheEnd) {
    Questlog3AppDelegate delegate;
    delegate.applicationDidFinishLaunching();
    NavigationController* navigation = delegate.navigationController();
    post(u"NOTIF_INSTALLING_BUNDLE_FILE_START"_s);
    EXPECT_NE(qobject_cast<DataInstallationScreen*>(navigation->modalViewController()), nullptr);
    post(u"NOTIF_INSTALLING_BUNDLE_FILE_END"_s);
    EXPECT_NE(navigation->modalViewController(), nullptr);  // it stays a moment longer
    EXPECT_TRUE(QTest::qWaitFor([&] { return !navigation->modalViewController(); }, 5000));
}

TEST_F(AppDelegate, SaveRequestsAndTerminationSaveOnlyChangesAndFlushTheDefaults) {
    {
        Questlog3AppDelegate delegate;
        delegate.applicationDidFinishLaunching();
        ManagedObjectContext* context = delegate.managedObjectContext();
        {
            // A save attempt under the lock would fail and say so; no changes, no attempt.
            WriteLock lock(storePath());
            ASSERT_TRUE(lock.locked);
            CapturedConsole quiet;
            post(u"NOTIF_SAVE_GAME_DATA"_s);
            EXPECT_FALSE(quiet.text().contains(u"Unresolved error"_s));
            context->insertNewGame()->setTitle(u"Zelda"_s);
            CapturedConsole failed;
            post(u"NOTIF_SAVE_GAME_DATA"_s);
            EXPECT_TRUE(failed.text().contains(u"Unresolved error"_s));
            EXPECT_TRUE(context->hasChanges());
        }
        post(u"NOTIF_SAVE_GAME_DATA"_s);
        EXPECT_FALSE(context->hasChanges());
        UserDefaults::standardUserDefaults()->setInteger(2, u"DEFAULT_TAB"_s);
        delegate.applicationWillTerminate();  // nothing to save, the defaults still flushed
        context->insertNewGame()->setTitle(u"Halo"_s);
        delegate.applicationWillTerminate();  // runs once only
        EXPECT_TRUE(context->hasChanges());
    }
    UserDefaults::resetStandardUserDefaults();
    EXPECT_EQ(UserDefaults::standardUserDefaults()->integerForKey(u"DEFAULT_TAB"_s), 2);
    Questlog3AppDelegate second;
    second.applicationDidFinishLaunching();
    second.managedObjectContext()->insertNewGame()->setTitle(u"Fable"_s);
    second.applicationWillTerminate();
    EXPECT_FALSE(second.managedObjectContext()->hasChanges());
}

TEST_F(AppDelegate, UnopenableStoreLeavesAContextWhoseFetchesFail) {
    ASSERT_TRUE(QDir().mkpath(storePath()));  // a folder where the store file should be
    Questlog3AppDelegate delegate;
    CapturedConsole console;
    delegate.applicationDidFinishLaunching();
    EXPECT_TRUE(listedTitles(delegate).isEmpty());
    EXPECT_TRUE(console.text().contains(u"persistentStoreCoordinator: Unresolved error"_s));
    EXPECT_EQ(delegate.updateController()->getGameCountFromEntity(), -99);
}
