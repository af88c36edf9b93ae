#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <optional>

#include "FaultSweep.h"
#include "QStringPrinter.h"
#include "StoreFileSupport.h"
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

    // One session: open the store, change the marks (or, with `bulk`, add many games), save,
    // close; armed with the fault at `n` when given. Checks everything the session must keep,
    // whatever the fault hit, and answers the stored marks.
    QString session(FaultSweep& sweep, std::optional<int> n, bool bulk) {
        EXPECT_TRUE(replaceStoreFile(templateDir_->filePath(u"template.sqlite"_s), storePath()));
        sweep.arm(n);
        bool loaded = false;
        {
            std::optional<CapturedConsole> console(std::in_place);
            TestStore store(storePath());
            const std::optional<QList<Game*>> games =
                store.opened ? store.context->executeFetchRequest(gameRequest(), nullptr)
                             : std::nullopt;
            loaded = games.has_value();
            if (!loaded) {
                EXPECT_FALSE(console->text().isEmpty()) << "failed open not logged";
                EXPECT_TRUE(n.has_value());
            } else {
                EXPECT_EQ(games->size(), kGames);
                for (int i = 0; i < kChanged && !bulk && i < games->size(); ++i) {
                    setNewMarks(games->at(i), i);
                }
                for (int i = 0; i < kAdded && bulk; ++i) {
                    store.add(u"Added %1"_s.arg(i));
                }
                console.emplace();
                if (!store.context->save(nullptr)) {
                    EXPECT_FALSE(console->text().isEmpty()) << "failed save not logged";
                    EXPECT_TRUE(n.has_value());
                    EXPECT_TRUE(store.context->hasChanges());
                    int kept = bulk ? store.context->registeredObjectCount() - kGames : 0;
                    for (int i = 0; i < kChanged && !bulk && i < games->size(); ++i) {
                        kept += hasNewMarks(games->at(i), i) ? 1 : 0;
                    }
                    EXPECT_EQ(kept, bulk ? kAdded : kChanged) << "changes in memory lost";
                    // Space freed: the file still holds the earlier marks, all of them, and the
                    // next save writes what this one could not.
                    sweep.vfs.disarm();
                    EXPECT_EQ(storedMarks(storePath()), kAllOld);
                    EXPECT_TRUE(store.context->save(nullptr));
                }
                EXPECT_FALSE(store.context->hasChanges());
                console.reset();
            }
        }
        sweep.closed();
        EXPECT_EQ(integrityOf(storePath()), u"ok"_s);
        if (!loaded) {
            // Nothing was loaded, so nothing could change: the file is as it was, and the next
            // start makes the changes.
            EXPECT_EQ(storedMarks(storePath()), kAllOld);
            return n ? session(sweep, std::nullopt, bulk) : QString();
        }
        return storedMarks(storePath());
    }

    void sweep(bool bulk) {
        FaultSweep sweep(GetParam());
        sweep.run(bulk ? "save of many new games" : "save of 10000 marks", kStepBudget, 17,
                  [&](std::optional<int> n) { return session(sweep, n, bulk); });
        EXPECT_EQ(session(sweep, std::nullopt, bulk), bulk ? kAllAdded : kAllNew);
    }

    static inline std::optional<QTemporaryDir> templateDir_;
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
