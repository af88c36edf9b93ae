#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <optional>
#include <thread>

#include "CatalogueGenerator.h"
#include "FileFunctions.h"
#include "QStringPrinter.h"
#include "StoreFileSupport.h"
#include "TestStore.h"
#include "UpdateController.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// The full size under the sanitizers too: a smaller merge ends within the moments the kills are
// drawn from, and too many would land after its save.
constexpr int kGames = 100000;
constexpr int kMerged = kGames / 10;  // four fifths update stored games, the rest are new
constexpr int kFirstMerged = kGames - kMerged * 4 / 5;
constexpr int kInstalled = 10000;  // the games of the first install into an empty store

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

// What a kill may change: the rows the catalogue file writes (all from the first one written),
// the count of games, and the marks of the whole store, which no kill may change.
QString rowsOf(qint64 afterRowId) {
    const QString path = TestStore::homeStorePath();
    return u"%1 games, %2"_s
        .arg(SqliteConnection(path).execAndGet(u"SELECT count(*) FROM Game"_s).toInt())
        .arg(storeFingerprint(path, u"Game"_s, afterRowId));
}
QString marks() {
    return SqliteConnection(TestStore::homeStorePath())
        .execAndGet(u"SELECT count(*) || '/' || total(myScore) FROM Game WHERE myIsWished = 1"_s)
        .toString();
}

// The daily update merge of 10k rows into 100k (50 kills), and the first install of many games
// into an empty store, which goes through the rollback journal (fewer kills: the same code). The
// install writes most of its pages in one burst at the commit, which a moment let on would
// finish: it is killed where it stops.
const struct Scenario {
    const char* name;
    bool merge;
    int kills;
    quint32 maxExtraMicros;
} kScenarios[] = {{"Merge", true, 50, 300}, {"Install", false, 20, 0}};

// The merge child, started on the test's store and read line by line; killed when it goes.
class Child {
public:
    // With `stopAt`, the child stops at that step of the merge until go() lets it on.
    Child(const QString& updatePath, bool merge, int stopAt = 0) {
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(QString::fromUtf8(QUESTLOG_MERGE_CRASH_CHILD),
                       {TestStore::homeStorePath(), updatePath, merge ? u"merge"_s : u"install"_s,
                        QString::number(stopAt)});
        process_.waitForStarted(30000);
    }
    ~Child() { kill(); }
    // The next line; what is left, exit code appended, once the child has ended.
    QByteArray line() {
        while (!process_.canReadLine()) {
            if (process_.state() != QProcess::Running || !process_.waitForReadyRead(60000)) {
                return process_.readAll().trimmed() + " (exit " +
                       QByteArray::number(process_.exitCode()) + ")";
            }
        }
        return process_.readLine().trimmed();
    }
    void go() {
        process_.write("g", 1);
        process_.waitForBytesWritten(30000);
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

class MergeKill : public testing::TestWithParam<Scenario> {
protected:
    static void SetUpTestSuite() {
        dir_.emplace();
        {
            TestStore empty(dir_->filePath(u"empty.sqlite"_s));
            ASSERT_TRUE(empty.opened);
        }
        TestStore store(dir_->filePath(u"merge.sqlite"_s));
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
        ASSERT_TRUE(FileFunctions::createFileAtPath(
            dir_->filePath(u"merge.xml"_s),
            catalogue(kFirstMerged, kMerged, 6, QDate(2026, 11, 8)).toUtf8()));
        ASSERT_TRUE(FileFunctions::createFileAtPath(
            dir_->filePath(u"install.xml"_s),
            catalogue(0, kInstalled, 7, QDate(2026, 11, 1)).toUtf8()));
    }
    static void TearDownTestSuite() { dir_.reset(); }

    static inline std::optional<QTemporaryDir> dir_;
};

// A merge or install killed at any moment of its writes leaves a sound store that holds all of
// it or none of it, and every mark.
TEST_P(MergeKill, StoreHoldsAllOfItOrNoneOfIt) {
    const Scenario scenario = GetParam();
    const QString fixture = dir_->filePath(scenario.merge ? u"merge.sqlite"_s : u"empty.sqlite"_s);
    const QString update = dir_->filePath(scenario.merge ? u"merge.xml"_s : u"install.xml"_s);
    const qint64 firstRow = scenario.merge ? kFirstMerged : 0;
    QElapsedTimer timer;
    timer.start();
    ASSERT_TRUE(replaceStoreFile(fixture, TestStore::homeStorePath()));
    const QString before = rowsOf(firstRow), marksBefore = marks();

    // One run undisturbed: how many steps it reports and what it leaves.
    int steps = 0;
    {
        Child child(update, scenario.merge);
        const QByteArray saved = child.line();
        ASSERT_TRUE(saved.startsWith("saved")) << saved.constData();
        steps = saved.split(' ').value(1).toInt();
        std::printf("undisturbed %s (steps, writes, syncs, µs): %s\n", scenario.name,
                    saved.constData());
    }
    ASSERT_GT(steps, 10);
    const QString after = rowsOf(firstRow);
    ASSERT_NE(after, before);
    EXPECT_EQ(marks(), marksBefore);

    const quint32 seed = qEnvironmentVariableIsSet("QUESTLOG_KILL_SEED")
                             ? quint32(qEnvironmentVariableIntValue("QUESTLOG_KILL_SEED"))
                             : QRandomGenerator::global()->generate();
    std::printf("kill seed %u (QUESTLOG_KILL_SEED repeats it)\n", seed);
    QRandomGenerator random(seed);
    int whole = 0, afterSave = 0;
    const int kills = scenario.kills;
    for (int kill = 0; kill < kills; ++kill) {
        // Every other kill lands at a step drawn from the whole run and a moment later; the
        // others at one of the last eight steps (the last writes, the commit and its sync),
        // where the child is stopped: a moment later it would be done.
        const bool nearCommit = kill % 2 == 1;
        const quint32 from = nearCommit ? quint32(steps) - 7 : 1;
        const int step = int(random.bounded(from, quint32(steps) + 1));
        const bool letOn = !nearCommit && scenario.maxExtraMicros > 0;
        const auto extra =
            std::chrono::microseconds(letOn ? random.bounded(scenario.maxExtraMicros) : 0);
        SCOPED_TRACE(testing::Message()
                     << "seed " << seed << ", kill " << kill << " at step " << step << " of "
                     << steps << " +" << extra.count() << " µs");
        ASSERT_TRUE(replaceStoreFile(fixture, TestStore::homeStorePath()));
        {
            Child child(update, scenario.merge, step);
            const QByteArray line = child.line();
            ASSERT_TRUE(line.startsWith("at ")) << line.constData();
            if (letOn) {
                child.go();
                std::this_thread::sleep_for(extra);
            }
            if (child.kill().contains("saved")) {
                ++afterSave;
            }
        }
        EXPECT_EQ(integrityOf(TestStore::homeStorePath()), u"ok"_s);
        const QString rows = rowsOf(firstRow);
        EXPECT_TRUE(rows == before || rows == after) << rows.toStdString();
        EXPECT_EQ(marks(), marksBefore);
        whole += rows == after ? 1 : 0;
        if (HasFailure()) {
            break;
        }
    }
    std::printf("%s killed %d times: %d held it whole, %d none; %d after the save; %lld ms\n",
                scenario.name, kills, whole, kills - whole, afterSave, qint64(timer.elapsed()));
    // The moments are drawn from inside the writes: nearly every kill must land there.
    EXPECT_LE(afterSave, kills / 10);
}

INSTANTIATE_TEST_SUITE_P(Scenarios, MergeKill, testing::ValuesIn(kScenarios),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
