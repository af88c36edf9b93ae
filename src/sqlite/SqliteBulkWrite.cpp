#include "SqliteBulkWrite.h"

#include "SqliteConnection.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// Sets the journal mode and answers the mode the file is in afterwards (SQLite answers the
// old mode when it cannot switch).
QString setJournalMode(SqliteConnection& connection, const QString& mode) {
    return connection.execAndGet(u"PRAGMA journal_mode="_s + mode).toString().toLower();
}

}  // namespace

SqliteBulkWrite::SqliteBulkWrite(SqliteConnection& connection) : connection_(connection) {
    active_ = connection_.isOpen() && setJournalMode(connection_, u"delete"_s) == u"delete"_s;
}

SqliteBulkWrite::~SqliteBulkWrite() {
    if (active_ && connection_.isOpen() && setJournalMode(connection_, u"wal"_s) != u"wal"_s) {
        // Whoever opens the file next puts it back on the log; until then it stays durable.
        connection_.logFailure(u"Cannot return the store to write-ahead logging"_s);
    }
}
