#include <gtest/gtest.h>

#include <QFile>

#include "QStringPrinter.h"
#include "SqliteBulkWrite.h"
#include "SqliteConnection.h"
#include "StoreTestSupport.h"

using namespace Qt::Literals::StringLiterals;

namespace {

void addGames(ManagedObjectContext& context, int count, const QString& prefix) {
    for (int i = 0; i < count; ++i) {
        context.insertNewGame()->setTitle(prefix + QString::number(i));
    }
}

}  // namespace

// A large addition leaves the store as a small one does: every row there, on the log again,
// no journal file left behind.
TEST(SqliteBulkWrite, LargeAdditionEndsBackOnTheLog) {
    const int count = int(ManagedObjectContext::kBulkWriteRows) + 1;
    {
        TestStore store(storePath());
        ASSERT_TRUE(store.opened);
        addGames(*store.context, count, u"G"_s);
        ASSERT_TRUE(store.context->save(nullptr));
        // Changes after it still save, through the log.
        Game* first = store.context->executeFetchRequest(gameRequest(), nullptr)->first();
        first->setMyReview(u"noted"_s);
        ASSERT_TRUE(store.context->save(nullptr));
        RawDatabase raw(storePath());
        EXPECT_EQ(raw.scalar("PRAGMA journal_mode"), u"wal"_s);
        EXPECT_EQ(raw.scalar("SELECT count(*) FROM Game"), QString::number(count));
        EXPECT_EQ(raw.scalar("SELECT count(*) FROM Game WHERE myReview = 'noted'"), u"1"_s);
    }
    EXPECT_FALSE(QFile::exists(storePath() + u"-journal"_s));
    TestStore reopened(storePath());
    EXPECT_EQ(reopened.context->countForFetchRequest(gameRequest(), nullptr), count);
}

// Another connection reading the file keeps it on the log; the addition still saves whole.
TEST(SqliteBulkWrite, FileHeldOpenElsewhereStaysOnTheLog) {
    const int count = int(ManagedObjectContext::kBulkWriteRows) + 1;
    TestStore store(storePath());
    ASSERT_TRUE(store.opened);
    RawDatabase other(storePath());
    ASSERT_TRUE(other.exec("BEGIN"));
    ASSERT_EQ(other.scalar("SELECT count(*) FROM Game"), u"0"_s);  // holds a read snapshot

    SqliteConnection connection;
    ASSERT_TRUE(connection.open(storePath(), nullptr));
    {
        SqliteBulkWrite bulk(connection);
        EXPECT_FALSE(bulk.isActive());
    }
    addGames(*store.context, count, u"H"_s);
    ASSERT_TRUE(store.context->save(nullptr));
    EXPECT_EQ(other.scalar("SELECT count(*) FROM Game"), u"0"_s);  // its snapshot is intact
    ASSERT_TRUE(other.exec("COMMIT"));
    EXPECT_EQ(other.scalar("SELECT count(*) FROM Game"), QString::number(count));
    EXPECT_EQ(other.scalar("PRAGMA journal_mode"), u"wal"_s);
}

TEST(SqliteBulkWrite, SwitchesOnlyForItsLifetime) {
    ASSERT_TRUE(TestStore(storePath()).opened);  // a store file on the log, closed again
    SqliteConnection connection;
    ASSERT_TRUE(connection.open(storePath(), nullptr));
    {
        SqliteBulkWrite bulk(connection);
        ASSERT_TRUE(bulk.isActive());
        RawDatabase raw(storePath());
        EXPECT_EQ(raw.scalar("PRAGMA journal_mode"), u"delete"_s);
    }
    RawDatabase raw(storePath());
    EXPECT_EQ(raw.scalar("PRAGMA journal_mode"), u"wal"_s);
    // A closed connection has nothing to switch.
    SqliteConnection closed;
    SqliteBulkWrite none(closed);
    EXPECT_FALSE(none.isActive());
}
