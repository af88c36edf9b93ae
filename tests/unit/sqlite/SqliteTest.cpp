#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <functional>

#include "QStringPrinter.h"
#include "SqliteBulkWrite.h"
#include "SqliteConnection.h"
#include "SqliteStatement.h"
#include "SqliteTransaction.h"

using namespace Qt::Literals::StringLiterals;

namespace {

QString homeFile(const QString& name) {
    return QDir(qEnvironmentVariable("QUESTLOG_HOME")).filePath(name);
}

}  // namespace

TEST(SqliteConnection, FailuresSayWhyAndCloseWaitsForStatements) {
    SqliteConnection db;
    EXPECT_EQ(db.errorCode(), 21);  // SQLITE_MISUSE: never opened
    EXPECT_FALSE(db.open(homeFile(u"no/such/folder/x.sqlite"_s)));
    EXPECT_EQ(db.errorCode(), 14);  // SQLITE_CANTOPEN
    EXPECT_FALSE(db.exec(u"CREATE TABLE t (a)"_s));
    EXPECT_TRUE(db.close());  // nothing to close
    // Read-only on a missing file: no file is made.
    EXPECT_FALSE(db.open(homeFile(u"missing.sqlite"_s), SqliteConnection::ReadOnly));
    EXPECT_FALSE(QFile::exists(homeFile(u"missing.sqlite"_s)));
    // Result codes are extended only when asked; close waits for unfinished statements.
    ASSERT_TRUE(db.open(homeFile(u"c.sqlite"_s)));
    ASSERT_TRUE(db.exec(u"CREATE TABLE t (k PRIMARY KEY); INSERT INTO t VALUES (1)"_s));
    EXPECT_FALSE(db.exec(u"INSERT INTO t VALUES (1)"_s));
    EXPECT_EQ(db.errorCode(), 19);  // SQLITE_CONSTRAINT
    db.setExtendedResultCodes(true);
    EXPECT_FALSE(db.exec(u"INSERT INTO t VALUES (1)"_s));
    EXPECT_EQ(db.errorCode(), 1555);  // SQLITE_CONSTRAINT_PRIMARYKEY
    {
        SqliteStatement open(db, u"SELECT 1"_s);
        ASSERT_EQ(open.step(), SqliteStatement::Step::Row);
        EXPECT_FALSE(db.close());
        EXPECT_TRUE(db.isOpen());
        EXPECT_EQ(db.errorCode(), 5);  // SQLITE_BUSY
    }
    EXPECT_TRUE(db.close());
    EXPECT_FALSE(db.isOpen());
}

class SqliteStatementTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(db_.exec(u"CREATE TABLE t (a, b)"_s)); }

    QList<QVariantList> rows() {
        QList<QVariantList> all;
        SqliteStatement select(db_, u"SELECT a, b FROM t ORDER BY rowid"_s);
        while (select.step() == SqliteStatement::Step::Row) {
            all.append({select.columnValue(0), select.columnValue(1)});
        }
        return all;
    }

    SqliteConnection db_{u":memory:"_s};
};

// Texts are encoded into a buffer per parameter that is reused for the next row: a shorter
// text after a longer one, an empty one after both, must each be stored whole and alone.
TEST_F(SqliteStatementTest, ReboundTextsAreStoredWhole) {
    SqliteStatement insert(db_, u"INSERT INTO t (a, b) VALUES (?, ?)"_s);
    const QList<QStringList> written{
        {u"a long first text \u00e9\u20ac\U0001F3AE"_s, u"x"_s},
        {u"short"_s, u"\u00e9"_s},
        {u""_s, QString()},
        {u"a"_s + QChar(0xD800) + u"b"_s, u"lone surrogate"_s},
    };
    for (const QStringList& row : written) {
        ASSERT_TRUE(insert.bindText(1, row[0]));
        ASSERT_TRUE(insert.bindText(2, row[1]));
        ASSERT_TRUE(insert.run());
    }
    const QList<QVariantList> stored = rows();
    ASSERT_EQ(stored.size(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(stored[i][0].toString(), i < 3 ? written[i][0] : u"a\uFFFDb"_s);
        EXPECT_EQ(stored[i][1].toString(), written[i][1]);
    }
    EXPECT_TRUE(stored[2][1].isNull());  // a null QString is NULL, "" is ''
    EXPECT_FALSE(stored[2][0].isNull());
}

// Binding after rows were read, with any kind of value, starts the statement over instead of
// failing (SQLITE_MISUSE).
TEST_F(SqliteStatementTest, RebindingAfterRowsStartsOver) {
    ASSERT_TRUE(db_.exec(u"INSERT INTO t VALUES (1, 'a'), (2, 'b'), (3, 'c')"_s));
    SqliteStatement select(db_, u"SELECT b FROM t WHERE a >= ? ORDER BY a"_s);
    ASSERT_TRUE(select.bindInt64(1, 1));
    ASSERT_EQ(select.step(), SqliteStatement::Step::Row);
    ASSERT_TRUE(select.bindInt64(1, 3));
    ASSERT_EQ(select.step(), SqliteStatement::Step::Row);
    EXPECT_EQ(select.columnText(0), u"c"_s);
    const std::function<bool()> binders[] = {
        [&] { return select.bindNull(1); },
        [&] { return select.bindDouble(1, 2.5); },
        [&] { return select.bindText(1, u"2"_s); },
        [&] { return select.bindBlob(1, QByteArray("2")); },
    };
    for (const auto& bind : binders) {
        ASSERT_TRUE(select.bindInt64(1, 1));
        ASSERT_EQ(select.step(), SqliteStatement::Step::Row);
        EXPECT_TRUE(bind());
    }
}

TEST_F(SqliteStatementTest, FailuresAnswerFalseWithSqlitesCode) {
    SqliteStatement insert(db_, u"INSERT INTO t (a) VALUES (?)"_s);
    EXPECT_FALSE(insert.bindText(0, u"x"_s));
    EXPECT_EQ(insert.resultCode(), 25);  // SQLITE_RANGE
    ASSERT_TRUE(insert.bindText(1, u"kept"_s));
    ASSERT_TRUE(insert.run());
    EXPECT_EQ(rows().value(0).value(0), u"kept"_s);

    SqliteStatement broken(db_, u"INSERT INTO nowhere VALUES (?)"_s);
    EXPECT_FALSE(broken.isValid());
    EXPECT_EQ(broken.resultCode(), 1);  // SQLITE_ERROR
    EXPECT_FALSE(broken.bindText(1, u"x"_s));
    EXPECT_FALSE(broken.run());

    SqliteStatement overflow(db_, u"SELECT abs(-9223372036854775807 - 1)"_s);
    EXPECT_EQ(overflow.step(), SqliteStatement::Step::Error);
    EXPECT_EQ(overflow.resultCode(), 1);
    EXPECT_FALSE(overflow.reset());  // reset repeats the failure
    EXPECT_TRUE(overflow.finalize());
    EXPECT_FALSE(overflow.isValid());
}

class SqliteTransactionTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(db_.exec(u"CREATE TABLE t (a NOT NULL)"_s));
        other_.setBusyTimeout(0);
    }
    qint64 count(SqliteConnection& connection) {
        return connection.execAndGet(u"SELECT count(*) FROM t"_s).toLongLong();
    }

    QString path_ = homeFile(u"t.sqlite"_s);
    SqliteConnection db_{path_};
    SqliteConnection other_{path_};
};

TEST_F(SqliteTransactionTest, RollsBackUnlessCommittedAndModesTakeTheirLocks) {
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
        EXPECT_FALSE(transaction.commit());  // once only
    }
    EXPECT_EQ(count(other_), 1);
    // A deferred transaction takes no lock until it writes; an immediate one does at once.
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
        EXPECT_FALSE(writer.commit());
        EXPECT_EQ(count(other_), 1);  // readers still read
    }
}

// The rollback journal only for the bulk write's lifetime; another connection with the file
// open keeps it on the log, and its read snapshot intact.
TEST(SqliteBulkWrite, SwitchesToTheJournalOnlyForItsLifetimeAndWhenAlone) {
    const QString path = homeFile(u"b.sqlite"_s);
    SqliteConnection db(path);
    ASSERT_TRUE(db.exec(u"PRAGMA journal_mode=WAL; CREATE TABLE t (a)"_s));
    {
        SqliteBulkWrite bulk(db);
        ASSERT_TRUE(bulk.isActive());
        ASSERT_TRUE(db.exec(u"INSERT INTO t VALUES (1)"_s));
        SqliteConnection reader(path);
        EXPECT_EQ(reader.execAndGet(u"PRAGMA journal_mode"_s), u"delete"_s);
        EXPECT_EQ(reader.execAndGet(u"SELECT count(*) FROM t"_s), qint64(1));
    }
    EXPECT_EQ(db.execAndGet(u"PRAGMA journal_mode"_s), u"wal"_s);
    SqliteConnection other(path);
    ASSERT_TRUE(other.exec(u"BEGIN"_s));
    ASSERT_EQ(other.execAndGet(u"SELECT count(*) FROM t"_s), qint64(1));  // holds a snapshot
    {
        SqliteBulkWrite bulk(db);
        EXPECT_FALSE(bulk.isActive());
        ASSERT_TRUE(db.exec(u"INSERT INTO t VALUES (2)"_s));
    }
    EXPECT_EQ(other.execAndGet(u"SELECT count(*) FROM t"_s), qint64(1));
    ASSERT_TRUE(other.exec(u"COMMIT"_s));
    EXPECT_EQ(other.execAndGet(u"SELECT count(*) FROM t"_s), qint64(2));
    EXPECT_EQ(db.execAndGet(u"PRAGMA journal_mode"_s), u"wal"_s);
}
