#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "QStringPrinter.h"
#include "SqliteConnection.h"
#include "SqliteStatement.h"

using namespace Qt::Literals::StringLiterals;

namespace {

class SqliteStatementTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        ASSERT_TRUE(connection_.open(dir_.filePath(u"t.sqlite"_s), nullptr));
        ASSERT_TRUE(connection_.exec(u"CREATE TABLE t (a TEXT, b TEXT)"_s, StoreError::SchemaFailed,
                                     nullptr));
    }

    QList<QStringList> rows() {
        QList<QStringList> all;
        SqliteStatement select(connection_, u"SELECT a, b FROM t ORDER BY rowid"_s);
        while (select.step() == SqliteStatement::Step::Row) {
            all.append({select.columnText(0), select.columnText(1)});
        }
        return all;
    }

    QTemporaryDir dir_;
    SqliteConnection connection_;
};

}  // namespace

// Texts are encoded into a buffer per parameter that is reused for the next row: a shorter
// text after a longer one, an empty one after both, must each be stored whole and alone.
TEST_F(SqliteStatementTest, ReboundTextsAreStoredWhole) {
    SqliteStatement insert(connection_, u"INSERT INTO t (a, b) VALUES (?, ?)"_s);
    const QList<QStringList> written{
        {u"a long first text \u00e9\u20ac\U0001F3AE"_s, u"x"_s},
        {u"short"_s, u"\u00e9"_s},
        {u""_s, QString()},
    };
    for (const QStringList& row : written) {
        insert.bindText(1, row[0]);
        insert.bindText(2, row[1]);
        ASSERT_TRUE(insert.run());
    }
    const QList<QStringList> read = rows();
    ASSERT_EQ(read.size(), 3);
    EXPECT_EQ(read[0], written[0]);
    EXPECT_EQ(read[1], written[1]);
    EXPECT_TRUE(read[2][0].isEmpty());
    EXPECT_FALSE(read[2][0].isNull());  // '' stays '', not NULL
    EXPECT_TRUE(read[2][1].isNull());
}

TEST_F(SqliteStatementTest, LoneSurrogateIsStoredAsReplacementCharacter) {
    SqliteStatement insert(connection_, u"INSERT INTO t (a) VALUES (?)"_s);
    insert.bindText(1, u"a"_s + QChar(0xD800) + u"b"_s);
    ASSERT_TRUE(insert.run());
    EXPECT_EQ(rows().value(0).value(0), u"a\uFFFDb"_s);
}

TEST_F(SqliteStatementTest, OutOfRangeParameterIsAFailedBindNotACrash) {
    SqliteStatement insert(connection_, u"INSERT INTO t (a) VALUES (?)"_s);
    insert.bindText(0, u"x"_s);
    insert.bindText(7, u"x"_s);
    insert.bindText(1, u"kept"_s);
    ASSERT_TRUE(insert.run());
    EXPECT_EQ(rows().value(0).value(0), u"kept"_s);
    // A statement that did not prepare ignores bindings.
    SqliteStatement broken(connection_, u"INSERT INTO nowhere VALUES (?)"_s);
    EXPECT_FALSE(broken.isValid());
    broken.bindText(1, u"x"_s);
    EXPECT_FALSE(broken.run());
}
