#include "SqliteTransaction.h"

#include <sqlite3.h>

#include "SqliteConnection.h"

using namespace Qt::Literals::StringLiterals;

SqliteTransaction::SqliteTransaction(SqliteConnection& connection, StoreError::Code code,
                                     StoreError* error)
    : connection_(connection), code_(code) {
    active_ = connection_.exec(u"BEGIN IMMEDIATE"_s, code, error);
}

SqliteTransaction::~SqliteTransaction() {
    if (active_ && connection_.isOpen()) {
        // A failed statement may already have ended the transaction; then there is nothing
        // to roll back and the error is no news.
        if (!sqlite3_get_autocommit(connection_.handle())) {
            connection_.exec(u"ROLLBACK"_s, code_, nullptr);
        }
    }
}

bool SqliteTransaction::commit(StoreError* error) {
    if (!active_) {
        return false;
    }
    if (!connection_.exec(u"COMMIT"_s, code_, error)) {
        return false;  // the destructor rolls back
    }
    active_ = false;
    return true;
}
