#include "FileFunctions.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QSet>

#include "QStringPrinter.h"
#include "ScopedClock.h"

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

namespace {

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

}  // namespace

// Moving aside never writes over anything: a second move in the same second takes the next
// free name, and companions go with their file.
TEST(FileFunctions, MovingAsideKeepsEveryEarlierCopyAndItsCompanions) {
    const ScopedClock clock(QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7)));
    const QString path = FF::getPathForDocumentDirectoryResource(u"store"_s);
    const QStringList companions{u"-wal"_s};
    EXPECT_TRUE(FF::moveItemAsideAtPath(path, u"damaged"_s).isNull());  // nothing there
    QStringList moved;
    for (const QByteArray& bytes : {QByteArray("first"), QByteArray("second"), QByteArray("")}) {
        ASSERT_TRUE(FF::createFileAtPath(path, bytes));
        ASSERT_TRUE(FF::createFileAtPath(path + u"-wal"_s, bytes + "-wal"));
        moved.append(FF::moveItemAsideAtPath(path, u"damaged"_s, companions));
        ASSERT_FALSE(moved.last().isNull());
        EXPECT_TRUE(moved.last().endsWith(u".damaged"_s)) << moved.last().toStdString();
        EXPECT_EQ(contents(moved.last()), bytes);
        EXPECT_EQ(contents(moved.last() + u"-wal"_s), bytes + "-wal");
        EXPECT_FALSE(FF::fileExistsAtPath(path) || FF::fileExistsAtPath(path + u"-wal"_s));
    }
    EXPECT_TRUE(moved[0].contains(u"2026-03-04-050607"_s)) << moved[0].toStdString();
    EXPECT_EQ(QSet<QString>(moved.begin(), moved.end()).size(), 3);
    EXPECT_EQ(contents(moved[0]), "first");  // still the first after the later moves

    // The owner's write bit decides, even where the system would let us write (root).
    ASSERT_TRUE(FF::createFileAtPath(path, "kept"));
    const QString folder = FF::getDocumentDirectoryPath();
    ASSERT_TRUE(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
    const bool writable = FF::isWritableAtPath(folder);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_FALSE(writable);
    ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup));
    EXPECT_FALSE(FF::isWritableAtPath(path));
    EXPECT_TRUE(FF::isWritableAtPath(folder));
}
