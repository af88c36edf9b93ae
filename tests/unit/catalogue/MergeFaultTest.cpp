#include <gtest/gtest.h>

#include <QResource>
#include <QTemporaryDir>
#include <functional>
#include <optional>

#include "CatalogueGenerator.h"
#include "FaultSweep.h"
#include "FileFunctions.h"
#include "Model.h"
#include "QStringPrinter.h"
#include "StoreFileSupport.h"
#include "TestStore.h"
#include "UpdateController.h"
#include "UserDefaults.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// Each table row tries at most this many N; see FaultVfs::steps.
constexpr int kStepBudget = 30;
const QString kInstalledYMD = u"2026-11-01"_s;  // the report date of the bundle's catalogue
const QString kUpdateYMD = u"2026-11-08"_s;

const QString kGames = u"SELECT count(*) FROM Game"_s;
const QString kMarkedGames =
    u"SELECT count(*) FROM Game WHERE myIsWished = 1 OR myScore IS NOT NULL"_s;
// Column 0 of `sql`'s first row on the store file, the data home's by default.
int countOf(const QString& sql, const QString& path = TestStore::homeStorePath()) {
    return SqliteConnection(path).execAndGet(sql).toInt();
}

// The first install (with marks carried over from the earlier generation's file) and the daily
// update merge, with a disk fault injected at every N (or a dense sample) of the calls made from
// opening the store to closing it.
class CatalogueUnderDiskFaults : public testing::TestWithParam<FaultVfs::Fault> {
protected:
    CatalogueUnderDiskFaults() {
        usePspBuild();
        UserDefaults::resetStandardUserDefaults();
    }
    ~CatalogueUnderDiskFaults() override {
        UserDefaults::resetStandardUserDefaults();
        Model::resetInstance();
    }

    static void usePspBuild() {
        Model::setInformationFilePath(u":/builds/psp/Info.json"_s);
        Model::resetInstance();
    }

    static void SetUpTestSuite() {
        // The psp build's bundle catalogue, a few hundred games made by the generator.
        ASSERT_TRUE(QResource::registerResource(QString::fromUtf8(QUESTLOG_FAULT_BUNDLE)));
        usePspBuild();
        dir_.emplace();
        // The earlier generation's file: a wish or a score out of 10 for every fourth game.
        SqliteConnection old(templatePath(u"old"_s));
        ASSERT_TRUE(
            old.exec(u"CREATE TABLE GAMES (playbase_id TEXT, my_wish_list_flag TEXT, "
                     "my_score TEXT)"_s));
        for (int i = 0; i < kBundleGames; i += 4) {
            SqliteStatement insert(old, u"INSERT INTO GAMES VALUES (?, ?, ?)"_s);
            insert.bindText(1, CatalogueGenerator::playbaseId(u"psp"_s, i));
            insert.bindText(2, i % 8 == 0 ? u"1"_s : u"0"_s);
            insert.bindText(3, i % 8 == 0 ? QString() : u"%1.0"_s.arg(1 + i % 9));
            ASSERT_TRUE(insert.run());
            ++oldMarks_;
        }
        {
            TestStore empty(templatePath(u"empty"_s));
            ASSERT_TRUE(empty.opened);
        }
        // The installed catalogue with the user's marks on every fifth game, for the update.
        TestStore installed(templatePath(u"installed"_s));
        UpdateController controller(installed.context.get(), installed.model.get());
        ASSERT_EQ(controller.addGamesToEntityFromUpdateFileReturnReportYMD(
                      controller.getInitialInstallUpdateFile(), false),
                  kInstalledYMD);
        const QList<Game*> games = installed.gamesByTitle();
        ASSERT_EQ(games.size(), kBundleGames);
        for (int i = 0; i < games.size(); i += 5) {
            games[i]->setMyIsWished(1);
            games[i]->setMyScore(float(i % 10) * 0.5f);
        }
        ASSERT_TRUE(installed.context->save(nullptr));
        // Updates the last quarter of the games and adds as many new ones.
        CatalogueGenerator::Options update;
        update.platform = u"psp"_s;
        update.firstIndex = kBundleGames * 3 / 4;
        update.games = kBundleGames / 2;
        update.seed = 77;
        update.reportDate = QDate::fromString(kUpdateYMD, Qt::ISODate);
        updateText_ = CatalogueGenerator::catalogueText(update);
    }
    static void TearDownTestSuite() {
        dir_.reset();
        QResource::unregisterResource(QString::fromUtf8(QUESTLOG_FAULT_BUNDLE));
    }

    // The stored report date; a null one says "not installed".
    static void setReportDate(const QString& ymd) {
        UserDefaults::resetStandardUserDefaults();
        UpdateController(nullptr, nullptr).setLastUpdateYMD(ymd);
    }
    static QString templatePath(const QString& name) { return dir_->filePath(name + u".sqlite"_s); }
    static QString oldPath() { return TestStore::homeFile(u"Questlog.psp.sqlite"_s); }

    // Opens the store and hands it to `action` with the fault armed; a store that cannot be
    // opened must say so. Answers whether `action` got to run.
    static bool withStore(FaultSweep& sweep, std::optional<int> n,
                          const std::function<void(TestStore&, UpdateController&)>& action) {
        sweep.arm(n);
        bool ran = false;
        {
            std::optional<CapturedConsole> console(std::in_place);
            TestStore store;
            if (!store.opened) {
                EXPECT_FALSE(console->text().isEmpty()) << "failed open not logged";
            } else {
                console.reset();
                UpdateController controller(store.context.get(), store.model.get());
                action(store, controller);
                ran = true;
            }
        }
        sweep.closed();
        EXPECT_EQ(integrityOf(TestStore::homeStorePath()), u"ok"_s);
        return ran;
    }

    static constexpr int kBundleGames = QUESTLOG_FAULT_BUNDLE_GAMES;
    static inline std::optional<QTemporaryDir> dir_;
    static inline int oldMarks_ = 0;
    static inline QString updateText_;
};

// A failed install leaves the earlier file with every mark and the store without a half
// catalogue, and says "not installed", so the next start installs again and carries the marks.
TEST_P(CatalogueUnderDiskFaults, FirstInstallCarriesEveryMarkOverOrKeepsTheEarlierFile) {
    const QString oldFile = storeFingerprint(templatePath(u"old"_s), u"GAMES"_s);
    FaultSweep sweep(GetParam());
    sweep.run("first install", kStepBudget, 29, [&](std::optional<int> n) {
        EXPECT_TRUE(replaceStoreFile(templatePath(u"empty"_s), TestStore::homeStorePath()));
        EXPECT_TRUE(replaceStoreFile(templatePath(u"old"_s), oldPath()));
        setReportDate(QString());
        bool installed = false;
        withStore(sweep, n, [&](TestStore& store, UpdateController& controller) {
            CapturedConsole console;
            controller.startBundleFileInstall();
            const QString log = console.text();
            installed = controller.getLastUpdateYMD() == kInstalledYMD;
            if (!installed) {
                EXPECT_FALSE(log.isEmpty()) << "failed install not logged";
                sweep.vfs.disarm();
                if (store.context->hasChanges()) {
                    // A save failed: the catalogue's rows may be in, but no carried mark,
                    // whose only copy stays in the earlier file.
                    const int rows = countOf(kGames);
                    EXPECT_TRUE(rows == 0 || rows == kBundleGames) << rows;
                    EXPECT_EQ(countOf(kMarkedGames), 0);
                } else {  // the earlier file could not be read: it waits for the next start
                    EXPECT_TRUE(FileFunctions::fileExistsAtPath(oldPath()));
                }
            }
        });
        // The earlier file goes only once its marks are in the store.
        if (FileFunctions::fileExistsAtPath(oldPath())) {
            EXPECT_EQ(storeFingerprint(oldPath(), u"GAMES"_s), oldFile);
        }
        if (!installed) {
            // The next start, with the disk sound again.
            TestStore next;
            UpdateController restarted(next.context.get(), next.model.get());
            restarted.startBundleFileInstall();
            EXPECT_EQ(restarted.getLastUpdateYMD(), kInstalledYMD);
        }
        EXPECT_EQ(countOf(kGames), kBundleGames);
        if (!FileFunctions::fileExistsAtPath(oldPath())) {
            EXPECT_EQ(countOf(kMarkedGames), oldMarks_);
        }
        return storeFingerprint(TestStore::homeStorePath());
    });
}

// A failed merge keeps its rows in memory for the next save, leaves the file as it was and the
// report date where it was, so the rows are asked for again; the marks survive either way.
TEST_P(CatalogueUnderDiskFaults, UpdateMergeIsWholeOrAbsentAndKeepsEveryMark) {
    const QString before = storeFingerprint(templatePath(u"installed"_s));
    const int marked = countOf(kMarkedGames, templatePath(u"installed"_s));
    ASSERT_GT(marked, 0);
    FaultSweep sweep(GetParam());
    sweep.run("update merge", kStepBudget, 29, [&](std::optional<int> n) {
        EXPECT_TRUE(replaceStoreFile(templatePath(u"installed"_s), TestStore::homeStorePath()));
        setReportDate(kInstalledYMD);
        const bool ran = withStore(sweep, n, [&](TestStore& store, UpdateController& controller) {
            CapturedConsole console;
            controller.processWebUpdateFile(updateText_);
            const QString log = console.text();
            if (store.context->hasChanges()) {
                EXPECT_FALSE(log.isEmpty()) << "failed merge not logged";
                EXPECT_EQ(controller.getLastUpdateYMD(), kInstalledYMD);
                sweep.vfs.disarm();
                EXPECT_EQ(storeFingerprint(TestStore::homeStorePath()), before);
                controller.saveChanges();  // the next save, with space freed
                EXPECT_FALSE(store.context->hasChanges());
            } else {
                EXPECT_EQ(controller.getLastUpdateYMD(), kUpdateYMD);
            }
        });
        if (!ran) {
            // The store could not be opened, so the update waits for the next start.
            EXPECT_EQ(storeFingerprint(TestStore::homeStorePath()), before);
            TestStore next;
            UpdateController(next.context.get(), next.model.get())
                .processWebUpdateFile(updateText_);
        }
        EXPECT_EQ(countOf(kMarkedGames), marked);
        EXPECT_EQ(countOf(kGames), kBundleGames * 5 / 4);
        return storeFingerprint(TestStore::homeStorePath());
    });
}

INSTANTIATE_TEST_SUITE_P(EveryFault, CatalogueUnderDiskFaults, testing::ValuesIn(FaultVfs::table()),
                         [](const auto& row) { return row.param.testName(); });

}  // namespace
