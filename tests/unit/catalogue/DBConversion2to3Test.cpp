#include "DBConversion2to3.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "FileFunctions.h"
#include "Model.h"
#include "QStringPrinter.h"
#include "SqliteConnection.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// The wii build's earlier database, made with `sql` after the GAMES table.
QString earlierDatabase(const QString& sql) {
    Model::setInformationFilePath(u":/builds/wii/Info.json"_s);
    Model::resetInstance();
    const QString path = DBConversion2to3().get2_0DatabaseFilePath();
    EXPECT_EQ(path, FileFunctions::getDocumentDirectoryPath() + u"/Questlog.wii.sqlite"_s);
    EXPECT_TRUE(SqliteConnection(path).exec(
        u"CREATE TABLE GAMES (PLAYBASE_ID TEXT, TITLE TEXT, MY_WISH_LIST_FLAG TEXT, MY_SCORE TEXT);"_s +
        sql));
    return path;
}

// "id=score:wish ..." in id order; "none" when there is nothing to carry over.
QString marks() {
    const auto data = DBConversion2to3().getHistoricalUserDataDictionary();
    if (!data) {
        return u"none"_s;
    }
    QStringList ids = data->keys();
    ids.sort();
    for (QString& id : ids) {
        id += u'=' + data->value(id);
    }
    return ids.join(u' ');
}

}  // namespace

// Wished but never scored, scored only, both, neither (not selected), an empty score, no id
// (nothing to attach the marks to), and a later row with the same id that wins.
TEST(Conversion, MarksBecomeScoreColonWish) {
    earlierDatabase(
        u"INSERT INTO GAMES VALUES ('p1', 't', '1', NULL), ('p2', 't', '0', '8'), "
        "('p3', 't', '1', '6.5'), ('p4', 't', '0', NULL), ('p5', 't', NULL, ''), "
        "(NULL, 't', '1', '9'), ('p6', 't', '1', '3'), ('p6', 't', '0', '7')"_s);
    EXPECT_EQ(marks(), u"p1=0.0:1 p2=8:0 p3=6.5:1 p5=0.0:0 p6=7:0"_s);
}

// No file (also after deleting it, twice), no GAMES table, no database at all or a folder in
// its place: nothing to carry over, and looking creates nothing.
TEST(Conversion, MissingOrUnreadableFileGivesNothing) {
    const QString path = earlierDatabase(u"INSERT INTO GAMES VALUES ('p1', 't', '1', NULL)"_s);
    DBConversion2to3().delete2_0DatabaseFile();
    DBConversion2to3().delete2_0DatabaseFile();
    EXPECT_EQ(marks(), u"none"_s);
    ASSERT_TRUE(SqliteConnection(path).exec(u"CREATE TABLE OTHER (A)"_s));
    EXPECT_EQ(marks(), u""_s);
    QFile garbage(path);
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly | QIODevice::Truncate));
    garbage.write(QByteArray(2048, '\x7f'));
    garbage.close();
    EXPECT_EQ(marks(), u""_s);
    ASSERT_TRUE(QFile::remove(path) && QDir().mkpath(path));
    EXPECT_EQ(marks(), u"none"_s);
}
