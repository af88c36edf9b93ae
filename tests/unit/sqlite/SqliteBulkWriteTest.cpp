#include <gtest/gtest.h>

#include <QFile>

#include "FileFunctions.h"
#include "QStringPrinter.h"
#include "SqliteBulkWrite.h"
#include "SqliteConnection.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// A file on write-ahead logging (which lasts) with an empty table t.
QString walFile() {
    const QString path = FileFunctions::getPathForDocumentDirectoryResource(u"b.sqlite"_s);
    SqliteConnection(path).exec(u"PRAGMA journal_mode=WAL; CREATE TABLE t (a)"_s);
    return path;
}

QVariant journalMode(SqliteConnection& connection) {
    return connection.execAndGet(u"PRAGMA journal_mode"_s);
}

}  // namespace

TEST(SqliteBulkWrite, SwitchesToTheJournalOnlyForItsLifetime) {
    const QString path = walFile();
    SqliteConnection db(path);
    {
        SqliteBulkWrite bulk(db);
        ASSERT_TRUE(bulk.isActive());
        ASSERT_TRUE(db.exec(u"INSERT INTO t VALUES (1)"_s));
        SqliteConnection reader(path);
        EXPECT_EQ(journalMode(reader), u"delete"_s);
        EXPECT_EQ(reader.execAndGet(u"SELECT count(*) FROM t"_s), qint64(1));
    }
    EXPECT_EQ(journalMode(db), u"wal"_s);
    EXPECT_FALSE(QFile::exists(path + u"-journal"_s));
    // A closed connection has nothing to switch.
    SqliteConnection closed;
    EXPECT_FALSE(SqliteBulkWrite(closed).isActive());
}

// Another connection with the file open keeps it on the log, and its read snapshot intact.
TEST(SqliteBulkWrite, FileHeldOpenElsewhereStaysOnTheLog) {
    const QString path = walFile();
    SqliteConnection db(path);
    SqliteConnection other(path);
    ASSERT_TRUE(other.exec(u"BEGIN"_s));
    ASSERT_EQ(other.execAndGet(u"SELECT count(*) FROM t"_s), qint64(0));  // holds a snapshot
    {
        SqliteBulkWrite bulk(db);
        EXPECT_FALSE(bulk.isActive());
        ASSERT_TRUE(db.exec(u"INSERT INTO t VALUES (1)"_s));
    }
    EXPECT_EQ(other.execAndGet(u"SELECT count(*) FROM t"_s), qint64(0));
    ASSERT_TRUE(other.exec(u"COMMIT"_s));
    EXPECT_EQ(other.execAndGet(u"SELECT count(*) FROM t"_s), qint64(1));
    EXPECT_EQ(journalMode(db), u"wal"_s);
}
