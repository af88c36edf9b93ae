#include <gtest/gtest.h>

#include <functional>

#include "QStringPrinter.h"
#include "SqliteConnection.h"
#include "SqliteStatement.h"

using namespace Qt::Literals::StringLiterals;

namespace {

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

}  // namespace

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
    SqliteStatement select(db_, u"SELECT a, b FROM t ORDER BY rowid"_s);
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(select.step(), SqliteStatement::Step::Row);
        EXPECT_EQ(select.columnText(0), written[i][0]);
        EXPECT_EQ(select.columnText(1), written[i][1]);
    }
    ASSERT_EQ(select.step(), SqliteStatement::Step::Row);
    EXPECT_EQ(select.columnText(0), u"a\uFFFDb"_s);
    EXPECT_FALSE(select.columnText(0).isNull());
    EXPECT_TRUE(rows()[2][1].isNull());  // a null QString is NULL, "" is ''
    EXPECT_FALSE(rows()[2][0].isNull());
}

TEST_F(SqliteStatementTest, EveryKindOfValueComesBackAsBound) {
    SqliteStatement insert(db_, u"INSERT INTO t (a, b) VALUES (?, ?)"_s);
    ASSERT_TRUE(insert.bindInt64(1, (qint64(1) << 40) + 3));
    ASSERT_TRUE(insert.bindDouble(2, 2.25));
    ASSERT_TRUE(insert.run());
    ASSERT_TRUE(insert.bindBlob(1, QByteArray("a\0b", 3)));
    ASSERT_TRUE(insert.bindBlob(2, QByteArray("", 0)));  // zero-length, not NULL
    ASSERT_TRUE(insert.run());
    ASSERT_TRUE(insert.bindBlob(1, QByteArray()));
    ASSERT_TRUE(insert.bindNull(2));
    ASSERT_TRUE(insert.run());
    const QList<QVariantList> read = rows();
    ASSERT_EQ(read.size(), 3);
    EXPECT_EQ(read[0], (QVariantList{(qint64(1) << 40) + 3, 2.25}));
    EXPECT_EQ(read[1][0], QByteArray("a\0b", 3));
    EXPECT_EQ(read[1][1].typeId(), QMetaType::QByteArray);
    EXPECT_TRUE(read[2][0].isNull());
    EXPECT_TRUE(read[2][1].isNull());
    EXPECT_EQ(db_.execAndGet(u"SELECT typeof(b) FROM t WHERE rowid = 2"_s), u"blob"_s);
}

// Binding after rows were read, with any kind of value, starts the statement over instead of
// failing (SQLITE_MISUSE).
TEST_F(SqliteStatementTest, RebindingAfterRowsStartsOver) {
    ASSERT_TRUE(db_.exec(u"INSERT INTO t VALUES (1, 'a'), (2, 'b'), (3, 'c')"_s));
    SqliteStatement select(db_, u"SELECT b FROM t WHERE a >= ? ORDER BY a"_s);
    ASSERT_TRUE(select.bindInt64(1, 1));
    ASSERT_EQ(select.step(), SqliteStatement::Step::Row);
    EXPECT_EQ(select.columnText(0), u"a"_s);
    EXPECT_EQ(select.dataCount(), 1);
    ASSERT_TRUE(select.bindInt64(1, 3));
    ASSERT_EQ(select.step(), SqliteStatement::Step::Row);
    EXPECT_EQ(select.columnText(0), u"c"_s);
    EXPECT_EQ(select.columnName(0), u"b"_s);
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
    select.reset();
    EXPECT_EQ(select.dataCount(), 0);
}

TEST_F(SqliteStatementTest, FailuresAnswerFalseWithSqlitesCode) {
    SqliteStatement insert(db_, u"INSERT INTO t (a) VALUES (?)"_s);
    EXPECT_FALSE(insert.bindText(0, u"x"_s));
    EXPECT_EQ(insert.resultCode(), 25);  // SQLITE_RANGE
    EXPECT_FALSE(insert.bindInt64(7, 1));
    ASSERT_TRUE(insert.bindText(1, u"kept"_s));
    ASSERT_TRUE(insert.run());
    EXPECT_EQ(rows().value(0).value(0), u"kept"_s);

    SqliteStatement broken(db_, u"INSERT INTO nowhere VALUES (?)"_s);
    EXPECT_FALSE(broken.isValid());
    EXPECT_EQ(broken.resultCode(), 1);  // SQLITE_ERROR
    EXPECT_TRUE(broken.errorMessage().contains(u"no such table"_s));
    EXPECT_FALSE(broken.bindText(1, u"x"_s));
    EXPECT_EQ(broken.step(), SqliteStatement::Step::Error);
    EXPECT_FALSE(broken.run());

    SqliteStatement empty(db_, u"  -- nothing"_s);
    EXPECT_FALSE(empty.isValid());
    EXPECT_EQ(empty.resultCode(), 0);

    SqliteStatement overflow(db_, u"SELECT abs(-9223372036854775807 - 1)"_s);
    EXPECT_EQ(overflow.step(), SqliteStatement::Step::Error);
    EXPECT_EQ(overflow.resultCode(), 1);
    EXPECT_FALSE(overflow.reset());  // reset repeats the failure
    EXPECT_TRUE(overflow.finalize());
    EXPECT_FALSE(overflow.isValid());
}
