#pragma once

#include <QString>
#include <QVariant>

struct sqlite3;

// An open SQLite database file, in the style of SQLiteCpp's Database: the connection owns the
// handle and closes it in its destructor, which never fails. Failures are returned (false,
// Step::Error, an invalid value) and described by errorCode() / errorMessage(); with
// setLogsFailures(true) every failed statement is also written to the log, once, here.
// Not thread-safe: one thread at a time.
class SqliteConnection {
public:
    // Flags for open(): SQLite's own SQLITE_OPEN_* values.
    enum OpenFlag : int {
        ReadOnly = 0x01,
        ReadWrite = 0x02,
        Create = 0x04,
        Uri = 0x40,        // the path may be a "file:" URI with parameters
        NoMutex = 0x8000,  // the caller keeps to one thread; saves SQLite's locking per call
    };

    SqliteConnection() = default;
    // Opens at once; see isOpen() and errorCode() for the outcome.
    explicit SqliteConnection(const QString& path, int flags = ReadWrite | Create);
    ~SqliteConnection();
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    // Closes any open file first. On failure the connection stays closed and errorCode() tells
    // why.
    bool open(const QString& path, int flags = ReadWrite | Create);
    // False, with the connection still open (SQLITE_BUSY), while a statement on it is
    // unfinalized. Closing a closed connection succeeds.
    bool close();
    // Forgets the handle without closing it, after a close failed for good.
    void abandon() { db_ = nullptr; }
    bool isOpen() const { return db_ != nullptr; }
    sqlite3* handle() const { return db_; }
    const QString& path() const { return path_; }

    // Extended result codes (e.g. 1299 instead of 19) from errorCode() and statements.
    void setExtendedResultCodes(bool enabled);
    // How long a statement waits for another connection's lock before failing with
    // SQLITE_BUSY; 0 (the default) fails at once.
    void setBusyTimeout(int milliseconds);
    void setLogsFailures(bool value) { logsFailures_ = value; }

    // Runs SQL without parameters or results (several statements are allowed).
    bool exec(const QString& sql);
    // Column 0 of the first row of `sql`: integer, real, text or bytes; an invalid QVariant when
    // the statement fails or yields no row, a null one for SQL NULL.
    QVariant execAndGet(const QString& sql);

    qint64 lastInsertRowId() const;
    // Rows changed by the last INSERT, UPDATE or DELETE.
    int changes() const;

    // The last failure: SQLite's code and text. A closed connection answers the code of the
    // open that failed, or SQLITE_MISUSE when none did.
    int errorCode() const;
    QString errorMessage() const;
    // Writes "<message>: SQLite error <code> <text>" to the log when failures are logged.
    void logFailure(const QString& message) const;

    static QString libraryVersion();
    // Whether a result code says the file itself is bad (not a database, or damaged), rather
    // than the machine (no room, no access, busy).
    static bool isDamagedFileCode(int code);

private:
    sqlite3* db_ = nullptr;
    QString path_;
    int openErrorCode_ = 0;
    QString openErrorMessage_;
    bool logsFailures_ = false;
};
