#include <gtest/gtest.h>

#include <QDir>

#include "SqliteConnection.h"
#include "SqliteTransaction.h"

using namespace Qt::Literals::StringLiterals;

namespace {

class SqliteTransactionTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(db_.exec(u"CREATE TABLE t (a NOT NULL)"_s));
        other_.setBusyTimeout(0);
    }
    qint64 count(SqliteConnection& connection) {
        return connection.execAndGet(u"SELECT count(*) FROM t"_s).toLongLong();
    }

    QString path_ = QDir(qEnvironmentVariable("QUESTLOG_HOME")).filePath(u"t.sqlite"_s);
    SqliteConnection db_{path_};
    SqliteConnection other_{path_};
};

}  // namespace

TEST_F(SqliteTransactionTest, RollsBackUnlessCommitted) {
    {
        SqliteTransaction transaction(db_);
        ASSERT_TRUE(transaction.isActive());
        ASSERT_TRUE(db_.exec(u"INSERT INTO t VALUES (1)"_s));
    }
    EXPECT_EQ(count(db_), 0);
    {
        SqliteTransaction transaction(db_);
        ASSERT_TRUE(db_.exec(u"INSERT INTO t VALUES (1)"_s));
        EXPECT_FALSE(db_.exec(u"INSERT INTO t VALUES (NULL)"_s));  // one failed statement
        EXPECT_TRUE(transaction.commit());
        EXPECT_FALSE(transaction.isActive());
        EXPECT_FALSE(transaction.commit());  // once only
    }
    EXPECT_EQ(count(other_), 1);
}

// A transaction that ended early (ROLLBACK by hand) leaves nothing for the destructor to undo.
TEST_F(SqliteTransactionTest, EndedElsewhereIsLeftAlone) {
    SqliteTransaction transaction(db_);
    ASSERT_TRUE(db_.exec(u"ROLLBACK"_s));
    ASSERT_TRUE(db_.exec(u"INSERT INTO t VALUES (2)"_s));  // outside any transaction
    EXPECT_FALSE(transaction.commit());
}

TEST_F(SqliteTransactionTest, ModesTakeTheirLocks) {
    {
        SqliteTransaction deferred(db_, SqliteTransaction::Mode::Deferred);
        ASSERT_TRUE(deferred.isActive());
        SqliteTransaction writer(other_);  // a deferred one holds no lock yet
        EXPECT_TRUE(writer.isActive());
    }
    {
        SqliteTransaction immediate(db_);
        SqliteTransaction writer(other_);
        EXPECT_FALSE(writer.isActive());
        EXPECT_EQ(other_.errorCode(), 5);  // SQLITE_BUSY
        EXPECT_FALSE(writer.commit());
        EXPECT_EQ(count(other_), 0);  // readers still read
    }
    {
        SqliteTransaction exclusive(db_, SqliteTransaction::Mode::Exclusive);
        ASSERT_TRUE(exclusive.isActive());
        EXPECT_FALSE(other_.execAndGet(u"SELECT count(*) FROM t"_s).isValid());
    }
}
