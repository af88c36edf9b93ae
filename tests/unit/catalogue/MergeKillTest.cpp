#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <optional>
#include <thread>

#include "CatalogueGenerator.h"
#include "QStringPrinter.h"
#include "StoreFileSupport.h"
#include "TestStore.h"
#include "UpdateController.h"

using namespace Qt::Literals::StringLiterals;

namespace {

#if defined(__SANITIZE_ADDRESS__)
// Under AddressSanitizer every load and merge runs several times slower; a quarter of the store
// keeps the fifty kills within the time of the normal build.
constexpr int kGames = 25000;
#else
constexpr int kGames = 100000;
#endif
constexpr int kMerged = kGames / 10;  // four fifths update stored games, the rest are new
constexpr int kFirstMerged = kGames - kMerged * 4 / 5;
constexpr int kKills = 50;

// Catalogue rows of the generator with shorter descriptions, so a store of many games stays
// quick to copy and check.
QString catalogue(int firstIndex, int games, quint32 seed, const QDate& reportDate) {
    CatalogueGenerator::Options options;
    options.firstIndex = firstIndex;
    options.games = games;
    options.seed = seed;
    options.reportDate = reportDate;
    QList<QStringList> rows = CatalogueGenerator::rows(options);
    for (QStringList& row : rows) {
        row[15].truncate(40);
    }
    return CatalogueGenerator::catalogueText(reportDate, rows);
}

int countOf(const QString& sql) {
    return SqliteConnection(TestStore::homeStorePath()).execAndGet(sql).toInt();
}

// Every merged row (updated or new) and the marks of the whole store.
QString mergedRows() {
    return storeFingerprint(TestStore::homeStorePath(), u"Game"_s, kFirstMerged);
}

const QString kMarks = u"SELECT count(*) || '/' || total(myScore) FROM Game WHERE myIsWished = 1"_s;

// The merge child, started on the test's store and read line by line.
class Child {
public:
    // With `stopAt`, the child stops at that step of the merge until go() lets it on.
    explicit Child(const QString& updatePath, int stopAt = 0) {
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QStringList arguments{TestStore::homeStorePath(), updatePath};
        if (stopAt > 0) {
            arguments.append(QString::number(stopAt));
        }
        process_.start(QString::fromUtf8(QUESTLOG_MERGE_CRASH_CHILD), arguments);
        process_.waitForStarted(30000);
    }
    ~Child() {
        process_.kill();
        process_.waitForFinished(30000);
    }
    // The next line, or an empty one when the child has ended.
    QByteArray line() {
        while (!process_.canReadLine()) {
            if (process_.state() != QProcess::Running || !process_.waitForReadyRead(60000)) {
                return process_.readAll().trimmed();
            }
        }
        return process_.readLine().trimmed();
    }
    void go() {
        process_.write("g", 1);
        process_.waitForBytesWritten(30000);
    }
    // How the child ended, for a failure message.
    std::string ending() const {
        return QStringLiteral("child exit status %1, code %2")
            .arg(int(process_.exitStatus()))
            .arg(process_.exitCode())
            .toStdString();
    }
    // SIGKILL; answers what the child wrote that was not read yet.
    QByteArray kill() {
        process_.kill();
        process_.waitForFinished(30000);
        return process_.readAll();
    }

private:
    QProcess process_;
};

class MergeKill : public testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_.emplace();
        fixture_ = dir_->filePath(u"fixture.sqlite"_s);
        updatePath_ = dir_->filePath(u"update.xml"_s);
        TestStore store(fixture_);
        ASSERT_TRUE(store.opened);
        UpdateController controller(store.context.get(), store.model.get());
        controller.addGamesToEntityFromUpdateFileReturnReportYMD(
            catalogue(0, kGames, 5, QDate(2026, 11, 1)), false);
        // The user's marks on every tenth game, merged ones among them.
        const QList<Game*> games = store.gamesByTitle();
        ASSERT_EQ(games.size(), kGames);
        for (int i = 0; i < kGames; i += 10) {
            games[i]->setMyIsWished(1);
            games[i]->setMyScore(float(1 + i % 9) * 0.5f);
        }
        ASSERT_TRUE(store.context->save(nullptr));
        QFile update(updatePath_);
        ASSERT_TRUE(update.open(QIODevice::WriteOnly));
        update.write(catalogue(kFirstMerged, kMerged, 6, QDate(2026, 11, 8)).toUtf8());
    }
    static void TearDownTestSuite() { dir_.reset(); }

    static inline std::optional<QTemporaryDir> dir_;
    static inline QString fixture_;
    static inline QString updatePath_;
};

// A merge killed at any moment of its writes leaves a sound store that holds all of it or none
// of it, and every mark.
TEST_F(MergeKill, StoreHoldsTheWholeMergeOrNoneOfIt) {
    QElapsedTimer timer;
    timer.start();
    ASSERT_TRUE(replaceStoreFile(fixture_, TestStore::homeStorePath()));
    const QString before = mergedRows();
    const QString storedMarks =
        SqliteConnection(TestStore::homeStorePath()).execAndGet(kMarks).toString();

    // One merge undisturbed: how many steps it reports and what it leaves.
    int steps = 0;
    {
        Child child(updatePath_);
        ASSERT_EQ(child.line(), "loaded") << child.ending();
        const QByteArray saved = child.line();
        ASSERT_TRUE(saved.startsWith("saved")) << child.ending();
        steps = saved.split(' ').value(1).toInt();
        std::printf("undisturbed merge (steps, writes, syncs, µs): %s\n", saved.constData());
    }
    ASSERT_GT(steps, 10);
    const QString after = mergedRows();
    ASSERT_NE(after, before);
    EXPECT_EQ(countOf(u"SELECT count(*) FROM Game"_s), kGames + kMerged / 5);
    EXPECT_EQ(SqliteConnection(TestStore::homeStorePath()).execAndGet(kMarks).toString(),
              storedMarks);

    const quint32 seed = qEnvironmentVariableIsSet("QUESTLOG_KILL_SEED")
                             ? quint32(qEnvironmentVariableIntValue("QUESTLOG_KILL_SEED"))
                             : QRandomGenerator::global()->generate();
    std::printf("merge kill seed %u (QUESTLOG_KILL_SEED repeats it)\n", seed);
    QRandomGenerator random(seed);
    int whole = 0;
    int afterSave = 0;
    for (int kill = 0; kill < kKills; ++kill) {
        // Every other kill lands at a step drawn from the whole merge and a moment later;
        // the others at one of the last eight steps (the last frames, the commit frame and its
        // sync), where the child is stopped:
        // a moment later it would be done.
        const bool nearCommit = kill % 2 == 1;
        const quint32 from = nearCommit ? quint32(steps) - 7 : 1;
        const int step = int(random.bounded(from, quint32(steps) + 1));
        const auto extra = std::chrono::microseconds(nearCommit ? 0 : random.bounded(300));
        SCOPED_TRACE(u"seed %1, kill %2 at step %3 of %4 +%5 µs"_s.arg(seed)
                         .arg(kill)
                         .arg(step)
                         .arg(steps)
                         .arg(extra.count())
                         .toStdString());
        ASSERT_TRUE(replaceStoreFile(fixture_, TestStore::homeStorePath()));
        {
            Child child(updatePath_, step);
            ASSERT_EQ(child.line(), "loaded") << child.ending();
            const QByteArray line = child.line();
            ASSERT_TRUE(line.startsWith("at ")) << line.constData() << child.ending();
            if (!nearCommit) {
                child.go();
                std::this_thread::sleep_for(extra);
            }
            if (child.kill().contains("saved")) {
                ++afterSave;
            }
        }
        EXPECT_EQ(integrityOf(TestStore::homeStorePath()), u"ok"_s);
        const QString merged = mergedRows();
        EXPECT_TRUE(merged == before || merged == after) << merged.toStdString();
        whole += merged == after ? 1 : 0;
        EXPECT_EQ(countOf(u"SELECT count(*) FROM Game"_s),
                  merged == after ? kGames + kMerged / 5 : kGames);
        EXPECT_EQ(SqliteConnection(TestStore::homeStorePath()).execAndGet(kMarks).toString(),
                  storedMarks);
        if (HasFailure()) {
            break;
        }
    }
    std::printf(
        "merge of %d rows into %d killed %d times: %d held it whole, %d none; %d kills "
        "came after the save; %lld ms\n",
        kMerged, kGames, kKills, whole, kKills - whole, afterSave,
        static_cast<long long>(timer.elapsed()));
    // The moments are drawn from inside the merge's writes: nearly every kill must land there.
    EXPECT_LE(afterSave, kKills / 10);
}

}  // namespace
