#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <chrono>
#include <future>
#include <thread>

#include "CapturedConsole.h"
#include "FMDatabase.h"
#include "FMDatabaseAdditions.h"
#include "FMResultSet.h"
#include "FMStatement.h"
#include "FileFunctions.h"
#include "QStringPrinter.h"

using namespace Qt::Literals::StringLiterals;

namespace {

class MemoryDatabase : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(db_.open());
        ASSERT_TRUE(db_.executeUpdate(u"create table t (a integer, b text)"_s));
    }
    int rowCount() { return FMDatabaseAdditions::intForQuery(db_, u"select count(*) from t"_s); }

    FMDatabase db_{u":memory:"_s};
};

}  // namespace

// --- open and close ---------------------------------------------------------------------------

TEST(FMDatabaseOpen, CreatesMissingFileAndKeepsDataAcrossReopening) {
    const QString path = FileFunctions::getPathForDocumentDirectoryResource(u"new.sqlite"_s);
    FMDatabase db(path);
    EXPECT_EQ(db.sqliteHandle(), nullptr);  // nothing opened by the constructor
    EXPECT_FALSE(QFile::exists(path));
    ASSERT_TRUE(db.open());
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_TRUE(db.goodConnection());
    ASSERT_TRUE(db.executeUpdate(u"create table t (a)"_s));
    ASSERT_TRUE(db.executeUpdate(u"insert into t values (?)"_s, 7));
    db.close();
    EXPECT_EQ(db.sqliteHandle(), nullptr);
    db.close();  // closing twice is harmless
    ASSERT_TRUE(db.open());
    EXPECT_EQ(FMDatabaseAdditions::intForQuery(db, u"select a from t"_s), 7);
    EXPECT_TRUE(FMDatabase::sqliteLibVersion().startsWith(u"3."_s));
    EXPECT_FALSE(db.setKey(u"secret"_s));  // no encryption
    EXPECT_FALSE(db.rekey(u"secret"_s));
}

TEST(FMDatabaseOpen, GarbageFileOpensButEveryQueryFails) {
    const QString path = FileFunctions::getPathForDocumentDirectoryResource(u"garbage.sqlite"_s);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(4096, 'x'));
    file.close();
    FMDatabase db(path);
    ASSERT_TRUE(db.open());  // SQLite reads the header lazily
    EXPECT_FALSE(db.goodConnection());
    EXPECT_EQ(db.executeQuery(u"select * from GAMES"_s), nullptr);
    EXPECT_EQ(db.lastErrorCode(), 26 /* SQLITE_NOTADB */);
    EXPECT_TRUE(db.hadError());
    EXPECT_EQ(QFile(path).size(), 4096);  // the file is left as it was
}

TEST(FMDatabaseOpen, ClosedDatabaseAnswersFalseAndNothing) {
    FMDatabase db(u":memory:"_s);
    EXPECT_EQ(db.executeQuery(u"select 1"_s), nullptr);
    EXPECT_FALSE(db.executeUpdate(u"create table t (a)"_s));
    EXPECT_FALSE(db.goodConnection());
    EXPECT_FALSE(db.beginTransaction());
    EXPECT_FALSE(db.inTransaction());
    EXPECT_EQ(db.lastInsertRowId(), 0);
    EXPECT_EQ(db.lastErrorCode(), 21 /* SQLITE_MISUSE */);
    EXPECT_TRUE(db.hadError());
    EXPECT_FALSE(db.inUse());  // the failures cleared the flag
}

TEST(FMDatabaseOpen, ClosingClosesResultSetsStillReading) {
    auto db = FMDatabase::databaseWithPath(
        FileFunctions::getPathForDocumentDirectoryResource(u"rs.sqlite"_s));
    db->setBusyRetryTimeout(0);  // an open statement must not make close spin for ever
    ASSERT_TRUE(db->open());
    ASSERT_TRUE(db->executeUpdate(u"create table t (a)"_s));
    ASSERT_TRUE(db->executeUpdate(u"insert into t values (1), (2)"_s));
    std::unique_ptr<FMResultSet> rs = db->executeQuery(u"select a from t"_s);
    ASSERT_TRUE(rs && rs->next());
    db->close();
    EXPECT_EQ(db->sqliteHandle(), nullptr);
    EXPECT_EQ(rs->parentDB(), nullptr);
    EXPECT_FALSE(rs->next());
    // The result set outliving its database is safe.
    std::unique_ptr<FMResultSet> second;
    ASSERT_TRUE(db->open());
    second = db->executeQuery(u"select a from t"_s);
    ASSERT_TRUE(second);
    db.reset();
    EXPECT_FALSE(second->next());
    EXPECT_EQ(second->intForColumnIndex(0), 0);
}

// --- caller errors ----------------------------------------------------------------------------

TEST_F(MemoryDatabase, TooFewArgumentsFailWithoutRunningTheStatement) {
    for (bool caching : {false, true}) {
        db_.setShouldCacheStatements(caching);
        EXPECT_FALSE(db_.executeUpdate(u"insert into t values (?, ?)"_s, 1));
        EXPECT_FALSE(db_.executeUpdate(u"insert into t values (?, ?)"_s, QVariantList{}));
        EXPECT_EQ(db_.executeQuery(u"select * from t where a = ?"_s), nullptr);
        EXPECT_EQ(rowCount(), 0);
        // A later, complete call on the same text still works.
        EXPECT_TRUE(db_.executeUpdate(u"insert into t values (?, ?)"_s, 1, u"x"_s));
        EXPECT_EQ(rowCount(), 1);
        ASSERT_TRUE(db_.executeUpdate(u"delete from t"_s));
    }
}

TEST_F(MemoryDatabase, InUseGuardTurnsAwayReentrantCalls) {
    db_.setInUse(true);
    CapturedConsole console;
    EXPECT_EQ(db_.executeQuery(u"select * from t"_s), nullptr);
    EXPECT_FALSE(db_.executeUpdate(u"insert into t values (1, 'a')"_s));
    EXPECT_EQ(db_.lastInsertRowId(), 0);
    const QString text = console.text();
    EXPECT_EQ(text.count(u"The FMDatabase <FMDatabase: 0x"_s), 3);
    EXPECT_EQ(text.count(u"> is currently in use."_s), 3);
    EXPECT_TRUE(db_.inUse());  // the guard does not clear a flag it did not set
    db_.setInUse(false);
    EXPECT_EQ(rowCount(), 0);
}

TEST_F(MemoryDatabase, OpenTransactionDoesNotBlockItsOwnStatements) {
    ASSERT_TRUE(db_.beginTransaction());
    EXPECT_TRUE(db_.inTransaction());
    EXPECT_TRUE(db_.inUse());
    EXPECT_TRUE(db_.executeUpdate(u"insert into t values (1, 'a')"_s));
    EXPECT_EQ(db_.lastInsertRowId(), 1);
    ASSERT_TRUE(db_.rollback());
    EXPECT_FALSE(db_.inTransaction());
    EXPECT_EQ(rowCount(), 0);

    ASSERT_TRUE(db_.beginDeferredTransaction());
    EXPECT_TRUE(db_.executeUpdate(u"insert into t values (2, 'b')"_s));
    ASSERT_TRUE(db_.commit());
    EXPECT_EQ(rowCount(), 1);
    EXPECT_FALSE(db_.commit());  // no transaction is open
}

// --- statement cache --------------------------------------------------------------------------

TEST_F(MemoryDatabase, CacheHandsOutTheSameStatementAgain) {
    db_.setShouldCacheStatements(true);
    const QString insert = u"insert into t values (?, ?)"_s;
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(db_.executeUpdate(insert, i, u"x"_s));
    }
    std::shared_ptr<FMStatement> cached = db_.cachedStatementForQuery(insert);
    ASSERT_TRUE(cached);
    EXPECT_EQ(cached->useCount(), 3);
    EXPECT_EQ(cached->query(), insert);
    EXPECT_TRUE(cached->description().endsWith(u" 3 hit(s) for query "_s + insert));

    const QString select = u"select b from t where a = ?"_s;
    for (int i = 0; i < 3; ++i) {
        std::unique_ptr<FMResultSet> rs = db_.executeQuery(select, i);
        ASSERT_TRUE(rs && rs->next());
        EXPECT_EQ(rs->stringForColumnIndex(0), u"x"_s);
        rs->close();
    }
    EXPECT_EQ(db_.cachedStatementForQuery(select)->useCount(), 3);
    EXPECT_EQ(db_.cachedStatementForQuery(insert), cached);

    db_.setShouldCacheStatements(false);
    EXPECT_EQ(db_.cachedStatementForQuery(insert), nullptr);
    EXPECT_TRUE(db_.executeUpdate(insert, 9, u"y"_s));
    EXPECT_EQ(rowCount(), 4);
}

TEST_F(MemoryDatabase, CachedStatementStillBeingReadIsNotSharedWithASecondQuery) {
    ASSERT_TRUE(db_.executeUpdate(u"insert into t values (1, 'a'), (2, 'b'), (3, 'c')"_s));
    db_.setShouldCacheStatements(true);
    const QString select = u"select a from t order by a"_s;
    std::unique_ptr<FMResultSet> outer = db_.executeQuery(select);
    ASSERT_TRUE(outer && outer->next());
    EXPECT_EQ(outer->intForColumnIndex(0), 1);
    int innerRows = 0;
    std::unique_ptr<FMResultSet> inner = db_.executeQuery(select);
    ASSERT_TRUE(inner);
    while (inner->next()) {
        ++innerRows;
    }
    EXPECT_EQ(innerRows, 3);
    ASSERT_TRUE(outer->next());  // the outer reader kept its place
    EXPECT_EQ(outer->intForColumnIndex(0), 2);
}

TEST_F(MemoryDatabase, ClearingTheCacheUnderAReaderEndsItSafely) {
    ASSERT_TRUE(db_.executeUpdate(u"insert into t values (1, 'a'), (2, 'b')"_s));
    db_.setShouldCacheStatements(true);
    std::unique_ptr<FMResultSet> rs = db_.executeQuery(u"select a from t"_s);
    ASSERT_TRUE(rs && rs->next());
    db_.clearCachedStatements();
    EXPECT_EQ(rs->intForColumnIndex(0), 0);
    EXPECT_FALSE(rs->next());
    EXPECT_EQ(rowCount(), 2);
}

// --- busy databases ---------------------------------------------------------------------------

namespace {

class LockedFile : public testing::Test {
protected:
    void SetUp() override {
        path_ = FileFunctions::getPathForDocumentDirectoryResource(u"locked.sqlite"_s);
        FMDatabase setup(path_);
        ASSERT_TRUE(setup.open());
        ASSERT_TRUE(setup.executeUpdate(u"create table t (a)"_s));
    }
    QString path_;
};

}  // namespace

TEST_F(LockedFile, TimeoutGivesUpWithTheBusyLinesAndLosesNothing) {
    FMDatabase holder(path_);
    ASSERT_TRUE(holder.open());
    ASSERT_TRUE(holder.beginTransaction());
    ASSERT_TRUE(holder.executeUpdate(u"insert into t values (1)"_s));

    FMDatabase other(path_);
    other.setBusyRetryTimeout(2);
    ASSERT_TRUE(other.open());
    CapturedConsole console;
    EXPECT_FALSE(other.executeUpdate(u"insert into t values (2)"_s));
    EXPECT_EQ(other.executeQuery(u"select a from t"_s), nullptr);
    const QString text = console.text();
    EXPECT_GE(text.count(u"Database busy ("_s + path_ + u')'), 2) << text.toStdString();

    ASSERT_TRUE(holder.commit());
    EXPECT_TRUE(other.executeUpdate(u"insert into t values (2)"_s));
    EXPECT_EQ(FMDatabaseAdditions::intForQuery(other, u"select sum(a) from t"_s), 3);
}
