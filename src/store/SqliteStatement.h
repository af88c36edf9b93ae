#pragma once

#include <QString>
#include <vector>

#include "StoreError.h"

class SqliteConnection;
struct sqlite3_stmt;

// One prepared statement (RAII: finalised by the destructor). A failure to prepare or to step
// is logged here, once, with the SQL; callers only test the result. Values reach SQL only as
// bound arguments. Move-only; same thread as its connection.
class SqliteStatement {
public:
    enum class Step { Row, Done, Error };

    SqliteStatement(SqliteConnection& connection, const QString& sql);
    ~SqliteStatement();
    SqliteStatement(SqliteStatement&& other) noexcept;
    SqliteStatement& operator=(SqliteStatement&&) = delete;
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    bool isValid() const { return statement_ != nullptr; }

    // Parameters count from 1. A null QString binds NULL; an empty one binds ''.
    void bindNull(int index);
    void bindInt64(int index, qint64 value);
    void bindDouble(int index, double value);
    void bindText(int index, const QString& value);

    Step step();
    // Steps to the end of a statement that returns no rows, then resets it for the next use.
    bool run();
    // Ready for the next run; bindings stay until they are bound again.
    void reset();

    // Columns count from 0.
    bool columnIsNull(int column) const;
    qint64 columnInt64(int column) const;
    double columnDouble(int column) const;
    // NULL reads as a null QString, '' as an empty one.
    QString columnText(int column) const;
    // The raw UTF-8 bytes, valid until the next step; null data for NULL.
    const char* columnUtf8(int column, int* bytes) const;

    StoreError error(StoreError::Code code, const QString& message) const;

private:
    SqliteConnection* connection_;
    sqlite3_stmt* statement_ = nullptr;
    QString sql_;
    // The UTF-8 form of each bound text, by parameter, kept until it is bound again. SQLite
    // reads it in place, so a save of many rows neither allocates nor copies per field.
    std::vector<std::vector<char>> utf8_;
};
