#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QResource>
#include <QTest>
#include <functional>

#include "Animator.h"
#include "DetailPage.h"
#include "FetchedResultsController.h"
#include "FileFunctions.h"
#include "GameListModel.h"
#include "ImageLoader.h"
#include "Model.h"
#include "NavigationController.h"
#include "NotificationCenter.h"
#include "OrvConnection.h"
#include "QStringPrinter.h"
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

bool writeFile(const QString& path, const QByteArray& bytes) {
    return FileFunctions::createFileAtPath(path, bytes);
}

QString home() {
    return FileFunctions::getDocumentDirectoryPath();
}

// A store of the user's own, its catalogue installed long ago: games "Own 0".."Own n-1", saved
// and closed (the log folded in).
void makeOwnStore(int games = 300) {
    TestStore store;
    for (int i = 0; i < games; ++i) {
        store.add(u"Own %1"_s.arg(i))->setIdCriticon(u"own-%1"_s.arg(i));
    }
    ASSERT_TRUE(store.context->save(nullptr));
    UpdateController::updateControllerWithContext(store.context.get(), store.model.get())
        ->setLastUpdateYMD(u"2020-01-01"_s);
}

void setUserVersion(int version) {
    SqliteConnection connection(TestStore::homeStorePath());
    ASSERT_TRUE(connection.exec(u"PRAGMA user_version=%1"_s.arg(version)));
}

// Every file under the data home whose name ends with `suffix` and holds exactly `bytes`.
QStringList filesHolding(const QByteArray& bytes, const QString& suffix) {
    QStringList found;
    QDirIterator files(home(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString path = files.next();
        if (path.endsWith(suffix) && bytesOf(path) == bytes) {
            found.append(QDir(home()).relativeFilePath(path));
        }
    }
    return found;
}

// The program started against a data home with one kind of damage: a wii build (its shipped
// catalogue installs into any new store), the start's delays played out at once.
class DamagedFiles : public testing::Test {
protected:
    // No service is asked for anything.
    ScopedEnv catalogue_{"QUESTLOG_CATALOGUE_SERVICE", ""}, review_{"QUESTLOG_REVIEW_SERVICE", ""},
        metrics_{"QUESTLOG_METRICS_SERVICE", ""};
    DamagedFiles() {
        Animator::setImmediate(true);
        UserDefaults::resetStandardUserDefaults();
        OrvConnection::setReachabilityFlagsReader([] { return OrvConnection::kReachable; });
        EXPECT_TRUE(QResource::registerResource(QStringLiteral(QUESTLOG_WII_BUNDLE)));
        Model::resetInstance();
        ImageLoader::setDownloader([](const QString&) { return QByteArray(); });
    }
    ~DamagedFiles() override {
        ImageLoader::resetInstance();
        ImageLoader::setDownloader({});
        QFile::setPermissions(home(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QResource::unregisterResource(QStringLiteral(QUESTLOG_WII_BUNDLE));
        Model::resetInstance();
        OrvConnection::setReachabilityFlagsReader({});
        UserDefaults::resetStandardUserDefaults();
        Animator::setImmediate(false);
    }

    // Starts the program and waits until its list shows games; what it wrote to the console.
    static QString start(Questlog3AppDelegate& delegate) {
        CapturedConsole console;
        delegate.applicationDidFinishLaunching();
        Animator::runPendingDelays();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !listed(delegate).isEmpty(); }, 30000));
        return console.text();
    }
    static QList<Game*> listed(Questlog3AppDelegate& delegate) {
        return delegate.rootViewController()->model()->fetchedResultsController()->fetchedObjects();
    }
};

struct Damage {
    const char* kind;
    // Damages the data home; the file the user had, or null when there was none.
    std::function<QString()> make;
    const char* said;  // in the console line
    // Where the original bytes are afterwards: a file ending so ("" for the file's own place).
    const char* keptAs;
    bool ownGamesListed;  // else the shipped catalogue, in a new store
    bool marksReachAFile;
};

}  // namespace

// However the user's files are damaged, the program says so, starts with a list, opens a game
// and takes a mark; what the user had stays byte for byte, in its place or moved aside.
TEST_F(DamagedFiles, EachDamageIsSaidAndTheProgramStaysUsableWithNothingLost) {
    const QString store = TestStore::homeStorePath();
    const auto lockHome = [] {
        return QFile::setPermissions(home(), QFile::ReadOwner | QFile::ExeOwner);
    };
    const Damage cases[] = {
        {"store cut short",
         [&] {
             makeOwnStore();
             QFile file(store);
             EXPECT_TRUE(file.resize(file.size() * 6 / 10));
             return store;
         },
         "is damaged", ".damaged", false, true},
        {"store of text",
         [&] {
             EXPECT_TRUE(writeFile(store, QByteArray("my notes, not a database\n").repeated(99)));
             return store;
         },
         "is damaged", ".damaged", false, true},
        {"store of a later release",
         [&] {
             makeOwnStore(3);
             setUserVersion(99);
             return store;
         },
         "later release", ".newer", false, true},
        {"store made read-only",
         [&] {
             makeOwnStore(3);
             EXPECT_TRUE(QFile::setPermissions(store, QFile::ReadOwner | QFile::ReadGroup));
             return store;
         },
         "used read-only", "", true, false},
        {"data home made read-only, with a store",
         [&] {
             makeOwnStore(3);
             EXPECT_TRUE(lockHome());
             return store;
         },
         "used read-only", "", true, false},
        {"data home made read-only, no store yet",
         [&] {
             EXPECT_TRUE(lockHome());
             return QString();
         },
         "in memory only", "", false, false},
        {"a folder in the store's place",
         [&] {
             EXPECT_TRUE(QDir().mkpath(store + u"/inside"_s) &&
                         writeFile(store + u"/inside/note"_s, "kept"));
             return store + u"/inside/note"_s;
         },
         "in memory only", "", false, false},
        {"settings of garbage",
         [&] {
             const QString settings =
                 FileFunctions::getPathForDocumentDirectoryResource(u"UserDefaults.ini"_s);
             EXPECT_TRUE(writeFile(settings, "\x01\x02[[[\n=\n\xff garbage"));
             return settings;
         },
         "UserDefaults.ini is damaged", ".damaged", false, true},
    };
    for (const Damage& damage : cases) {
        SCOPED_TRACE(damage.kind);
        UserDefaults::resetStandardUserDefaults();
        QDir(home()).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(home()));
        const QString original = damage.make();
        const QByteArray originalBytes = bytesOf(original);
        {
            Questlog3AppDelegate delegate;
            const QString console = start(delegate);
            EXPECT_TRUE(console.contains(QString::fromUtf8(damage.said))) << console.toStdString();
            if (!original.isNull()) {
                const QStringList kept =
                    filesHolding(originalBytes, QString::fromUtf8(damage.keptAs));
                EXPECT_EQ(kept.size(), 1) << kept.join(u' ').toStdString();
                if (*damage.keptAs != 0) {
                    EXPECT_TRUE(console.contains(kept.value(0)))
                        << console.toStdString();  // says where
                }
            }
            const QList<Game*> games = listed(delegate);
            ASSERT_FALSE(games.isEmpty());
            EXPECT_EQ(std::any_of(games.begin(), games.end(),
                                  [](Game* g) { return g->title().startsWith(u"Own"_s); }),
                      damage.ownGamesListed);

            // A game opens; a mark is taken, and kept at least in memory.
            Game* game = games.first();
            NotificationCenter::defaultCenter()->postNotificationName(u"NOTIF_SHOW_GAME_DETAILS"_s,
                                                                      QVariant::fromValue(game));
            auto* page =
                qobject_cast<DetailPage*>(delegate.navigationController()->topViewController());
            ASSERT_NE(page, nullptr);
            EXPECT_EQ(page->game(), game);
            game->setMyIsWished(1);
            CapturedConsole saving;
            NotificationCenter::defaultCenter()->postNotificationName(u"NOTIF_SAVE_GAME_DATA"_s);
            const bool saveFailed = saving.text().contains(u"Unresolved error"_s);
            EXPECT_EQ(game->myIsWished(), 1);
            EXPECT_EQ(saveFailed, damage.ownGamesListed);  // the read-only store says it
            if (damage.marksReachAFile) {
                TestStore reread;
                const QList<Game*> stored = reread.gamesByTitle();
                EXPECT_TRUE(std::any_of(stored.begin(), stored.end(), [&](Game* g) {
                    return g->idCriticon() == game->idCriticon() && g->myIsWished() == 1;
                }));
            }
        }
        QFile::setPermissions(home(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (!original.isNull() && *damage.keptAs == 0) {
            EXPECT_EQ(bytesOf(original), originalBytes);  // untouched after the whole run
        }
    }
}

// Two damaged starts within one second each keep their damaged store.
TEST_F(DamagedFiles, TwoDamagedStartsInOneSecondKeepBothStores) {
    const ScopedClock clock(QDateTime(QDate(2026, 5, 6), QTime(7, 8, 9)));
    const QByteArray damaged[] = {"first damaged store", "second damaged store"};
    for (const QByteArray& bytes : damaged) {
        ASSERT_TRUE(writeFile(TestStore::homeStorePath(), bytes));
        Questlog3AppDelegate delegate;
        start(delegate);
    }
    for (const QByteArray& bytes : damaged) {
        const QStringList kept = filesHolding(bytes, u".damaged"_s);
        ASSERT_EQ(kept.size(), 1) << bytes.constData();
        EXPECT_TRUE(kept[0].contains(u"2026-05-06-070809"_s)) << kept[0].toStdString();
    }
}
