#include <gtest/gtest.h>

#include <QDir>

#include "QStringPrinter.h"
#include "SqliteBulkWrite.h"
#include "SqliteConnection.h"

using namespace Qt::Literals::StringLiterals;

namespace {

class SqliteBulkWriteTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(db_.exec(u"PRAGMA journal_mode=WAL; CREATE TABLE t (a)"_s));
    }
    QString journalMode(SqliteConnection& connection) {
        return connection.execAndGet(u"PRAGMA journal_mode"_s).toString();
    }

    QString path_ = QDir(qEnvironmentVariable("QUESTLOG_HOME")).filePath(u"b.sqlite"_s);
    SqliteConnection db_{path_};
};

}  // namespace

TEST_F(SqliteBulkWriteTest, SwitchesToTheJournalOnlyForItsLifetime) {
    {
        SqliteBulkWrite bulk(db_);
        ASSERT_TRUE(bulk.isActive());
        ASSERT_TRUE(db_.exec(u"INSERT INTO t VALUES (1)"_s));
        SqliteConnection reader(path_);
        EXPECT_EQ(journalMode(reader), u"delete"_s);
        EXPECT_EQ(reader.execAndGet(u"SELECT count(*) FROM t"_s), qint64(1));
    }
    EXPECT_EQ(journalMode(db_), u"wal"_s);
    EXPECT_FALSE(QFile::exists(path_ + u"-journal"_s));
    // A closed connection has nothing to switch.
    SqliteConnection closed;
    EXPECT_FALSE(SqliteBulkWrite(closed).isActive());
}

// Another connection with the file open keeps it on the log, and its read snapshot intact.
TEST_F(SqliteBulkWriteTest, FileHeldOpenElsewhereStaysOnTheLog) {
    SqliteConnection other(path_);
    ASSERT_TRUE(other.exec(u"BEGIN"_s));
    ASSERT_EQ(other.execAndGet(u"SELECT count(*) FROM t"_s), qint64(0));  // holds a snapshot
    {
        SqliteBulkWrite bulk(db_);
        EXPECT_FALSE(bulk.isActive());
        ASSERT_TRUE(db_.exec(u"INSERT INTO t VALUES (1)"_s));
    }
    EXPECT_EQ(other.execAndGet(u"SELECT count(*) FROM t"_s), qint64(0));
    ASSERT_TRUE(other.exec(u"COMMIT"_s));
    EXPECT_EQ(other.execAndGet(u"SELECT count(*) FROM t"_s), qint64(1));
    EXPECT_EQ(journalMode(db_), u"wal"_s);
}
