#include <gtest/gtest.h>

#include <QProcess>
#include <functional>
#include <thread>

#include "QStringPrinter.h"
#include "StoreTestSupport.h"

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kGames = 10000;

// Starts the child on the store and waits until it announces the save.
bool startSaving(QProcess& child, const QString& marker, const QStringList& more = {}) {
    child.setProgram(QString::fromUtf8(QUESTLOG_STORE_CRASH_CHILD));
    child.setArguments(QStringList{storePath(), marker} + more);
    child.start();
    if (!child.waitForStarted(10000)) {
        return false;
    }
    while (!child.canReadLine()) {
        if (!child.waitForReadyRead(30000)) {
            return false;
        }
    }
    return child.readLine().trimmed() == "saving";
}

// Runs the child once undisturbed to learn how long its save takes on this machine.
qint64 calibratedSaveMicros(const QStringList& more = {}) {
    QProcess calibration;
    if (!startSaving(calibration, u"calibration"_s, more) || !calibration.waitForFinished(60000) ||
        calibration.exitCode() != 0) {
        return -1;
    }
    const QByteArray saved = calibration.readAll().trimmed();
    return saved.startsWith("saved ") ? std::max<qint64>(saved.mid(6).toLongLong(), 1000) : -1;
}

// Kills the child's save at each fraction of its undisturbed length; after each kill the store
// must be sound and hold `expected` games, with all `marked` of them carrying the marker or none.
void killAtFractions(const QStringList& more, int marked, const std::function<int()>& expected) {
    const qint64 saveMicros = calibratedSaveMicros(more);
    ASSERT_GT(saveMicros, 0);
    for (int fraction : {0, 5, 15, 30, 50, 70, 85, 95, 110}) {
        const QString marker = u"kill-%1"_s.arg(fraction);
        SCOPED_TRACE(marker.toStdString());
        QProcess child;
        ASSERT_TRUE(startSaving(child, marker, more));
        std::this_thread::sleep_for(std::chrono::microseconds(saveMicros * fraction / 100));
        child.kill();  // SIGKILL
        ASSERT_TRUE(child.waitForFinished(30000));
        // Opening the store rolls a cut-off write back and returns it to the log.
        TestStore store(storePath());
        ASSERT_TRUE(store.opened);
        EXPECT_EQ(store.context->countForFetchRequest(gameRequest(), nullptr), expected());
        EXPECT_EQ(storeValue(u"PRAGMA integrity_check"_s), u"ok"_s);
        EXPECT_EQ(storeValue(u"PRAGMA journal_mode"_s), u"wal"_s);
        const int count =
            storeValue(u"SELECT count(*) FROM Game WHERE myReview = '%1'"_s.arg(marker)).toInt();
        EXPECT_TRUE(count == 0 || count == marked) << count << " of " << marked << " marked";
    }
}

}  // namespace

// A save killed at any moment leaves a sound store that holds all of it or none of it.
TEST(StoreDurability, SaveKilledMidwayLeavesAllOrNothing) {
    {
        TestStore store(storePath());
        ASSERT_TRUE(store.opened);
        for (int i = 0; i < kGames; ++i) {
            Game* game = store.add(u"Game %1 with a title of ordinary length"_s.arg(i));
            game->setGameDescription(QString(300, QChar(u'a' + i % 26)));
        }
        ASSERT_TRUE(store.context->save(nullptr));
    }
    killAtFractions({}, kGames, [] { return kGames; });
}

// Adding many games at once goes through the rollback journal instead of the log; a kill at
// any moment of it still leaves all of them or none, and the store back on the log.
TEST(StoreDurability, LargeAdditionKilledMidwayLeavesAllOrNothing) {
    constexpr int kAdded = int(ManagedObjectContext::kBulkWriteRows) * 2;
    {
        TestStore store(storePath());
        store.add(u"Already there"_s);
        ASSERT_TRUE(store.context->save(nullptr));
    }
    // Each kill may have kept its additions, but only whole.
    killAtFractions({QString::number(kAdded)}, kAdded, [] {
        const int count = storeValue(u"SELECT count(*) FROM Game"_s).toInt();
        return (count - 1) % kAdded == 0 ? count : -1;
    });
}
