#include "SqliteConnection.h"

#include <sqlite3.h>

#include "MyLog.h"

using namespace Qt::Literals::StringLiterals;

SqliteConnection::~SqliteConnection() {
    close();
}

bool SqliteConnection::open(const QString& path, StoreError* error) {
    close();
    path_ = path;
    sqlite3* db = nullptr;
    const int rc =
        sqlite3_open_v2(path.toUtf8().constData(), &db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        const QString text =
            db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
        MYLOG(u"Cannot open store %@: SQLite error %d %@"_s, path, rc, text);
        if (error) {
            *error = StoreError::make(
                StoreError::OpenFailed, u"The store cannot be opened"_s,
                {{u"sqliteCode"_s, rc}, {u"sqliteMessage"_s, text}, {u"path"_s, path}});
        }
        sqlite3_close_v2(db);
        return false;
    }
    db_ = db;
    sqlite3_extended_result_codes(db_, 1);
    // Another connection (an old-data conversion, a test) may hold the file for a moment.
    sqlite3_busy_timeout(db_, 2000);
    return true;
}

void SqliteConnection::close() {
    if (db_) {
        // v2 defers the close until any forgotten statement is finalised, so it cannot fail.
        sqlite3_close_v2(db_);
        db_ = nullptr;
    }
}

bool SqliteConnection::exec(const QString& sql, StoreError::Code code, StoreError* error) {
    if (!db_) {
        if (error) {
            *error = StoreError::make(StoreError::NoStore, u"The store is not open"_s);
        }
        return false;
    }
    if (sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK) {
        logFailure(sql);
        if (error) {
            *error = lastError(code, u"Statement failed: "_s + sql);
        }
        return false;
    }
    return true;
}

StoreError SqliteConnection::lastError(StoreError::Code code, const QString& message) const {
    QVariantMap info{{u"path"_s, path_}};
    if (db_) {
        info.insert(u"sqliteCode"_s, sqlite3_extended_errcode(db_));
        info.insert(u"sqliteMessage"_s, QString::fromUtf8(sqlite3_errmsg(db_)));
    }
    return StoreError::make(code, message, info);
}

void SqliteConnection::logFailure(const QString& message) const {
    MYLOG(u"%@: SQLite error %d %s"_s, message, db_ ? sqlite3_extended_errcode(db_) : -1,
          db_ ? sqlite3_errmsg(db_) : "not open");
}
