#include "FileFunctions.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <thread>

#include "QStringPrinter.h"

using namespace Qt::Literals::StringLiterals;

namespace {

QByteArray readBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

TEST(FileFunctionsDocuments, LiveInTheDataHomeAndAreCreatedOnFirstUse) {
    const QString home = qEnvironmentVariable("QUESTLOG_HOME") + u"/nested/home"_s;
    qputenv("QUESTLOG_HOME", home.toUtf8());
    EXPECT_FALSE(QDir(home).exists());
    EXPECT_EQ(FileFunctions::getDocumentDirectoryPath(), home);
    EXPECT_TRUE(QDir(home).exists());
    // Only the path is built; the file need not exist.
    EXPECT_EQ(FileFunctions::getPathForDocumentDirectoryResource(u"x"_s), home + u"/x"_s);
}

TEST(FileFunctionsDocuments, TextRoundTripsAsUtf8) {
    const QString text = u"Pokémon ™ 🎮\nline two"_s;
    FileFunctions::saveStringAsFileToDocumentDirectory(text, u"notes.txt"_s);
    EXPECT_EQ(FileFunctions::getStringFileValueFromDocumentDirectory(u"notes.txt"_s), text);
    EXPECT_EQ(readBytes(FileFunctions::getPathForDocumentDirectoryResource(u"notes.txt"_s)),
              text.toUtf8());
}

TEST(FileFunctionsDocuments, MissingOrInvalidTextReadsAsNothingButEmptyFileAsEmpty) {
    EXPECT_TRUE(FileFunctions::getStringFileValueFromDocumentDirectory(u"absent"_s).isNull());
    const QString bad = FileFunctions::getPathForDocumentDirectoryResource(u"bad"_s);
    ASSERT_TRUE(FileFunctions::createFileAtPath(bad, QByteArray("ok \xff\xfe bytes")));
    EXPECT_TRUE(FileFunctions::getStringFileValue(bad).isNull());
    const QString empty = FileFunctions::getPathForDocumentDirectoryResource(u"empty"_s);
    ASSERT_TRUE(FileFunctions::createFileAtPath(empty, QByteArray()));
    const QString read = FileFunctions::getStringFileValue(empty);
    EXPECT_FALSE(read.isNull());
    EXPECT_TRUE(read.isEmpty());
    // A directory is not a text file.
    EXPECT_TRUE(
        FileFunctions::getStringFileValue(FileFunctions::getDocumentDirectoryPath()).isNull());
}

TEST(FileFunctionsDocuments, SavingReplacesTheWholeFileAndLeavesNoTemporaries) {
    FileFunctions::saveStringAsFileToDocumentDirectory(QString(10000, u'a'), u"f.txt"_s);
    FileFunctions::saveStringAsFileToDocumentDirectory(u"short"_s, u"f.txt"_s);
    EXPECT_EQ(FileFunctions::getStringFileValueFromDocumentDirectory(u"f.txt"_s), u"short"_s);
    EXPECT_EQ(FileFunctions::getDirectoryContentsAtDocumentDirectory(), QStringList{u"f.txt"_s});
}

TEST(FileFunctionsDocuments, SavingIntoAMissingFolderFailsQuietly) {
    const QString path = FileFunctions::getPathForDocumentDirectoryResource(u"no/such/f.txt"_s);
    FileFunctions::saveStringAsFile(u"x"_s, path);
    EXPECT_FALSE(FileFunctions::fileExistsAtPath(path));
}

TEST(FileFunctionsDocuments, ReadersNeverSeeHalfAFile) {
    const QString first(200000, u'a');
    const QString second(300000, u'b');
    FileFunctions::saveStringAsFileToDocumentDirectory(first, u"big.txt"_s);
    std::atomic<bool> done{false};
    std::atomic<int> torn{0};
    std::thread reader([&] {
        while (!done) {
            const QString read =
                FileFunctions::getStringFileValueFromDocumentDirectory(u"big.txt"_s);
            if (read != first && read != second) {
                ++torn;
            }
        }
    });
    for (int i = 0; i < 20; ++i) {
        FileFunctions::saveStringAsFileToDocumentDirectory(i % 2 ? first : second, u"big.txt"_s);
    }
    done = true;
    reader.join();
    EXPECT_EQ(torn, 0);
}

TEST(FileFunctionsBundle, ReadsResourcesAndAnswersNothingForMissingOnes) {
    EXPECT_EQ(FileFunctions::getPathForBundleResource(u"review_template.html"_s),
              u":/review_template.html"_s);
    const QString info =
        FileFunctions::getStringFileValueFromBundle(u"builds/wii/Info"_s, u"json"_s);
    EXPECT_TRUE(info.contains(u"\"Platform Code\": \"wii\""_s)) << info.toStdString();
    EXPECT_TRUE(FileFunctions::getStringFileValueFromBundle(u"not_there"_s, u"html"_s).isNull());
    EXPECT_TRUE(FileFunctions::getStringFileValueFromBundle(QString(), u"html"_s).isNull());
}

TEST(FileFunctionsItems, CopyRefusesAnExistingDestinationAndLeavesBothAlone) {
    const QString a = FileFunctions::getPathForDocumentDirectoryResource(u"a"_s);
    const QString b = FileFunctions::getPathForDocumentDirectoryResource(u"b"_s);
    ASSERT_TRUE(FileFunctions::createFileAtPath(a, "first"));
    ASSERT_TRUE(FileFunctions::createFileAtPath(b, "second"));
    EXPECT_FALSE(FileFunctions::copyItemAtPath(a, b));
    EXPECT_EQ(readBytes(a), "first");
    EXPECT_EQ(readBytes(b), "second");

    const QString c = FileFunctions::getPathForDocumentDirectoryResource(u"c"_s);
    EXPECT_TRUE(FileFunctions::copyItemAtPath(a, c));
    EXPECT_EQ(readBytes(c), "first");
    EXPECT_FALSE(
        FileFunctions::copyItemAtPath(FileFunctions::getPathForDocumentDirectoryResource(u"zz"_s),
                                      FileFunctions::getPathForDocumentDirectoryResource(u"yy"_s)));
}

TEST(FileFunctionsItems, DirectoriesAreCreatedCopiedListedAndDeleted) {
    const QString dir = FileFunctions::getPathForDocumentDirectoryResource(u"box-art"_s);
    EXPECT_TRUE(FileFunctions::createDirectoryAtPath(dir));
    EXPECT_FALSE(FileFunctions::createDirectoryAtPath(dir + u"/deeper/still"_s));  // parent missing
    ASSERT_TRUE(FileFunctions::createFileAtPath(dir + u"/one.jpg"_s, "1"));
    ASSERT_TRUE(FileFunctions::createFileAtPath(dir + u"/two.jpg"_s, "2"));
    EXPECT_EQ(FileFunctions::getDirectoryContentsAtPath(dir),
              (QStringList{u"one.jpg"_s, u"two.jpg"_s}));

    const QString copy = FileFunctions::getPathForDocumentDirectoryResource(u"copy"_s);
    EXPECT_TRUE(FileFunctions::copyItemAtPath(dir, copy));
    EXPECT_EQ(readBytes(copy + u"/two.jpg"_s), "2");

    FileFunctions::deleteFileAtPath(dir);
    EXPECT_FALSE(FileFunctions::fileExistsAtPath(dir));
    EXPECT_TRUE(FileFunctions::fileExistsAtPath(copy));
    EXPECT_EQ(FileFunctions::getDirectoryContentsAtPath(dir), std::nullopt);
}

TEST(FileFunctionsItems, DeletingByEmptyNameNeverRemovesTheDocumentsDirectory) {
    FileFunctions::saveStringAsFileToDocumentDirectory(u"keep"_s, u"Questlog3.sqlite"_s);
    FileFunctions::deleteFileFromDocumentDirectory(u""_s);
    FileFunctions::deleteFileFromDocumentDirectory(QString());
    FileFunctions::deleteFileFromDocumentDirectory(u"."_s);
    FileFunctions::deleteFileFromDocumentDirectory(u".."_s);
    EXPECT_EQ(FileFunctions::getStringFileValueFromDocumentDirectory(u"Questlog3.sqlite"_s),
              u"keep"_s);
    FileFunctions::deleteFileFromDocumentDirectory(u"Questlog3.sqlite"_s);
    EXPECT_FALSE(FileFunctions::fileExistsAtPath(
        FileFunctions::getPathForDocumentDirectoryResource(u"Questlog3.sqlite"_s)));
    FileFunctions::deleteFileFromDocumentDirectory(u"never-there"_s);  // quietly nothing
}
