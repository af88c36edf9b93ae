#include "FMStatement.h"

#include <sqlite3.h>

#include "Format.h"

using namespace Qt::Literals::StringLiterals;

FMStatement::~FMStatement() {
    close();
}

int FMStatement::close() {
    if (statement_ == nullptr) {
        return SQLITE_OK;
    }
    const int rc = sqlite3_finalize(statement_);
    statement_ = nullptr;
    return rc;
}

int FMStatement::reset() {
    return statement_ ? sqlite3_reset(statement_) : SQLITE_OK;
}

void FMStatement::setStatement(sqlite3_stmt* statement) {
    if (statement != statement_) {
        close();
        statement_ = statement;
    }
}

QString FMStatement::description() const {
    const QString base = u"<FMStatement: 0x"_s + QString::number(quintptr(this), 16) + u'>';
    return Format::format(u"%@ %d hit(s) for query %@"_s, base, useCount_, query_);
}
