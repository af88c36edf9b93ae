#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>
#include <QUrl>
#include <limits>

#include "CapturedConsole.h"
#include "FMBusyRetry.h"
#include "FMDatabase.h"
#include "FMDatabaseAdditions.h"
#include "FMResultSet.h"
#include "FMStatement.h"
#include "FileFunctions.h"
#include "QStringPrinter.h"

using namespace Qt::Literals::StringLiterals;

namespace {

QString homeFile(const QString& name) {
    return FileFunctions::getPathForDocumentDirectoryResource(name);
}

// Table t for the statements, table v for the values stored and read back.
class MemoryDatabase : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(db_.open());
        ASSERT_TRUE(db_.executeUpdate(u"create table t (a integer, b text)"_s));
        ASSERT_TRUE(db_.executeUpdate(u"create table v (id integer primary key, x)"_s));
    }
    int rowCount() { return FMDatabaseAdditions::intForQuery(db_, u"select count(*) from t"_s); }
    // Stores `value` in v and answers its row, read back.
    std::unique_ptr<FMResultSet> row(const QVariant& value) {
        EXPECT_TRUE(db_.executeUpdate(u"insert into v (x) values (?)"_s, QVariantList{value}));
        auto rs =
            db_.executeQuery(u"select x, typeof(x) from v where id = ?"_s, db_.lastInsertRowId());
        EXPECT_TRUE(rs && rs->next());
        return rs;
    }

    FMDatabase db_{u":memory:"_s};
};

}  // namespace

// A garbage file opens (SQLite reads the header lazily) but every query fails, and the file is
// left as it was; a database never opened answers false and nothing.
TEST(FMDatabaseOpen, GarbageOrClosedDatabaseFailsEveryCall) {
    const QString path = homeFile(u"garbage.sqlite"_s);
    ASSERT_TRUE(FileFunctions::createFileAtPath(path, QByteArray(4096, 'x')));
    FMDatabase garbage(path);
    ASSERT_TRUE(garbage.open());
    EXPECT_FALSE(garbage.goodConnection());
    EXPECT_EQ(garbage.executeQuery(u"select * from GAMES"_s), nullptr);
    EXPECT_EQ(garbage.lastErrorCode(), 26 /* SQLITE_NOTADB */);
    EXPECT_EQ(QFile(path).size(), 4096);

    FMDatabase closed(u":memory:"_s);
    EXPECT_EQ(closed.executeQuery(u"select 1"_s), nullptr);
    EXPECT_FALSE(closed.executeUpdate(u"create table t (a)"_s));
    EXPECT_FALSE(closed.beginTransaction());
    EXPECT_EQ(closed.lastErrorCode(), 21 /* SQLITE_MISUSE */);
    EXPECT_TRUE(closed.hadError());
    EXPECT_FALSE(closed.inUse());  // the failures cleared the flag
}

// A new file keeps its data across closing (twice) and reopening; closing ends result sets
// still reading, and a result set may outlive its database.
TEST(FMDatabaseOpen, KeepsDataAndClosesResultSetsStillReading) {
    const QString path = homeFile(u"new.sqlite"_s);
    auto db = FMDatabase::databaseWithPath(path);
    EXPECT_FALSE(QFile::exists(path));  // nothing opened by the constructor
    db->setBusyRetryTimeout(0);         // an open statement must not make close spin for ever
    ASSERT_TRUE(db->open());
    ASSERT_TRUE(db->executeUpdate(u"create table t (a)"_s));
    ASSERT_TRUE(db->executeUpdate(u"insert into t values (?), (2)"_s, 7));
    std::unique_ptr<FMResultSet> rs = db->executeQuery(u"select a from t"_s);
    ASSERT_TRUE(rs && rs->next());
    db->close();
    db->close();
    EXPECT_FALSE(rs->next());
    ASSERT_TRUE(db->open());
    rs = db->executeQuery(u"select a from t"_s);
    ASSERT_TRUE(rs && rs->next());
    EXPECT_EQ(rs->intForColumnIndex(0), 7);
    db.reset();
    EXPECT_FALSE(rs->next());
    EXPECT_EQ(rs->intForColumnIndex(0), 0);
}

TEST_F(MemoryDatabase, TooFewArgumentsFailWithoutRunningTheStatement) {
    for (bool caching : {false, true}) {
        db_.setShouldCacheStatements(caching);
        EXPECT_FALSE(db_.executeUpdate(u"insert into t values (?, ?)"_s, 1));
        EXPECT_EQ(db_.executeQuery(u"select * from t where a = ?"_s), nullptr);
        EXPECT_EQ(rowCount(), 0);
        // A later, complete call on the same text still works.
        EXPECT_TRUE(db_.executeUpdate(u"insert into t values (?, ?)"_s, 1, u"x"_s));
        EXPECT_EQ(rowCount(), 1);
        ASSERT_TRUE(db_.executeUpdate(u"delete from t"_s));
    }
}

// An open transaction (which sets the in-use guard) does not block its own statements.
TEST_F(MemoryDatabase, TransactionsRunTheirOwnStatements) {
    ASSERT_TRUE(db_.beginTransaction());
    EXPECT_TRUE(db_.inTransaction());
    EXPECT_TRUE(db_.executeUpdate(u"insert into t values (1, 'a')"_s));
    EXPECT_EQ(db_.lastInsertRowId(), 1);
    ASSERT_TRUE(db_.rollback());
    EXPECT_EQ(rowCount(), 0);
    ASSERT_TRUE(db_.beginDeferredTransaction());
    EXPECT_TRUE(db_.executeUpdate(u"insert into t values (2, 'b')"_s));
    ASSERT_TRUE(db_.commit());
    EXPECT_FALSE(db_.inTransaction());
    EXPECT_EQ(rowCount(), 1);
}

// The cache hands out one statement per text, but not one a reader still holds; clearing it
// under a reader ends that reader safely.
TEST_F(MemoryDatabase, StatementCache) {
    db_.setShouldCacheStatements(true);
    const QString insert = u"insert into t values (?, ?)"_s;
    for (int i = 1; i <= 3; ++i) {
        ASSERT_TRUE(db_.executeUpdate(insert, i, u"x"_s));
    }
    std::shared_ptr<FMStatement> cached = db_.cachedStatementForQuery(insert);
    ASSERT_TRUE(cached);
    EXPECT_EQ(cached->useCount(), 3);
    const QString select = u"select a from t order by a"_s;
    std::unique_ptr<FMResultSet> outer = db_.executeQuery(select);
    ASSERT_TRUE(outer && outer->next());
    int innerRows = 0;
    for (auto inner = db_.executeQuery(select); inner && inner->next();) {
        ++innerRows;
    }
    EXPECT_EQ(innerRows, 3);
    ASSERT_TRUE(outer->next());  // the outer reader kept its place
    EXPECT_EQ(outer->intForColumnIndex(0), 2);
    db_.clearCachedStatements();
    EXPECT_EQ(outer->intForColumnIndex(0), 0);
    EXPECT_FALSE(outer->next());
    db_.setShouldCacheStatements(false);
    EXPECT_EQ(db_.cachedStatementForQuery(insert), nullptr);
}

// One value from column 0 of the first row; no row or a failed query answers the empty value.
TEST_F(MemoryDatabase, AdditionsReadOneValue) {
    using A = FMDatabaseAdditions;
    ASSERT_TRUE(db_.executeUpdate(u"insert into t values (?, ?), (5000000000, 'b')"_s, 1, u"a"_s));
    EXPECT_EQ(A::stringForQuery(db_, u"select b from t order by b desc"_s), u"b"_s);
    EXPECT_DOUBLE_EQ(A::doubleForQuery(db_, u"select a / 2.0 from t where b = ?"_s, u"a"_s), 0.5);
    EXPECT_EQ(A::longForQuery(db_, u"select a from t where b = 'b'"_s), 5000000000LL);
    EXPECT_TRUE(A::boolForQuery(db_, u"select a from t where b = ?"_s, QVariantList{u"a"_s}));
    EXPECT_EQ(A::dataForQuery(db_, u"select x'00ff'"_s), QByteArray("\x00\xff", 2));
    const QString none = u"select b from t where b = ?"_s;
    EXPECT_TRUE(A::stringForQuery(db_, none, u"zz"_s).isNull());
    EXPECT_EQ(A::longForQuery(db_, none, u"zz"_s), 0);
    EXPECT_EQ(A::dataForQuery(db_, none, u"zz"_s), std::nullopt);
    EXPECT_TRUE(A::stringForQuery(db_, u"select nothing from nowhere"_s).isNull());
}

// A busy database is retried until the timeout plus two busy answers (without a timeout, for
// ever), and nothing is lost once the other writer commits.
TEST(FMDatabaseBusy, TimeoutGivesUpAndLosesNothing) {
    const auto busyAnswers = [](qint32 timeout, int limit) {
        FMBusyRetry retry(timeout);
        while (retry.busyAnswers() < limit && retry.shouldRetry()) {
        }
        return retry.busyAnswers();
    };
    EXPECT_EQ(busyAnswers(2, 1000), 4);
    EXPECT_EQ(busyAnswers(0, 500), 500);

    const QString path = homeFile(u"locked.sqlite"_s);
    FMDatabase holder(path);
    ASSERT_TRUE(holder.open());
    ASSERT_TRUE(holder.executeUpdate(u"create table t (a)"_s));
    ASSERT_TRUE(holder.beginTransaction());
    ASSERT_TRUE(holder.executeUpdate(u"insert into t values (1)"_s));
    FMDatabase other(path);
    other.setBusyRetryTimeout(2);
    ASSERT_TRUE(other.open());
    CapturedConsole console;
    EXPECT_FALSE(other.executeUpdate(u"insert into t values (2)"_s));
    EXPECT_EQ(other.executeQuery(u"select a from t"_s), nullptr);
    ASSERT_TRUE(holder.commit());
    EXPECT_TRUE(other.executeUpdate(u"insert into t values (2)"_s));
    EXPECT_EQ(FMDatabaseAdditions::intForQuery(other, u"select sum(a) from t"_s), 3);
}

// Each argument is stored as its SQL type: a null string is nothing, an empty one "".
TEST_F(MemoryDatabase, EveryArgumentKindIsStoredAsItsSqlTypeAndComesBackUnchanged) {
    const QDateTime when = QDateTime::fromMSecsSinceEpoch(1262304000123, Qt::UTC);
    const std::pair<QVariant, const char*> types[] = {
        {QVariant(), "null"},
        {QString(), "null"},
        {u""_s, "text"},
        {QByteArray("", 0), "blob"},
        {true, "integer"},
        {when, "real"},
        {QVariant::fromValue(std::numeric_limits<quint64>::max()), "text"},
        {QUrl(u"http://example.org/a"_s), "text"},
    };
    for (const auto& [value, type] : types) {
        SCOPED_TRACE(value.toString().toStdString());
        EXPECT_EQ(row(value)->stringForColumnIndex(1), QString::fromLatin1(type));
    }
    const QByteArray blob("a\0b\xff", 4);
    EXPECT_EQ(row(blob)->dataForColumnIndex(0), blob);
    EXPECT_EQ(row(QVariant())->dataForColumnIndex(0), QByteArray());  // empty, not nothing
    const QString text = u"Zoë 😀 \"quoted\" ; drop table v"_s;
    EXPECT_EQ(row(text)->stringForColumnIndex(0), text);
    EXPECT_FALSE(row(u""_s)->stringForColumnIndex(0).isNull());
    EXPECT_TRUE(row(QVariant())->stringForColumnIndex(0).isNull());
    const qint64 big = (qint64(1) << 40) + 3;
    EXPECT_EQ(row(big)->longForColumnIndex(0), big);  // no narrowing to 32 bits
    EXPECT_DOUBLE_EQ(row(2.25)->doubleForColumnIndex(0), 2.25);
    EXPECT_EQ(row(true)->intForColumnIndex(0), 1);  // a flag is stored as 1, not any true
    EXPECT_FALSE(row(false)->boolForColumnIndex(0));
    EXPECT_EQ(row(when)->dateForColumnIndex(0), when);
}
