#include "Questlog3AppDelegate.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QResource>
#include <QScreen>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "AlertView.h"
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

class AppDelegate : public testing::Test {
protected:
    AppDelegate() {
        UserDefaults::resetStandardUserDefaults();
        OrvConnection::setReachabilityFlagsReader([] { return OrvConnection::kReachable; });
    }
    ~AppDelegate() override {
        OrvConnection::setReachabilityFlagsReader({});
        UserDefaults::resetStandardUserDefaults();
    }

    QString storePath() const {
        return FileFunctions::getPathForDocumentDirectoryResource(u"Questlog3.sqlite"_s);
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

// A wii build's bundle (information file and shipped catalogue of `games` generated rows),
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
        if (!catalogue.open(QIODevice::WriteOnly) || !qrc.open(QIODevice::WriteOnly)) {
            return;
        }
        catalogue.write(CatalogueGenerator::catalogueBytes(options));
        catalogue.close();
        qrc.write(
            "<RCC><qresource prefix=\"/\"><file>Info.json</file><file>wii.xml</file>"
            "</qresource></RCC>");
        qrc.close();
        rcc_ = dir_.filePath(u"bundle.rcc"_s);
        registered_ =
            QProcess::execute(QStringLiteral(QUESTLOG_RCC), {u"--binary"_s, u"--no-compress"_s,
                                                             qrc.fileName(), u"-o"_s, rcc_}) == 0 &&
            QResource::registerResource(rcc_);
        Model::resetInstance();
    }
    ~WiiBundle() {
        if (registered_) {
            QResource::unregisterResource(rcc_);
        }
        Model::resetInstance();
    }
    bool registered() const { return registered_; }

private:
    QTemporaryDir dir_;
    QString rcc_;
    bool registered_ = false;
};

// The share of pixels whose colour differs noticeably.
double differingShare(const QImage& a, const QImage& b) {
    if (a.size() != b.size() || a.isNull()) {
        return 1.0;
    }
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    qint64 differing = 0;
    for (int row = 0; row < x.height(); ++row) {
        for (int column = 0; column < x.width(); ++column) {
            const QRgb p = x.pixel(column, row);
            const QRgb q = y.pixel(column, row);
            if (std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                    std::abs(qBlue(p) - qBlue(q)) >
                24) {
                ++differing;
            }
        }
    }
    return double(differing) / (double(x.width()) * x.height());
}

}  // namespace

// The main thread paints nothing while the install holds it: the window's last frame before the
// end of the install is what the user looked at throughout.
TEST_F(AppDelegate, InstallScreenCoversTheListWholeWhileALargeCatalogueInstalls) {
    WiiBundle bundle(100000);
    ASSERT_TRUE(bundle.registered());
    Questlog3AppDelegate delegate;
    QImage duringInstall;
    NotificationCenter::defaultCenter()->addObserver(
        this, u"NOTIF_INSTALLING_BUNDLE_FILE_END"_s, [&](const Notification&) {
            QWidget* window = delegate.window();
            duringInstall = window->screen()->grabWindow(window->winId()).toImage();
        });
    delegate.applicationDidFinishLaunching();
    const bool ended = QTest::qWaitFor([&] { return !duringInstall.isNull(); }, 120000);
    NotificationCenter::defaultCenter()->removeObserver(this);
    ASSERT_TRUE(ended);
    EXPECT_EQ(delegate.updateController()->getGameCountFromEntity(), 100000);

    DataInstallationScreen alone;
    alone.resize(delegate.window()->size());
    EXPECT_LT(differingShare(duringInstall, alone.grab().toImage()), 0.01);
}

TEST_F(AppDelegate, LaunchHandsTheStoreToTheListAndShowsTheWindow) {
    Questlog3AppDelegate delegate;
    EXPECT_FALSE(QFile::exists(storePath()));
    delegate.applicationDidFinishLaunching();

    RootViewController* root = delegate.rootViewController();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->managedObjectContext(), delegate.managedObjectContext());
    EXPECT_EQ(root->managedObjectModel(), delegate.managedObjectModel());
    EXPECT_EQ(delegate.navigationController()->topViewController(), root);
    EXPECT_TRUE(delegate.window()->isVisible());
    EXPECT_EQ(delegate.window()->size(), QSize(320, 480));
    ASSERT_NE(delegate.updateController(), nullptr);
    EXPECT_EQ(delegate.updateController()->managedObjectContext(), delegate.managedObjectContext());
    EXPECT_TRUE(QFile::exists(storePath()));
    // The lazy chain hands back the same objects every time.
    EXPECT_EQ(delegate.managedObjectContext(), delegate.managedObjectContext());
    EXPECT_EQ(delegate.persistentStoreCoordinator(), delegate.persistentStoreCoordinator());
}

TEST_F(AppDelegate, UpdateRunsAfterATenthAndTheNetworkCheckAfterThreeSeconds) {
    Questlog3AppDelegate delegate;
    QSignalSpy update(&delegate, &Questlog3AppDelegate::gamesUpdateStarted);
    QSignalSpy check(&delegate, &Questlog3AppDelegate::connectivityChecked);
    QElapsedTimer clock;
    clock.start();
    delegate.applicationDidFinishLaunching();
    EXPECT_EQ(update.count(), 0);  // never straight away: the list is drawn first

    ASSERT_TRUE(update.wait(2000));
    EXPECT_GE(clock.elapsed(), 95);
    EXPECT_EQ(check.count(), 0);
    ASSERT_TRUE(check.wait(5000));
    EXPECT_GE(clock.elapsed(), 2990);
    EXPECT_EQ(check.takeFirst().at(0).toBool(), true);
    EXPECT_TRUE(AlertView::visibleAlerts().isEmpty());
    QTest::qWait(300);
    EXPECT_EQ(update.count(), 1);  // each runs once per launch
    EXPECT_EQ(check.count(), 0);
}

TEST_F(AppDelegate, UnreachableNetworkShowsTheAlertOnceAtThreeSeconds) {
    OrvConnection::setReachabilityFlagsReader([] { return 0u; });
    Questlog3AppDelegate delegate;
    QSignalSpy check(&delegate, &Questlog3AppDelegate::connectivityChecked);
    delegate.applicationDidFinishLaunching();
    QTest::qWait(2500);
    EXPECT_TRUE(AlertView::visibleAlerts().isEmpty());
    ASSERT_TRUE(check.wait(3000));
    const QList<AlertView*> alerts = AlertView::visibleAlerts();
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_EQ(alerts[0]->title(), u"Network unavailable"_s);
    EXPECT_EQ(alerts[0]->message(),
              u"You appear to not be connected to a network. Some resources may be unavailable."_s);
    EXPECT_EQ(alerts[0]->buttonTitles(), QStringList{u"OK"_s});
    alerts[0]->dismissWithClickedButtonIndex(0, false);
    QTest::qWait(50);
    EXPECT_TRUE(AlertView::visibleAlerts().isEmpty());
}

TEST_F(AppDelegate, InstallOverlayComesOnStartAndLeavesAfterEnd) {
    Questlog3AppDelegate delegate;
    delegate.applicationDidFinishLaunching();
    NavigationController* navigation = delegate.navigationController();
    EXPECT_EQ(navigation->modalViewController(), nullptr);

    CapturedConsole captured;
    NotificationCenter::defaultCenter()->postNotificationName(
        u"NOTIF_INSTALLING_BUNDLE_FILE_START"_s);
    EXPECT_NE(qobject_cast<DataInstallationScreen*>(navigation->modalViewController()), nullptr);
    NotificationCenter::defaultCenter()->postNotificationName(
        u"NOTIF_INSTALLING_BUNDLE_FILE_END"_s);
    const QString console = captured.text();
    EXPECT_TRUE(console.contains(u"showing install..."_s)) << console.toStdString();
    EXPECT_TRUE(console.contains(u"hiding install..."_s)) << console.toStdString();

    QTest::qWait(350);
    EXPECT_NE(navigation->modalViewController(), nullptr);  // still there before 0.5 s
    QTest::qWait(2000);  // 0.5 s, the animated dismissal, then the 1.2 s safety net
    EXPECT_EQ(navigation->modalViewController(), nullptr);
}

TEST_F(AppDelegate, SaveRequestSavesOnlyWhenThereAreChanges) {
    Questlog3AppDelegate delegate;
    delegate.applicationDidFinishLaunching();
    ManagedObjectContext* context = delegate.managedObjectContext();
    {
        // A save attempt under the lock would fail and say so; no changes, no attempt.
        WriteLock lock(storePath());
        ASSERT_TRUE(lock.locked);
        CapturedConsole quiet;
        NotificationCenter::defaultCenter()->postNotificationName(u"NOTIF_SAVE_GAME_DATA"_s);
        EXPECT_FALSE(quiet.text().contains(u"Unresolved error"_s));

        context->insertNewGame()->setTitle(u"Zelda"_s);
        CapturedConsole captured;
        NotificationCenter::defaultCenter()->postNotificationName(u"NOTIF_SAVE_GAME_DATA"_s);
        const QString console = captured.text();
        EXPECT_TRUE(console.contains(u"App del (saveData): will term: Unresolved error"_s))
            << console.toStdString();
        EXPECT_TRUE(context->hasChanges());
    }
    NotificationCenter::defaultCenter()->postNotificationName(u"NOTIF_SAVE_GAME_DATA"_s);
    EXPECT_FALSE(context->hasChanges());
}

TEST_F(AppDelegate, TerminationFlushesDefaultsThenSaves) {
    {
        Questlog3AppDelegate delegate;
        delegate.applicationDidFinishLaunching();
        UserDefaults::standardUserDefaults()->setInteger(2, u"DEFAULT_TAB"_s);
        delegate.applicationWillTerminate();  // nothing to save, defaults still flushed
        delegate.managedObjectContext()->insertNewGame()->setTitle(u"Halo"_s);
        delegate.applicationWillTerminate();  // runs once only
        EXPECT_TRUE(delegate.managedObjectContext()->hasChanges());
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
    CapturedConsole captured;
    delegate.applicationDidFinishLaunching();
    QSignalSpy fetched(delegate.rootViewController(), &RootViewController::fetched);
    ASSERT_TRUE(fetched.wait(2000));
    const QString console = captured.text();
    EXPECT_TRUE(console.contains(u"App del: persistentStoreCoordinator: Unresolved error"_s))
        << console.toStdString();
    EXPECT_NE(delegate.managedObjectContext(), nullptr);
    EXPECT_EQ(fetched.takeFirst().at(0).toInt(), 0);
    EXPECT_EQ(delegate.updateController()->getGameCountFromEntity(), -99);
}

TEST_F(AppDelegate, ListShowsStoredTitlesNewestFirst) {
    {
        Questlog3AppDelegate first;
        first.applicationDidFinishLaunching();
        ManagedObjectContext* context = first.managedObjectContext();
        Game* old = context->insertNewGame();
        old->setTitle(u"Old"_s);
        old->setReleaseDate(QDateTime(QDate(2001, 1, 1), QTime(0, 0)));
        Game* recent = context->insertNewGame();
        recent->setTitle(u"Recent"_s);
        recent->setReleaseDate(QDateTime(QDate(2009, 1, 1), QTime(0, 0)));
        first.applicationWillTerminate();
    }
    Questlog3AppDelegate delegate;
    delegate.applicationDidFinishLaunching();
    QSignalSpy fetched(delegate.rootViewController(), &RootViewController::fetched);
    ASSERT_TRUE(fetched.wait(2000));
    QStringList titles;
    for (const Game* game :
         delegate.rootViewController()->model()->fetchedResultsController()->fetchedObjects()) {
        titles.append(game->title());
    }
    EXPECT_EQ(titles, (QStringList{u"Recent"_s, u"Old"_s}));
    NotificationCenter::defaultCenter()->postNotificationName(u"NOTIF_GAMES_UPDATED"_s);
    EXPECT_TRUE(fetched.wait(2000));  // the list follows catalogue changes
}
