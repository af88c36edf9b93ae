#include "FileFunctions.h"

#include <gtest/gtest.h>

#include <QDir>

#include "QStringPrinter.h"

using namespace Qt::Literals::StringLiterals;
using FF = FileFunctions;

// What the program calls: the data home made on first use, folders made and deleted whole,
// bundled text read. Deleting by an empty name never removes anything.
TEST(FileFunctions, DocumentsLiveInTheDataHomeAndFoldersAreDeletedWhole) {
    const QString home = qEnvironmentVariable("QUESTLOG_HOME") + u"/nested/home"_s;
    qputenv("QUESTLOG_HOME", home.toUtf8());
    EXPECT_EQ(FF::getDocumentDirectoryPath(), home);
    EXPECT_TRUE(QDir(home).exists());
    const QString dir = FF::getPathForDocumentDirectoryResource(u"box-art"_s);
    EXPECT_EQ(dir, home + u"/box-art"_s);
    EXPECT_TRUE(FF::createDirectoryAtPath(dir));
    EXPECT_FALSE(FF::createDirectoryAtPath(dir + u"/deeper/still"_s));  // parent missing
    ASSERT_TRUE(FF::createFileAtPath(dir + u"/one.jpg"_s, "1"));
    EXPECT_TRUE(FF::fileExistsAtPath(dir + u"/one.jpg"_s));
    FF::deleteFileAtPath(QString());
    FF::deleteFileFromDocumentDirectory(u""_s);
    EXPECT_TRUE(FF::fileExistsAtPath(dir + u"/one.jpg"_s));
    FF::deleteFileAtPath(dir);
    EXPECT_FALSE(FF::fileExistsAtPath(dir));
    EXPECT_TRUE(QDir(home).exists());
    EXPECT_TRUE(FF::getStringFileValueFromBundle(u"builds/wii/Info"_s, u"json"_s)
                    .contains(u"\"Platform Code\": \"wii\""_s));
    EXPECT_TEXT(FF::getStringFileValueFromBundle(u"not_there"_s, u"html"_s), QString());
}
