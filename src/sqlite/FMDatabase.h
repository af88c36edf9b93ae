#pragma once

#include <QHash>
#include <QString>
#include <QVariantList>
#include <memory>
#include <vector>

#include "FMArguments.h"
#include "SqliteConnection.h"
#include "SqliteStatement.h"

class FMResultSet;
class FMStatement;

// One SQLite database file and its connection (a SqliteConnection): opens and closes it, runs
// statements with arguments bound from objects, and can keep prepared statements for reuse.
// SQLite's "busy" answer is retried as FMBusyRetry says. Diagnostics go to the console. Releasing
// the object closes the database, and closing it closes every result set still reading from it. Not
// thread-safe: one thread at a time; the in-use flag only turns away re-entrant calls.
class FMDatabase {
public:
    static std::unique_ptr<FMDatabase> databaseWithPath(const QString& inPath);
    // Nothing is opened yet.
    explicit FMDatabase(const QString& inPath);
    ~FMDatabase();
    FMDatabase(const FMDatabase&) = delete;
    FMDatabase& operator=(const FMDatabase&) = delete;

    static QString sqliteLibVersion();

    // Opens (creating when missing) the file; one retry after a failure.
    bool open();
    // Closes open result sets and cached statements, then the connection. Safe when closed.
    void close();
    bool goodConnection();

    // The result set reads from this database and must not be used after it is destroyed
    // (closing the database closes the result set). Nothing on any failure.
    std::unique_ptr<FMResultSet> executeQuery(const QString& sql, const QVariantList& arguments);
    template <class... Args>
    std::unique_ptr<FMResultSet> executeQuery(const QString& sql, const Args&... args) {
        return executeQuery(sql, FMArguments::list(args...));
    }
    // For statements that yield no rows; false on any failure, a row included.
    bool executeUpdate(const QString& sql, const QVariantList& arguments);
    template <class... Args>
    bool executeUpdate(const QString& sql, const Args&... args) {
        return executeUpdate(sql, FMArguments::list(args...));
    }

    bool beginTransaction();
    bool beginDeferredTransaction();
    bool commit();
    bool rollback();

    // On a closed database: code 21 (misuse) and its text.
    QString lastErrorMessage() const;
    int lastErrorCode() const;
    bool hadError() const;
    // 0 (with the in-use complaint) while the database is in use.
    qint64 lastInsertRowId();

    bool shouldCacheStatements() const { return shouldCacheStatements_; }
    void setShouldCacheStatements(bool value);
    void clearCachedStatements();
    std::shared_ptr<FMStatement> cachedStatementForQuery(const QString& query) const;
    void setCachedStatement(const std::shared_ptr<FMStatement>& statement, const QString& forQuery);

    // No encryption support.
    bool setKey(const QString& key);
    bool rekey(const QString& key);

    sqlite3* sqliteHandle() const { return connection_.handle(); }
    QString databasePath() const { return databasePath_; }
    bool logsErrors() const { return logsErrors_; }
    void setLogsErrors(bool value) { logsErrors_ = value; }
    // Debugging switch: errors are logged either way; the program never stops for one.
    bool crashOnErrors() const { return crashOnErrors_; }
    void setCrashOnErrors(bool value) { crashOnErrors_ = value; }
    // True while a statement runs or a transaction begun here is open.
    bool inUse() const { return inUse_ || inTransaction_; }
    void setInUse(bool value) { inUse_ = value; }
    bool inTransaction() const { return inTransaction_; }
    void setInTransaction(bool value) { inTransaction_ = value; }
    bool traceExecution() const { return traceExecution_; }
    void setTraceExecution(bool value) { traceExecution_ = value; }
    bool checkedOut() const { return checkedOut_; }
    void setCheckedOut(bool value) { checkedOut_ = value; }
    qint32 busyRetryTimeout() const { return busyRetryTimeout_; }
    void setBusyRetryTimeout(qint32 value) { busyRetryTimeout_ = value; }

    QString description() const;

private:
    friend class FMResultSet;
    void resultSetDidOpen(FMResultSet* resultSet);
    void resultSetDidClose(FMResultSet* resultSet);

    // True when the in-use guard turns the call away (after its console line).
    bool refusedWhileInUse();
    // A ready statement for `sql` with the arguments bound, or nothing after logging. A new
    // statement joins the cache when caching is on and none is kept for `sql`.
    std::shared_ptr<FMStatement> prepare(const QString& sql, const QVariantList& arguments);
    SqliteStatement prepareRetryingWhileBusy(const QString& sql);
    // Error with SQLITE_BUSY when the retries ran out (not logged here).
    SqliteStatement::Step stepRetryingWhileBusy(SqliteStatement& statement) const;
    bool bindArguments(SqliteStatement& statement, const QVariantList& arguments,
                       const QString& sql);
    bool statementIsReading(const FMStatement* statement) const;
    void logBusy(const char* operation, int line) const;

    SqliteConnection connection_;
    QString databasePath_;
    bool logsErrors_ = false;
    bool crashOnErrors_ = false;
    bool inUse_ = false;
    bool inTransaction_ = false;
    bool traceExecution_ = false;
    bool checkedOut_ = false;
    qint32 busyRetryTimeout_ = 0;
    bool shouldCacheStatements_ = false;
    std::unique_ptr<QHash<QString, std::shared_ptr<FMStatement>>> cachedStatements_;
    // Result sets reading from this database; closed before the connection closes.
    std::vector<FMResultSet*> openResultSets_;
};
