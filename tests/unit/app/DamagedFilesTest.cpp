#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QResource>
#include <QSignalSpy>

#include "Animator.h"
#include "DetailPage.h"
#include "FetchedResultsController.h"
#include "GameListModel.h"
#include "ImageLoader.h"
#include "MarksFile.h"
#include "MarksKeeper.h"
#include "Model.h"
#include "NavigationController.h"
#include "NotificationCenter.h"
#include "OrvConnection.h"
#include "Questlog3AppDelegate.h"
#include "RootViewController.h"
#include "ScopedClock.h"
#include "ScopedEnv.h"
#include "TestStore.h"
#include "UpdateController.h"
#include "UserDefaults.h"

using namespace Qt::Literals::StringLiterals;

namespace {

QByteArray bytesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The files under the data home, relative, that end with `suffix` and hold exactly `bytes`.
QStringList filesHolding(const QByteArray& bytes, const QString& suffix) {
    const QDir home(FileFunctions::getDocumentDirectoryPath());
    QStringList found;
    QDirIterator files(home.path(), QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString path = files.next();
        if (path.endsWith(suffix) && bytesOf(path) == bytes) {
            found.append(home.relativeFilePath(path));
        }
    }
    return found;
}

// A store of the user's own, its catalogue installed long ago: games "Own 0", "Own 1"...
void makeOwnStore(int games) {
    TestStore store;
    for (int i = 0; i < games; ++i) {
        store.add(u"Own %1"_s.arg(i))->setIdCriticon(u"own-%1"_s.arg(i));
    }
    ASSERT_TRUE(store.context->save(nullptr));
    UpdateController::updateControllerWithContext(store.context.get(), store.model.get())
        ->setLastUpdateYMD(u"2020-01-01"_s);
}

// Writes one page of junk over the middle of the file, where the header check cannot see it.
void overwriteMiddlePage(const QString& path) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite) && file.seek(file.size() / 2 / 4096 * 4096));
    file.write(QByteArray(4096, '\x7f'));
}

bool setHomeWritable(bool writable) {
    return QFile::setPermissions(
        FileFunctions::getDocumentDirectoryPath(),
        QFile::ReadOwner | QFile::ExeOwner | (writable ? QFile::WriteOwner : QFile::Permissions()));
}

// A wii build (its shipped catalogue goes into any new store) asking no service for anything,
// its start's delays played out at once.
class DamagedFiles : public testing::Test {
protected:
    ScopedEnv catalogue_{"QUESTLOG_CATALOGUE_SERVICE", ""}, review_{"QUESTLOG_REVIEW_SERVICE", ""},
        metrics_{"QUESTLOG_METRICS_SERVICE", ""};
    DamagedFiles() {
        Animator::setImmediate(true);
        OrvConnection::setReachabilityFlagsReader([] { return OrvConnection::kReachable; });
        EXPECT_TRUE(QResource::registerResource(QStringLiteral(QUESTLOG_WII_BUNDLE)));
        Model::resetInstance();
        ImageLoader::setDownloader([](const QString&) { return QByteArray(); });
    }
    ~DamagedFiles() override {
        setHomeWritable(true);
        ImageLoader::resetInstance();
        ImageLoader::setDownloader({});
        QResource::unregisterResource(QStringLiteral(QUESTLOG_WII_BUNDLE));
        Model::resetInstance();
        OrvConnection::setReachabilityFlagsReader({});
        UserDefaults::resetStandardUserDefaults();
        Animator::setImmediate(false);
    }

    // Starts the program until its list shows games; what it wrote to the console.
    static QString start(Questlog3AppDelegate& delegate) {
        CapturedConsole console;
        QSignalSpy fetched(delegate.rootViewController(), &RootViewController::fetched);
        delegate.applicationDidFinishLaunching();
        Animator::runPendingDelays();
        while (listed(delegate).isEmpty() && fetched.wait(30000)) {
        }
        EXPECT_FALSE(listed(delegate).isEmpty());
        return console.text();
    }
    static QList<Game*> listed(Questlog3AppDelegate& delegate) {
        return delegate.rootViewController()->model()->fetchedResultsController()->fetchedObjects();
    }
};

}  // namespace

// However the user's files are damaged, the program says so, lists games, opens one and takes a
// mark; what the user had stays byte for byte, in its place or moved aside under a name said.
TEST_F(DamagedFiles, EachDamageIsSaidAndTheProgramStaysUsableWithNothingLost) {
    const QString store = TestStore::homeStorePath();
    const QString settings = TestStore::homeFile(u"UserDefaults.ini"_s);
    const QString note = store + u"/note"_s;
    const auto write = [](const QString& path, const QByteArray& bytes) {
        EXPECT_TRUE(FileFunctions::createFileAtPath(path, bytes));
    };
    const struct {
        const char* kind;
        int ownStore;  // the games of a store of the user's made first, if any
        std::function<void()> damage;
        const QString* original;  // the file the user had, if any
        const char* said;
        const char* keptAs;   // the original's new name ends so; "" for its own place
        bool ownGames;        // else the shipped catalogue in a new store
        bool marksReachFile;  // else kept in memory, a read-only store saying it failed
    } cases[] = {
        {"store cut short", 300, [&] { QFile::resize(store, QFileInfo(store).size() * 6 / 10); },
         &store, "is damaged", ".damaged", false, true},
        {"store overwritten in the middle", 300, [&] { overwriteMiddlePage(store); }, &store,
         "is damaged", ".damaged", false, true},
        {"store of text", 0, [&] { write(store, QByteArray("my notes\n").repeated(99)); }, &store,
         "is damaged", ".damaged", false, true},
        {"store of a later release", 3,
         [&] { SqliteConnection(store).exec(u"PRAGMA user_version=99"_s); }, &store,
         "later release", ".newer", false, true},
        {"store made read-only", 3, [&] { QFile::setPermissions(store, QFile::ReadOwner); }, &store,
         "used read-only", "", true, false},
        {"read-only data home with a store", 3, [] { setHomeWritable(false); }, &store,
         "used read-only", "", true, false},
        {"read-only data home, no store", 0, [] { setHomeWritable(false); }, nullptr,
         "in memory only", "", false, false},
        {"a folder in the store's place", 0,
         [&] {
             QDir().mkpath(store);
             write(note, "kept");
         },
         &note, "in memory only", "", false, false},
        {"settings of garbage", 0, [&] { write(settings, "\x01\x02[[[\n=\n\xff junk"); }, &settings,
         "UserDefaults.ini is damaged", ".damaged", false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        UserDefaults::resetStandardUserDefaults();
        QDir(FileFunctions::getDocumentDirectoryPath()).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(FileFunctions::getDocumentDirectoryPath()));
        if (c.ownStore > 0) {
            makeOwnStore(c.ownStore);
        }
        c.damage();
        const QByteArray originalBytes = c.original ? bytesOf(*c.original) : QByteArray();
        {
            Questlog3AppDelegate delegate;
            const QString console = start(delegate);
            EXPECT_TRUE(console.contains(QString::fromUtf8(c.said))) << console.toStdString();
            const QStringList kept = filesHolding(originalBytes, QString::fromUtf8(c.keptAs));
            if (c.original) {
                ASSERT_EQ(kept.size(), 1);
                EXPECT_TRUE(*c.keptAs == 0 || console.contains(kept[0])) << console.toStdString();
            }
            const QList<Game*> games = listed(delegate);
            ASSERT_FALSE(games.isEmpty());
            EXPECT_EQ(std::any_of(games.begin(), games.end(),
                                  [](Game* g) { return g->title().startsWith(u"Own"_s); }),
                      c.ownGames);

            Game* game = games.first();
            NotificationCenter::defaultCenter()->postNotificationName(u"NOTIF_SHOW_GAME_DETAILS"_s,
                                                                      QVariant::fromValue(game));
            auto* page =
                qobject_cast<DetailPage*>(delegate.navigationController()->topViewController());
            EXPECT_TRUE(page != nullptr && page->game() == game);  // the game opens
            game->setMyIsWished(1);
            CapturedConsole saving;
            NotificationCenter::defaultCenter()->postNotificationName(u"NOTIF_SAVE_GAME_DATA"_s);
            EXPECT_EQ(saving.text().contains(u"Unresolved error"_s), c.ownGames);
            EXPECT_EQ(game->myIsWished(), 1);
            // Read as any other client of the file would.
            const QVariant stored =
                SqliteConnection(store, SqliteConnection::ReadOnly)
                    .execAndGet(u"SELECT myIsWished FROM Game WHERE idCriticon = '%1'"_s.arg(
                        game->idCriticon()));
            EXPECT_EQ(stored.toInt() == 1, c.marksReachFile);
        }
        setHomeWritable(true);
        EXPECT_TRUE(!c.original || *c.keptAs != 0 || bytesOf(*c.original) == originalBytes);
    }
}

// A store moved aside as damaged gets the marks of the newest backup once the new store's
// catalogue is in, said on the console; a clean start after it does not restore them again. Two
// damaged starts within one second each keep their store, its log beside it.
TEST_F(DamagedFiles, AStoreMovedAsideAsDamagedIsKeptAndGetsTheMarksOfTheNewestBackup) {
    const ScopedClock clock(QDateTime(QDate(2026, 5, 6), QTime(7, 8, 9)));
    MarksFile backup;
    backup.games = {{u"20500000"_s, u"Orchard"_s, 4.0f, true, false},
                    {u"not-in-the-catalogue"_s, u"Gone"_s, 2.0f, false, true}};
    ASSERT_TRUE(QDir().mkpath(MarksKeeper::backupFolderPath()));
    const QString path = MarksKeeper::backupFolderPath() + u"/marks-2026-01-02-030405.json"_s;
    ASSERT_TRUE(FileFunctions::createFileAtPath(path, backup.toBytes(MarksFile::Format::Json)));
    const QByteArray damaged[] = {"first damaged store", "second damaged store", {}};
    for (const QByteArray& bytes : damaged) {
        SCOPED_TRACE(bytes.constData());
        ASSERT_TRUE(bytes.isEmpty() ||
                    (FileFunctions::createFileAtPath(TestStore::homeStorePath(), bytes) &&
                     FileFunctions::createFileAtPath(TestStore::homeStorePath() + u"-wal"_s,
                                                     bytes + " log")));
        Questlog3AppDelegate delegate;
        const QString console = start(delegate);
        EXPECT_EQ(console.contains(u"Restored the marks of 1 game from "_s + path),
                  !bytes.isEmpty())
            << console.toStdString();
        Game* game = delegate.updateController()->getGameFromEntityWithCriticonID(u"20500000"_s);
        ASSERT_NE(game, nullptr);
        EXPECT_EQ(std::tuple(game->myScore(), game->scoreDisplay(), game->myIsWished()),
                  std::tuple(4.0f, 4.0f, 1));
    }
    for (const QByteArray& bytes : {damaged[0], damaged[1]}) {
        const QStringList kept = filesHolding(bytes, u".damaged"_s);
        ASSERT_EQ(kept.size(), 1) << bytes.constData();
        EXPECT_TRUE(kept[0].contains(u"2026-05-06-070809"_s)) << kept[0].toStdString();
        EXPECT_EQ(filesHolding(bytes + " log", u".damaged-wal"_s),
                  QStringList(kept[0] + u"-wal"_s));
    }
}
