#include "SqliteBulkWrite.h"

#include "SqliteConnection.h"
#include "SqliteStatement.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// Sets the journal mode and answers the mode the file is in afterwards (SQLite answers the
// old mode when it cannot switch).
QString setJournalMode(SqliteConnection& connection, const QString& mode) {
    SqliteStatement statement(connection, u"PRAGMA journal_mode="_s + mode);
    return statement.step() == SqliteStatement::Step::Row ? statement.columnText(0).toLower()
                                                          : QString();
}

}  // namespace

SqliteBulkWrite::SqliteBulkWrite(SqliteConnection& connection) : connection_(connection) {
    active_ = connection_.isOpen() && setJournalMode(connection_, u"delete"_s) == u"delete"_s;
}

SqliteBulkWrite::~SqliteBulkWrite() {
    if (active_ && connection_.isOpen() && setJournalMode(connection_, u"wal"_s) != u"wal"_s) {
        // The store opens in write-ahead logging every time, so this only lasts until then.
        connection_.logFailure(u"Cannot return the store to write-ahead logging"_s);
    }
}
