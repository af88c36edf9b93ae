#include <gtest/gtest.h>

#include <QProcess>
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

// Games whose review holds the marker.
int countMarked(RawDatabase& raw, const QString& marker) {
    return raw
        .scalar(QStringLiteral("SELECT count(*) FROM Game WHERE myReview = '%1'")
                    .arg(marker)
                    .toUtf8()
                    .constData())
        .toInt();
}

}  // namespace

// A save killed at any moment leaves a sound store that holds all of it or none of it.
TEST(StoreDurability, SaveKilledMidwayLeavesAllOrNothing) {
    {
        TestStore store(storePath());
        ASSERT_TRUE(store.opened);
        for (int i = 0; i < kGames; ++i) {
            Game* game = store.context->insertNewGame();
            game->setTitle(u"Game %1 with a title of ordinary length"_s.arg(i));
            game->setGameDescription(QString(300, QChar(u'a' + i % 26)));
        }
        ASSERT_TRUE(store.context->save(nullptr));
    }

    // An undisturbed run tells how long the save takes on this machine.
    QProcess calibration;
    ASSERT_TRUE(startSaving(calibration, u"calibration"_s));
    ASSERT_TRUE(calibration.waitForFinished(60000));
    ASSERT_EQ(calibration.exitCode(), 0);
    const QByteArray saved = calibration.readAll().trimmed();
    ASSERT_TRUE(saved.startsWith("saved "));
    const qint64 saveMicros = std::max<qint64>(saved.mid(6).toLongLong(), 1000);

    int none = 0;
    int all = 0;
    const int fractions[] = {0, 5, 15, 30, 50, 70, 85, 95, 110};
    for (int i = 0; i < int(std::size(fractions)); ++i) {
        const QString marker = u"kill-%1"_s.arg(i);
        SCOPED_TRACE(marker.toStdString());
        QProcess child;
        ASSERT_TRUE(startSaving(child, marker));
        std::this_thread::sleep_for(std::chrono::microseconds(saveMicros * fractions[i] / 100));
        child.kill();  // SIGKILL
        ASSERT_TRUE(child.waitForFinished(30000));

        RawDatabase raw(storePath());
        EXPECT_EQ(raw.scalar("PRAGMA integrity_check"), u"ok"_s);
        EXPECT_EQ(raw.scalar("SELECT count(*) FROM Game"), QString::number(kGames));
        const int marked = countMarked(raw, marker);
        EXPECT_TRUE(marked == 0 || marked == kGames) << marked << " of " << kGames << " marked";
        (marked == 0 ? none : all) += 1;

        TestStore store(storePath());
        ASSERT_TRUE(store.opened);
        EXPECT_EQ(store.context->countForFetchRequest(gameRequest(), nullptr), kGames);
    }
    RecordProperty("savesLost", none);
    RecordProperty("savesKept", all);
    std::printf("save takes %lld us; killed saves: %d lost whole, %d kept whole\n",
                static_cast<long long>(saveMicros), none, all);
}

// Adding many games at once goes through the rollback journal instead of the log; a kill at
// any moment of it still leaves all of them or none, and the store back on the log.
TEST(StoreDurability, LargeAdditionKilledMidwayLeavesAllOrNothing) {
    constexpr int kAdded = int(ManagedObjectContext::kBulkWriteRows) * 2;
    {
        TestStore store(storePath());
        ASSERT_TRUE(store.opened);
        Game* game = store.context->insertNewGame();
        game->setTitle(u"Already there"_s);
        ASSERT_TRUE(store.context->save(nullptr));
    }
    QProcess calibration;
    ASSERT_TRUE(startSaving(calibration, u"calibration"_s, {QString::number(kAdded)}));
    ASSERT_TRUE(calibration.waitForFinished(60000));
    ASSERT_EQ(calibration.exitCode(), 0);
    const QByteArray saved = calibration.readAll().trimmed();
    ASSERT_TRUE(saved.startsWith("saved "));
    const qint64 saveMicros = std::max<qint64>(saved.mid(6).toLongLong(), 1000);
    int expected = 1 + kAdded;

    int none = 0;
    int all = 0;
    const int fractions[] = {0, 10, 30, 50, 70, 90, 110};
    for (int i = 0; i < int(std::size(fractions)); ++i) {
        const QString marker = u"add-%1"_s.arg(i);
        SCOPED_TRACE(marker.toStdString());
        QProcess child;
        ASSERT_TRUE(startSaving(child, marker, {QString::number(kAdded)}));
        std::this_thread::sleep_for(std::chrono::microseconds(saveMicros * fractions[i] / 100));
        child.kill();  // SIGKILL
        ASSERT_TRUE(child.waitForFinished(30000));

        // Opening the store rolls a cut-off write back and returns it to the log.
        TestStore store(storePath());
        ASSERT_TRUE(store.opened);
        const int count = store.context->countForFetchRequest(gameRequest(), nullptr);
        EXPECT_TRUE(count == expected || count == expected + kAdded) << count;
        (count == expected ? none : all) += 1;
        expected = count;

        RawDatabase raw(storePath());
        EXPECT_EQ(raw.scalar("PRAGMA integrity_check"), u"ok"_s);
        EXPECT_EQ(raw.scalar("PRAGMA journal_mode"), u"wal"_s);
        const int marked = countMarked(raw, marker);
        EXPECT_TRUE(marked == 0 || marked == kAdded) << marked << " of " << kAdded << " added";
    }
    std::printf("adding takes %lld us; killed additions: %d lost whole, %d kept whole\n",
                static_cast<long long>(saveMicros), none, all);
}
