#pragma once

#include <QString>

class SqliteConnection;

// A transaction as a scope, in the style of SQLiteCpp's Transaction: begun by the constructor,
// rolled back by the destructor unless commit() succeeded, so every early return of a failed
// write leaves the file as it was. The destructor never fails. Same thread as its connection.
class SqliteTransaction {
public:
    // IMMEDIATE takes the write lock at once, so a save never fails half-way for another
    // writer; EXCLUSIVE keeps readers of other connections out as well.
    enum class Mode { Deferred, Immediate, Exclusive };

    // See isActive() for the outcome; the connection describes a failure.
    explicit SqliteTransaction(SqliteConnection& connection, Mode mode = Mode::Immediate);
    ~SqliteTransaction();
    SqliteTransaction(const SqliteTransaction&) = delete;
    SqliteTransaction& operator=(const SqliteTransaction&) = delete;

    // Begun, and neither committed nor rolled back yet.
    bool isActive() const { return active_; }
    // False when nothing is active or COMMIT failed; the destructor then rolls back.
    bool commit();
    // The statement it ran last (BEGIN ... or COMMIT): the one that failed, after a failure.
    const QString& statement() const { return statement_; }

private:
    SqliteConnection& connection_;
    QString statement_;
    bool active_ = false;
};
