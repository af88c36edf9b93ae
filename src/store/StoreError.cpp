#include "StoreError.h"

#include "SqliteConnection.h"

using namespace Qt::Literals::StringLiterals;

const QString StoreError::kDomain = u"QuestlogStoreErrorDomain"_s;

StoreError StoreError::make(Code code, const QString& message, const QVariantMap& userInfo) {
    return StoreError{kDomain, code, message, userInfo};
}

StoreError StoreError::fromSqlite(Code code, const QString& message,
                                  const SqliteConnection& connection, const QString& sql) {
    QVariantMap info{{u"path"_s, connection.path()},
                     {u"sqliteCode"_s, connection.errorCode()},
                     {u"sqliteMessage"_s, connection.errorMessage()}};
    if (!sql.isEmpty()) {
        info.insert(u"sql"_s, sql);
    }
    return make(code, message, info);
}

StoreError StoreError::statementFailed(Code code, const QString& sql,
                                       const SqliteConnection& connection) {
    return fromSqlite(code, u"Statement failed: "_s + sql, connection);
}

QString StoreError::description() const {
    return u"Error Domain=%1 Code=%2 \"%3\""_s.arg(domain, QString::number(code), message);
}
