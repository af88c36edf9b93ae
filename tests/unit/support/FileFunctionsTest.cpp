#include "FileFunctions.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <thread>

#include "QStringPrinter.h"

using namespace Qt::Literals::StringLiterals;
using FF = FileFunctions;

namespace {

QByteArray readBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString document(const QString& name) {
    return FF::getPathForDocumentDirectoryResource(name);
}

}  // namespace

// Documents live in the data home, made on first use.
TEST(FileFunctions, TextRoundTripsAsUtf8AndUnreadableTextIsNothing) {
    const QString home = qEnvironmentVariable("QUESTLOG_HOME") + u"/nested/home"_s;
    qputenv("QUESTLOG_HOME", home.toUtf8());
    const QString text = u"Pokémon ™ 🎮\nline two"_s;
    FF::saveStringAsFileToDocumentDirectory(QString(10000, u'a'), u"notes.txt"_s);
    FF::saveStringAsFileToDocumentDirectory(text, u"notes.txt"_s);  // replaces the whole file
    EXPECT_TEXT(FF::getStringFileValueFromDocumentDirectory(u"notes.txt"_s), text);
    EXPECT_EQ(readBytes(home + u"/notes.txt"_s), text.toUtf8());
    EXPECT_EQ(FF::getDirectoryContentsAtDocumentDirectory(), QStringList{u"notes.txt"_s});

    ASSERT_TRUE(FF::createFileAtPath(document(u"bad"_s), QByteArray("ok \xff\xfe bytes")));
    for (const QString& unreadable :
         {document(u"bad"_s), document(u"absent"_s), FF::getDocumentDirectoryPath()}) {
        EXPECT_TEXT(FF::getStringFileValue(unreadable), QString());
    }
    FF::saveStringAsFile(u"x"_s, document(u"no/such/f.txt"_s));  // fails quietly
    EXPECT_TRUE(FF::getStringFileValueFromBundle(u"builds/wii/Info"_s, u"json"_s)
                    .contains(u"\"Platform Code\": \"wii\""_s));
    EXPECT_FALSE(FF::fileExistsAtPath(document(u"no/such/f.txt"_s)));
}

TEST(FileFunctions, ReadersNeverSeeHalfAFile) {
    const QString first(200000, u'a');
    const QString second(300000, u'b');
    FF::saveStringAsFileToDocumentDirectory(first, u"big.txt"_s);
    std::atomic<bool> done{false};
    std::atomic<int> torn{0};
    std::thread reader([&] {
        while (!done) {
            const QString read = FF::getStringFileValueFromDocumentDirectory(u"big.txt"_s);
            torn += read != first && read != second ? 1 : 0;
        }
    });
    for (int i = 0; i < 20; ++i) {
        FF::saveStringAsFileToDocumentDirectory(i % 2 ? first : second, u"big.txt"_s);
    }
    done = true;
    reader.join();
    EXPECT_EQ(torn, 0);
}

TEST(FileFunctions, ItemsAreCopiedWithoutOverwritingListedAndDeleted) {
    const QString dir = document(u"box-art"_s);
    EXPECT_TRUE(FF::createDirectoryAtPath(dir));
    EXPECT_FALSE(FF::createDirectoryAtPath(dir + u"/deeper/still"_s));  // parent missing
    ASSERT_TRUE(FF::createFileAtPath(dir + u"/one.jpg"_s, "1"));
    ASSERT_TRUE(FF::createFileAtPath(dir + u"/two.jpg"_s, "2"));
    EXPECT_EQ(FF::getDirectoryContentsAtPath(dir), (QStringList{u"one.jpg"_s, u"two.jpg"_s}));
    EXPECT_FALSE(FF::copyItemAtPath(dir + u"/one.jpg"_s, dir + u"/two.jpg"_s));
    EXPECT_EQ(readBytes(dir + u"/two.jpg"_s), "2");
    EXPECT_TRUE(FF::copyItemAtPath(dir, document(u"copy"_s)));
    EXPECT_EQ(readBytes(document(u"copy/one.jpg"_s)), "1");

    FF::deleteFileAtPath(dir);
    EXPECT_EQ(FF::getDirectoryContentsAtPath(dir), std::nullopt);
    EXPECT_TRUE(FF::fileExistsAtPath(document(u"copy"_s)));
    // Deleting by an empty or relative name never removes the documents directory.
    FF::saveStringAsFileToDocumentDirectory(u"keep"_s, u"Questlog3.sqlite"_s);
    for (const QString& name : {u""_s, QString(), u"."_s, u".."_s, u"never-there"_s}) {
        FF::deleteFileFromDocumentDirectory(name);
    }
    EXPECT_TEXT(FF::getStringFileValueFromDocumentDirectory(u"Questlog3.sqlite"_s), u"keep"_s);
    FF::deleteFileFromDocumentDirectory(u"Questlog3.sqlite"_s);
    EXPECT_FALSE(FF::fileExistsAtPath(document(u"Questlog3.sqlite"_s)));
}
