#include <gtest/gtest.h>

#include "FMDatabase.h"
#include "FMDatabaseAdditions.h"
#include "FMResultSet.h"
#include "FMStatement.h"
#include "QStringPrinter.h"

using namespace Qt::Literals::StringLiterals;

namespace {

class SingleValue : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(db_.open());
        ASSERT_TRUE(db_.executeUpdate(u"create table g (id text, score, flag, art blob)"_s));
        ASSERT_TRUE(db_.executeUpdate(u"insert into g values (?, ?, ?, ?)"_s, u"a"_s, 8.5, true,
                                      QByteArray("\x89PNG", 4)));
        ASSERT_TRUE(db_.executeUpdate(u"insert into g values ('b', 5000000000, 0, null)"_s));
    }
    FMDatabase db_{u":memory:"_s};
};

}  // namespace

TEST_F(SingleValue, ReadsColumnZeroOfTheFirstRow) {
    using A = FMDatabaseAdditions;
    EXPECT_EQ(A::stringForQuery(db_, u"select id from g order by id desc"_s), u"b"_s);
    EXPECT_DOUBLE_EQ(A::doubleForQuery(db_, u"select score from g where id = ?"_s, u"a"_s), 8.5);
    EXPECT_EQ(A::intForQuery(db_, u"select count(*) from g where flag = ?"_s, true), 1);
    EXPECT_EQ(A::longForQuery(db_, u"select score from g where id = 'b'"_s), 5000000000LL);
    EXPECT_TRUE(A::boolForQuery(db_, u"select flag from g where id = ?"_s, QVariantList{u"a"_s}));
    EXPECT_EQ(A::dataForQuery(db_, u"select art from g where id = 'a'"_s),
              QByteArray("\x89PNG", 4));
}

TEST_F(SingleValue, NoRowOrFailedQueryAnswersTheEmptyValue) {
    using A = FMDatabaseAdditions;
    const QString none = u"select id from g where id = ?"_s;
    EXPECT_TRUE(A::stringForQuery(db_, none, u"zz"_s).isNull());
    EXPECT_EQ(A::intForQuery(db_, none, u"zz"_s), 0);
    EXPECT_EQ(A::longForQuery(db_, none, u"zz"_s), 0);
    EXPECT_FALSE(A::boolForQuery(db_, none, u"zz"_s));
    EXPECT_DOUBLE_EQ(A::doubleForQuery(db_, none, u"zz"_s), 0.0);
    EXPECT_EQ(A::dataForQuery(db_, none, u"zz"_s), std::nullopt);
    EXPECT_TRUE(A::stringForQuery(db_, u"select nothing from nowhere"_s).isNull());
    EXPECT_TRUE(A::stringForQuery(db_, none).isNull());  // missing argument
}
