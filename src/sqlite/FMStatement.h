#pragma once

#include <QString>

#include "SqliteStatement.h"

// One prepared statement and the query text it was made from: a SqliteStatement with a use
// count. Finalizes it exactly once (on close or destruction); shared between the statement
// cache and the result sets reading it. Used on its database's thread only.
class FMStatement {
public:
    explicit FMStatement(SqliteStatement statement) : statement_(std::move(statement)) {}
    FMStatement(const FMStatement&) = delete;
    FMStatement& operator=(const FMStatement&) = delete;

    // Finalizes the prepared statement; later calls do nothing. Answers SQLite's result code.
    int close();
    // Makes the statement ready to run again (bindings are kept). Answers SQLite's result code.
    int reset();

    sqlite3_stmt* statement() const { return statement_.handle(); }
    SqliteStatement& sqliteStatement() { return statement_; }
    QString query() const { return query_; }
    void setQuery(const QString& query) { query_ = query; }
    qint32 useCount() const { return useCount_; }
    void setUseCount(qint32 useCount) { useCount_ = useCount; }

    QString description() const;

private:
    SqliteStatement statement_;
    QString query_;
    qint32 useCount_ = 0;
};
