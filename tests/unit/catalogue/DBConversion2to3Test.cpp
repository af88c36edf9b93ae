#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "DBConversion2to3.h"
#include "FMDatabase.h"
#include "FileFunctions.h"
#include "Model.h"
#include "QStringPrinter.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// Runs as the wii build, with an earlier database made to measure in the data home.
class Conversion : public testing::Test {
protected:
    void SetUp() override {
        Model::setInformationFilePath(u":/builds/wii/Info.json"_s);
        Model::resetInstance();
    }

    // Each row: playbase id, wish flag, score (an invalid QVariant is NULL).
    void makeEarlierDatabase(const QList<QVariantList>& rows) {
        FMDatabase db(conversion_.get2_0DatabaseFilePath());
        ASSERT_TRUE(db.open());
        ASSERT_TRUE(db.executeUpdate(
            u"CREATE TABLE GAMES (PLAYBASE_ID TEXT, TITLE TEXT, MY_WISH_LIST_FLAG TEXT, "
            "MY_SCORE TEXT)"_s));
        for (const QVariantList& row : rows) {
            ASSERT_TRUE(db.executeUpdate(u"INSERT INTO GAMES VALUES (?, 'title', ?, ?)"_s, row));
        }
    }

    DBConversion2to3 conversion_;
};

}  // namespace

TEST_F(Conversion, MarksBecomeScoreColonWish) {
    makeEarlierDatabase({
        {u"p1"_s, u"1"_s, QVariant()},  // wished, never scored
        {u"p2"_s, u"0"_s, u"8"_s},      // scored, not wished
        {u"p3"_s, u"1"_s, u"6.5"_s},    // both
        {u"p4"_s, u"0"_s, QVariant()},  // neither: not selected
        {u"p5"_s, QVariant(), u""_s},   // an empty score counts as none
        {QVariant(), u"1"_s, u"9"_s},   // no id: nothing to attach the marks to
        {u"p6"_s, u"1"_s, u"3"_s},      // the later row with an id wins
        {u"p6"_s, u"0"_s, u"7"_s},
    });
    const auto userData = conversion_.getHistoricalUserDataDictionary();
    ASSERT_TRUE(userData);
    const QHash<QString, QString> expected{{u"p1"_s, u"0.0:1"_s},
                                           {u"p2"_s, u"8:0"_s},
                                           {u"p3"_s, u"6.5:1"_s},
                                           {u"p5"_s, u"0.0:0"_s},
                                           {u"p6"_s, u"7:0"_s}};
    EXPECT_EQ(*userData, expected);
}

// No file (also after deleting it, twice), a folder in its place, no GAMES table or no
// database at all: nothing to carry over, and looking creates nothing.
TEST_F(Conversion, MissingOrUnreadableFileGivesNothing) {
    const QString path = conversion_.get2_0DatabaseFilePath();
    EXPECT_EQ(path, FileFunctions::getDocumentDirectoryPath() + u"/Questlog.wii.sqlite"_s);
    makeEarlierDatabase({{u"p1"_s, u"1"_s, QVariant()}});
    ASSERT_TRUE(conversion_.getHistoricalUserDataDictionary());
    conversion_.delete2_0DatabaseFile();  // the database was released, so the file can go
    conversion_.delete2_0DatabaseFile();
    EXPECT_FALSE(conversion_.getHistoricalUserDataDictionary());
    EXPECT_FALSE(QFile::exists(path));

    {
        FMDatabase db(path);
        ASSERT_TRUE(db.open());
        ASSERT_TRUE(db.executeUpdate(u"CREATE TABLE OTHER (A)"_s));
    }
    EXPECT_EQ(conversion_.getHistoricalUserDataDictionary(), QHash<QString, QString>());
    QFile garbage(path);
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly | QIODevice::Truncate));
    garbage.write(QByteArray(2048, '\x7f'));
    garbage.close();
    EXPECT_EQ(conversion_.getHistoricalUserDataDictionary(), QHash<QString, QString>());
    ASSERT_TRUE(QFile::remove(path) && QDir().mkpath(path));
    EXPECT_FALSE(conversion_.getHistoricalUserDataDictionary());
}
