#include "SqliteTransaction.h"

#include <sqlite3.h>

#include "SqliteConnection.h"

using namespace Qt::Literals::StringLiterals;

namespace {

QString beginStatement(SqliteTransaction::Mode mode) {
    switch (mode) {
        case SqliteTransaction::Mode::Deferred:
            return u"BEGIN DEFERRED"_s;
        case SqliteTransaction::Mode::Exclusive:
            return u"BEGIN EXCLUSIVE"_s;
        case SqliteTransaction::Mode::Immediate:
            break;
    }
    return u"BEGIN IMMEDIATE"_s;
}

}  // namespace

SqliteTransaction::SqliteTransaction(SqliteConnection& connection, Mode mode)
    : connection_(connection), statement_(beginStatement(mode)) {
    active_ = connection_.exec(statement_);
}

SqliteTransaction::~SqliteTransaction() {
    // A failed statement may already have ended the transaction; then there is nothing to roll
    // back and the error is no news.
    if (active_ && connection_.isOpen() && !sqlite3_get_autocommit(connection_.handle())) {
        connection_.exec(u"ROLLBACK"_s);
    }
}

bool SqliteTransaction::commit() {
    if (!active_) {
        return false;
    }
    statement_ = u"COMMIT"_s;
    if (!connection_.exec(statement_)) {
        return false;  // the destructor rolls back
    }
    active_ = false;
    return true;
}
