#pragma once

#include <QString>

#include "StoreError.h"

struct sqlite3;

// An open SQLite database file (RAII: closed by the destructor). Failures are logged once here
// and handed back as StoreError. One thread at a time (opened without SQLite's own mutex).
class SqliteConnection {
public:
    SqliteConnection() = default;
    ~SqliteConnection();
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    // Opens or creates the file. On failure the connection stays closed.
    bool open(const QString& path, StoreError* error);
    void close();
    bool isOpen() const { return db_ != nullptr; }
    sqlite3* handle() const { return db_; }
    const QString& path() const { return path_; }

    // Runs SQL without parameters or results (several statements are allowed).
    bool exec(const QString& sql, StoreError::Code code, StoreError* error);

    // An error from the connection's last failure, with "sqliteCode", "sqliteMessage", "path".
    StoreError lastError(StoreError::Code code, const QString& message) const;
    // Writes "<message>: SQLite error <code> <text>" to the log.
    void logFailure(const QString& message) const;

private:
    sqlite3* db_ = nullptr;
    QString path_;
};
