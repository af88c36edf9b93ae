#include "SqliteConnection.h"

#include <sqlite3.h>

#include "MyLog.h"
#include "SqliteStatement.h"

using namespace Qt::Literals::StringLiterals;

static_assert(SqliteConnection::ReadOnly == SQLITE_OPEN_READONLY &&
              SqliteConnection::ReadWrite == SQLITE_OPEN_READWRITE &&
              SqliteConnection::Create == SQLITE_OPEN_CREATE &&
              SqliteConnection::Uri == SQLITE_OPEN_URI &&
              SqliteConnection::NoMutex == SQLITE_OPEN_NOMUTEX);

SqliteConnection::SqliteConnection(const QString& path, int flags) {
    open(path, flags);
}

SqliteConnection::~SqliteConnection() {
    // v2 defers the close until any forgotten statement is finalised, so it cannot fail.
    sqlite3_close_v2(db_);
}

bool SqliteConnection::open(const QString& path, int flags) {
    sqlite3_close_v2(db_);
    db_ = nullptr;
    path_ = path;
    openErrorCode_ = 0;
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        // A failed open still hands back a handle (for its message) to release.
        openErrorCode_ = rc;
        openErrorMessage_ = QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
        sqlite3_close_v2(db);
        return false;
    }
    db_ = db;
    return true;
}

bool SqliteConnection::close() {
    if (db_) {
        if (sqlite3_close(db_) != SQLITE_OK) {
            return false;
        }
        db_ = nullptr;
    }
    return true;
}

void SqliteConnection::setExtendedResultCodes(bool enabled) {
    sqlite3_extended_result_codes(db_, enabled ? 1 : 0);
}

void SqliteConnection::setBusyTimeout(int milliseconds) {
    sqlite3_busy_timeout(db_, milliseconds);
}

bool SqliteConnection::exec(const QString& sql) {
    if (!db_ ||
        sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK) {
        logFailure(sql);
        return false;
    }
    return true;
}

QVariant SqliteConnection::execAndGet(const QString& sql) {
    SqliteStatement statement(*this, sql);
    return statement.step() == SqliteStatement::Step::Row ? statement.columnValue(0) : QVariant();
}

qint64 SqliteConnection::lastInsertRowId() const {
    return db_ ? sqlite3_last_insert_rowid(db_) : 0;
}

int SqliteConnection::changes() const {
    return db_ ? sqlite3_changes(db_) : 0;
}

int SqliteConnection::errorCode() const {
    if (db_) {
        return sqlite3_errcode(db_);
    }
    return openErrorCode_ != 0 ? openErrorCode_ : SQLITE_MISUSE;
}

QString SqliteConnection::errorMessage() const {
    if (db_) {
        return QString::fromUtf8(sqlite3_errmsg(db_));
    }
    return openErrorCode_ != 0 ? openErrorMessage_
                               : QString::fromUtf8(sqlite3_errstr(SQLITE_MISUSE));
}

void SqliteConnection::logFailure(const QString& message) const {
    if (logsFailures_) {
        MYLOG(u"%@: SQLite error %d %@"_s, message, errorCode(), errorMessage());
    }
}

QString SqliteConnection::libraryVersion() {
    return QString::fromUtf8(sqlite3_libversion());
}

bool SqliteConnection::isDamagedFileCode(int code) {
    const int primary = code & 0xff;  // extended codes keep the primary in the low byte
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}
