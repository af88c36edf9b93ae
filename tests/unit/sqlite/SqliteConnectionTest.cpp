#include <gtest/gtest.h>

#include <QDir>

#include "CapturedConsole.h"
#include "QStringPrinter.h"
#include "SqliteConnection.h"
#include "SqliteStatement.h"

using namespace Qt::Literals::StringLiterals;

namespace {

QString homeFile(const QString& name) {
    return QDir(qEnvironmentVariable("QUESTLOG_HOME")).filePath(name);
}

constexpr int kCantOpen = 14;  // SQLite's result codes, as callers see them
constexpr int kMisuse = 21;
constexpr int kBusy = 5;

}  // namespace

TEST(SqliteConnection, FailedOpenStaysClosedAndSaysWhy) {
    SqliteConnection connection;
    EXPECT_EQ(connection.errorCode(), kMisuse);  // never opened
    EXPECT_FALSE(connection.open(homeFile(u"no/such/folder/x.sqlite"_s)));
    EXPECT_FALSE(connection.isOpen());
    EXPECT_EQ(connection.handle(), nullptr);
    EXPECT_EQ(connection.errorCode(), kCantOpen);
    EXPECT_FALSE(connection.errorMessage().isEmpty());
    EXPECT_FALSE(connection.exec(u"CREATE TABLE t (a)"_s));
    EXPECT_FALSE(connection.execAndGet(u"SELECT 1"_s).isValid());
    EXPECT_TRUE(connection.close());  // nothing to close
    // Read-only on a missing file: no file is made.
    EXPECT_FALSE(connection.open(homeFile(u"missing.sqlite"_s), SqliteConnection::ReadOnly));
    EXPECT_FALSE(QFile::exists(homeFile(u"missing.sqlite"_s)));
}

TEST(SqliteConnection, ExecAndGetAnswersColumnZeroOfTheFirstRowAsItsType) {
    SqliteConnection db(u":memory:"_s);
    ASSERT_TRUE(db.isOpen());
    ASSERT_TRUE(db.exec(u"CREATE TABLE t (a); INSERT INTO t VALUES (1), (2)"_s));
    EXPECT_EQ(db.lastInsertRowId(), 2);
    EXPECT_EQ(db.changes(), 2);
    struct Case {
        const char* sql;
        QVariant expected;
    } cases[] = {
        {"SELECT a FROM t ORDER BY a DESC", QVariant(qint64(2))},
        {"SELECT 2.5", QVariant(2.5)},
        {"SELECT 'é'", QVariant(u"é"_s)},
        {"SELECT x'00ff'", QVariant(QByteArray("\x00\xff", 2))},
        {"SELECT a FROM t WHERE a > 5", QVariant()},  // no row
        {"SELECT nothing FROM nowhere", QVariant()},  // fails
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sql);
        EXPECT_EQ(db.execAndGet(QString::fromUtf8(c.sql)), c.expected);
    }
    const QVariant null = db.execAndGet(u"SELECT NULL"_s);
    EXPECT_TRUE(null.isValid());
    EXPECT_TRUE(null.isNull());
}

TEST(SqliteConnection, CloseWaitsForUnfinishedStatements) {
    SqliteConnection db(homeFile(u"c.sqlite"_s));
    {
        SqliteStatement open(db, u"SELECT 1"_s);
        ASSERT_EQ(open.step(), SqliteStatement::Step::Row);
        EXPECT_FALSE(db.close());
        EXPECT_TRUE(db.isOpen());
        EXPECT_EQ(db.errorCode(), kBusy);
    }
    EXPECT_TRUE(db.close());
    EXPECT_FALSE(db.isOpen());
}

TEST(SqliteConnection, ExtendedResultCodesOnlyWhenAsked) {
    SqliteConnection db(u":memory:"_s);
    ASSERT_TRUE(db.exec(u"CREATE TABLE t (k PRIMARY KEY); INSERT INTO t VALUES (1)"_s));
    EXPECT_FALSE(db.exec(u"INSERT INTO t VALUES (1)"_s));
    EXPECT_EQ(db.errorCode(), 19);  // SQLITE_CONSTRAINT
    db.setExtendedResultCodes(true);
    EXPECT_FALSE(db.exec(u"INSERT INTO t VALUES (1)"_s));
    EXPECT_EQ(db.errorCode(), 1555);  // SQLITE_CONSTRAINT_PRIMARYKEY
}
