#include <gtest/gtest.h>

#include <QDateTime>
#include <QObject>
#include <QUrl>
#include <limits>

#include "CapturedConsole.h"
#include "FMDatabase.h"
#include "FMDatabaseAdditions.h"
#include "FMResultSet.h"
#include "FileFunctions.h"
#include "QStringPrinter.h"

using namespace Qt::Literals::StringLiterals;

namespace {

class ResultSet : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(db_.open());
        ASSERT_TRUE(db_.executeUpdate(u"create table v (id integer primary key, x)"_s));
    }
    // Stores `value` and answers its row id.
    qint64 store(const QVariant& value) {
        EXPECT_TRUE(db_.executeUpdate(u"insert into v (x) values (?)"_s, QVariantList{value}));
        return db_.lastInsertRowId();
    }
    QString typeOf(qint64 id) {
        return FMDatabaseAdditions::stringForQuery(db_, u"select typeof(x) from v where id = ?"_s,
                                                   id);
    }
    std::unique_ptr<FMResultSet> row(qint64 id) {
        auto rs = db_.executeQuery(u"select x from v where id = ?"_s, id);
        EXPECT_TRUE(rs && rs->next());
        return rs;
    }

    FMDatabase db_{u":memory:"_s};
};

}  // namespace

TEST_F(ResultSet, EveryArgumentKindIsStoredAsItsSqlType) {
    EXPECT_EQ(typeOf(store(QVariant())), u"null"_s);
    EXPECT_EQ(typeOf(store(QVariant::fromValue(nullptr))), u"null"_s);
    EXPECT_EQ(typeOf(store(QString())), u"null"_s);  // a null string is nothing
    EXPECT_EQ(typeOf(store(u""_s)), u"text"_s);      // an empty one is ""
    EXPECT_EQ(typeOf(store(QByteArray("", 0))), u"blob"_s);
    EXPECT_EQ(typeOf(store(QByteArray())), u"null"_s);
    EXPECT_EQ(typeOf(store(QDateTime())), u"null"_s);
    EXPECT_EQ(typeOf(store(true)), u"integer"_s);
    EXPECT_EQ(typeOf(store(QVariant::fromValue(0.5f))), u"real"_s);
    EXPECT_EQ(typeOf(store(QDateTime::currentDateTimeUtc())), u"real"_s);
    EXPECT_EQ(typeOf(store(QVariant::fromValue(std::numeric_limits<quint64>::max()))), u"text"_s);
    EXPECT_EQ(typeOf(store(QUrl(u"http://example.org/a"_s))), u"text"_s);
}

TEST_F(ResultSet, ValuesComeBackUnchanged) {
    const QByteArray blob("a\0b\xff", 4);
    EXPECT_EQ(row(store(blob))->dataForColumnIndex(0), blob);
    EXPECT_EQ(row(store(QByteArray("", 0)))->dataForColumnIndex(0), QByteArray());
    EXPECT_EQ(row(store(QVariant()))->dataForColumnIndex(0), QByteArray());  // empty, not nothing

    const QString text = u"Zoë 😀 \"quoted\" ; drop table v"_s;
    EXPECT_EQ(row(store(text))->stringForColumnIndex(0), text);
    const QString empty = row(store(u""_s))->stringForColumnIndex(0);
    EXPECT_TRUE(empty.isEmpty());
    EXPECT_FALSE(empty.isNull());
    EXPECT_TRUE(row(store(QVariant()))->stringForColumnIndex(0).isNull());

    const qint64 big = (qint64(1) << 40) + 3;
    EXPECT_EQ(row(store(big))->longForColumnIndex(0), big);  // no narrowing to 32 bits
    EXPECT_EQ(row(store(-42))->intForColumnIndex(0), -42);
    EXPECT_DOUBLE_EQ(row(store(2.25))->doubleForColumnIndex(0), 2.25);
    EXPECT_DOUBLE_EQ(row(store(QVariant::fromValue(0.1f)))->doubleForColumnIndex(0), double(0.1f));
    EXPECT_EQ(row(store(true))->intForColumnIndex(0), 1);  // a flag is stored as 1, not any true
    EXPECT_FALSE(row(store(false))->boolForColumnIndex(0));

    const QDateTime when = QDateTime::fromMSecsSinceEpoch(1262304000123, Qt::UTC);
    EXPECT_EQ(row(store(when))->dateForColumnIndex(0), when);
    EXPECT_DOUBLE_EQ(row(store(when))->doubleForColumnIndex(0), 1262304000.123);
    EXPECT_FALSE(row(store(QVariant()))->dateForColumnIndex(0).isValid());
}

TEST_F(ResultSet, ColumnNamesMatchInAnyCase) {
    auto rs = db_.executeQuery(u"select 'p1' as Playbase_ID, 8 as my_score, 2.5 as Ratio"_s);
    ASSERT_TRUE(rs && rs->next());
    EXPECT_EQ(rs->stringForColumn(u"PLAYBASE_ID"_s), u"p1"_s);
    EXPECT_EQ(rs->stringForColumn(u"playbase_id"_s), u"p1"_s);
    EXPECT_EQ(rs->columnIndexForName(u"My_Score"_s), 1);
    EXPECT_EQ(rs->intForColumn(u"MY_SCORE"_s), 8);
    EXPECT_DOUBLE_EQ(rs->doubleForColumn(u"ratio"_s), 2.5);

    CapturedConsole console;
    EXPECT_TRUE(rs->stringForColumn(u"nope"_s).isNull());
    EXPECT_EQ(rs->intForColumn(u"nope"_s), 0);
    EXPECT_EQ(rs->longForColumn(u"nope"_s), 0);
    EXPECT_FALSE(rs->boolForColumn(u"nope"_s));
    EXPECT_EQ(rs->dataForColumn(u"nope"_s), std::nullopt);
    EXPECT_FALSE(rs->dateForColumn(u"nope"_s).isValid());
    EXPECT_EQ(console.text().count(u"Warning: I could not find the column named 'nope'."_s), 6);
}

TEST_F(ResultSet, ReadingPastTheEndClosesAndAnswersEmptyValues) {
    store(5);
    auto rs = db_.executeQuery(u"select x from v"_s);
    ASSERT_TRUE(rs);
    EXPECT_EQ(rs->intForColumnIndex(0), 0);  // no row until next
    ASSERT_TRUE(rs->next());
    EXPECT_EQ(rs->intForColumnIndex(0), 5);
    EXPECT_EQ(rs->intForColumnIndex(1), 0);   // out of range
    EXPECT_EQ(rs->intForColumnIndex(-1), 0);  // out of range
    EXPECT_FALSE(rs->next());
    EXPECT_EQ(rs->statement(), nullptr);
    EXPECT_EQ(rs->parentDB(), nullptr);
    EXPECT_FALSE(rs->next());
    EXPECT_EQ(rs->intForColumnIndex(0), 0);
    EXPECT_TRUE(rs->stringForColumn(u"x"_s).isNull());
    EXPECT_EQ(rs->dataForColumnIndex(0), std::nullopt);
    rs->close();  // closing again is harmless
}

TEST_F(ResultSet, StepErrorClosesTheResultSet) {
    auto rs = db_.executeQuery(u"select abs(-9223372036854775807 - 1)"_s);
    ASSERT_TRUE(rs);
    CapturedConsole console;
    EXPECT_FALSE(rs->next());
    EXPECT_TRUE(console.text().contains(u"Error calling sqlite3_step (1: integer overflow) rs"_s));
    EXPECT_EQ(rs->statement(), nullptr);
}
