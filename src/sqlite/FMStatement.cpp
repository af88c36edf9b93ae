#include "FMStatement.h"

#include <sqlite3.h>

#include "Format.h"

using namespace Qt::Literals::StringLiterals;

int FMStatement::close() {
    if (!statement_.isValid()) {
        return SQLITE_OK;
    }
    statement_.finalize();
    return statement_.resultCode();
}

int FMStatement::reset() {
    if (!statement_.isValid()) {
        return SQLITE_OK;
    }
    statement_.reset();
    return statement_.resultCode();
}

QString FMStatement::description() const {
    const QString base = u"<FMStatement: 0x"_s + QString::number(quintptr(this), 16) + u'>';
    return Format::format(u"%@ %d hit(s) for query %@"_s, base, useCount_, query_);
}
