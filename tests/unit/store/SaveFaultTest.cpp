#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <optional>

#include "FaultVfs.h"
#include "QStringPrinter.h"
#include "StoreTestSupport.h"

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kChanged = 10000;   // games whose marks one save changes
constexpr int kUntouched = 2000;  // games with marks saved earlier, not part of the save
constexpr int kGames = kChanged + kUntouched;
// Each table row tries at most this many N; see FaultVfs::steps.
constexpr int kStepBudget = 40;

// The marks the save writes: every changed game played, with a score and wished or not. No
// game had been played before, so a stored game holds either these or its earlier ones.
void setNewMarks(Game* game, int index) {
    game->setMyIsPlayed(1);
    game->setMyIsWished(index % 2);
    game->setMyScore(0.5f + float(index % 10) * 0.5f);
}

bool hasNewMarks(const Game* game, int index) {
    return game->myIsPlayed() == 1 && game->myIsWished() == index % 2 &&
           game->myScore() == 0.5f + float(index % 10) * 0.5f;
}

// "<games with the new marks>/<games with their earlier marks>/<games>", counted in SQL over the
// store file (row ids follow the index from 1) through a connection of its own.
QString storedMarks(const QString& path) {
    SqliteConnection raw(path);
    return raw
        .execAndGet(
            u"SELECT sum(rowid <= %1 AND myIsPlayed IS 1 AND myIsWished IS (rowid - 1) % 2 "
            "AND myScore IS 0.5 + ((rowid - 1) % 10) * 0.5) || '/' || "
            "sum(rowid <= %2 AND myIsPlayed IS NULL AND CASE WHEN (rowid - 1) % 3 = 0 THEN "
            "myIsWished IS 1 "
            "AND myScore IS 2.5 ELSE myIsWished IS NULL AND myScore IS NULL END) || '/' || "
            "count(*) FROM Game"_s.arg(kChanged)
                .arg(kGames))
        .toString();
}

const QString kAllNew = u"%1/%2/%3"_s.arg(kChanged).arg(kUntouched).arg(kGames);
const QString kAllOld = u"0/%1/%2"_s.arg(kGames).arg(kGames);
// A save of this many new games goes through the rollback journal instead of the log.
constexpr int kAdded = int(ManagedObjectContext::kBulkWriteRows) + 500;
const QString kAllAdded = u"0/%1/%2"_s.arg(kGames).arg(kGames + kAdded);

QString integrity(const QString& path) {
    return SqliteConnection(path).execAndGet(u"PRAGMA integrity_check"_s).toString();
}

// A save of 10k changed marks with a disk fault injected at every N (or a dense sample) of its
// writes, syncs, opens or truncations, from opening the store to closing it.
class SaveUnderDiskFaults : public testing::TestWithParam<FaultVfs::Fault> {
protected:
    static void SetUpTestSuite() {
        templateDir_.emplace();
        TestStore store(templateDir_->filePath(u"template.sqlite"_s));
        ASSERT_TRUE(store.opened);
        for (int i = 0; i < kGames; ++i) {
            Game* game = store.add(u"Game %1"_s.arg(i));
            game->setIdCriticon(u"c%1"_s.arg(i));
            if (i % 3 == 0) {
                game->setMyIsWished(1);
                game->setMyScore(2.5f);
            }
        }
        ASSERT_TRUE(store.context->save(nullptr));
    }
    static void TearDownTestSuite() { templateDir_.reset(); }

    // The store file as the earlier session left it.
    static void copyTemplate() {
        for (const QString& suffix : {u""_s, u"-wal"_s, u"-shm"_s, u"-journal"_s}) {
            QFile::remove(storePath() + suffix);
        }
        ASSERT_TRUE(QFile::copy(templateDir_->filePath(u"template.sqlite"_s), storePath()));
    }

    // One session: open the store, change the marks (or, with `bulk`, add many games), save,
    // close; armed with `fault` at `n` when given. Checks everything the session must keep,
    // whatever the fault hit.
    enum Outcome { Saved, OpenFailed, SaveFailed };
    Outcome session(FaultVfs& vfs, std::optional<int> n, bool bulk) {
        copyTemplate();
        Outcome outcome = Saved;
        const FaultVfs::Fault fault = GetParam();
        vfs.resetCounts();
        if (n) {
            vfs.arm(fault.kind, *n, fault.code, fault.sticky);
        }
        {
            std::optional<CapturedConsole> console(std::in_place);
            TestStore store(storePath());
            const std::optional<QList<Game*>> games =
                store.opened ? store.context->executeFetchRequest(gameRequest(), nullptr)
                             : std::nullopt;
            if (!games) {
                // Nothing was loaded, so nothing could change: only the file must be as it was.
                EXPECT_FALSE(console->text().isEmpty()) << "failed open not logged";
                EXPECT_TRUE(n.has_value());
                windowCounts_ = vfs.counts();
                vfs.disarm();
                EXPECT_EQ(storedMarks(storePath()), kAllOld);
                EXPECT_EQ(integrity(storePath()), u"ok"_s);
                return OpenFailed;
            }
            EXPECT_EQ(games->size(), kGames);
            if (games->size() != kGames) {
                return OpenFailed;
            }
            for (int i = 0; i < kChanged && !bulk; ++i) {
                setNewMarks(games->at(i), i);
            }
            for (int i = 0; i < kAdded && bulk; ++i) {
                store.add(u"Added %1"_s.arg(i));
            }
            console.emplace();
            if (!store.context->save(nullptr)) {
                outcome = SaveFailed;
                EXPECT_FALSE(console->text().isEmpty()) << "failed save not logged";
                EXPECT_TRUE(n.has_value());
                EXPECT_TRUE(store.context->hasChanges());
                int kept = bulk ? store.context->registeredObjectCount() - kGames : 0;
                for (int i = 0; i < kChanged && !bulk; ++i) {
                    kept += hasNewMarks(games->at(i), i) ? 1 : 0;
                }
                EXPECT_EQ(kept, bulk ? kAdded : kChanged) << "changes in memory lost";
                // Space freed: the file still holds the earlier marks, all of them, and the
                // next save writes what this one could not.
                vfs.disarm();
                EXPECT_EQ(storedMarks(storePath()), kAllOld);
                EXPECT_TRUE(store.context->save(nullptr));
            }
            EXPECT_FALSE(store.context->hasChanges());
            console.reset();
        }  // closed, possibly with the fault still armed
        windowCounts_ = vfs.counts();
        vfs.disarm();
        EXPECT_EQ(integrity(storePath()), u"ok"_s);
        EXPECT_EQ(storedMarks(storePath()), bulk ? kAllAdded : kAllNew);
        return outcome;
    }

    // Runs a session clean, then with the fault at every chosen N.
    void sweep(bool bulk) {
        const FaultVfs::Fault fault = GetParam();
        FaultVfs vfs;
        vfs.setSyncsReachDisk(false);
        ASSERT_EQ(session(vfs, std::nullopt, bulk), Saved);
        const FaultVfs::Counts clean = windowCounts_;
        const QList<int> steps = FaultVfs::steps(clean.of(fault.kind), kStepBudget, 17);
        QElapsedTimer timer;
        timer.start();
        int outcomes[3] = {};
        for (int n : steps) {
            SCOPED_TRACE(fault.description(n).toStdString());
            ++outcomes[session(vfs, n, bulk)];
            EXPECT_GE(vfs.injected(), 1) << "the fault never came";
            if (HasFailure()) {
                break;  // one N's report is enough to go on
            }
        }
        // The calls of a clean session and what the faults did, for the record.
        std::printf(
            "%s: %s; %s: %lld of %d N in %lld ms: %d saved, %d failed to open, %d failed to "
            "save\n",
            bulk ? "save of many new games" : "save of 10000 marks",
            qPrintable(clean.description()), fault.testName().c_str(),
            static_cast<long long>(steps.size()), clean.of(fault.kind),
            static_cast<long long>(timer.elapsed()), outcomes[Saved], outcomes[OpenFailed],
            outcomes[SaveFailed]);
    }

    static inline std::optional<QTemporaryDir> templateDir_;
    // The calls made from opening the store to closing it, in the last session.
    static inline FaultVfs::Counts windowCounts_;
};

TEST_P(SaveUnderDiskFaults, KeepsEveryMarkAndTheFileSound) {
    sweep(false);
}

// The same through the rollback journal, which a large addition takes.
TEST_P(SaveUnderDiskFaults, LargeAdditionIsWholeOrAbsent) {
    sweep(true);
}

INSTANTIATE_TEST_SUITE_P(EveryFault, SaveUnderDiskFaults, testing::ValuesIn(FaultVfs::table()),
                         [](const auto& row) { return row.param.testName(); });

}  // namespace
