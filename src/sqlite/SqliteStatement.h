#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <vector>

class SqliteConnection;
struct sqlite3_stmt;

// One prepared statement, in the style of SQLiteCpp's Statement: owns the SQLite statement and
// finalizes it in its destructor. Binding after rows were read starts it over; bindings stay
// until bound again. Every operation that can fail answers false (or Step::Error) and leaves
// SQLite's code in resultCode(); a failure to prepare or to run is logged by the connection,
// with the SQL, when it logs failures. Values reach SQL only as bound arguments.
// Move-only; same thread as its connection, which must outlive it.
class SqliteStatement {
public:
    enum class Step { Row, Done, Error };

    // Prepares the first statement of `sql`. Not valid on failure, nor when `sql` holds only
    // blanks or comments (then resultCode() is SQLITE_OK).
    SqliteStatement(SqliteConnection& connection, const QString& sql);
    ~SqliteStatement();
    SqliteStatement(SqliteStatement&& other) noexcept;
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    bool isValid() const { return statement_ != nullptr; }
    sqlite3_stmt* handle() const { return statement_; }
    const QString& sql() const { return sql_; }
    // SQLite's code for the last prepare, bind, step, reset or finalize.
    int resultCode() const { return resultCode_; }
    // The text for the connection's last failure.
    QString errorMessage() const;

    // Parameters count from 1.
    int parameterCount() const;
    bool bindNull(int index);
    bool bindInt64(int index, qint64 value);
    bool bindDouble(int index, double value);
    // A null QString binds NULL; an empty one binds ''.
    bool bindText(int index, const QString& value);
    // Null data binds NULL; empty data a zero-length blob.
    bool bindBlob(int index, const QByteArray& value);
    bool clearBindings();

    Step step();
    // Steps to the end of a statement that returns no rows, then resets it for the next use.
    bool run();
    // Ready for the next run; bindings stay. False when the last step failed.
    bool reset();
    // Releases the statement early; false when its last step failed.
    bool finalize();

    // Columns count from 0. columnCount() is the statement's, dataCount() the current row's
    // (0 without a row).
    int columnCount() const;
    int dataCount() const;
    QString columnName(int column) const;
    bool columnIsNull(int column) const;
    qint64 columnInt64(int column) const;
    double columnDouble(int column) const;
    // NULL reads as a null QString, '' as an empty one.
    QString columnText(int column) const;
    // The raw UTF-8 bytes, valid until the next step; null data for NULL.
    const char* columnUtf8(int column, int* bytes) const;
    // Null for NULL; empty, not null, for a zero-length value.
    QByteArray columnBlob(int column) const;
    // The value as its SQL type holds it: qint64, double, QString or QByteArray; null for NULL.
    QVariant columnValue(int column) const;

private:
    bool answer(int rc);
    void startOverForBinding();

    SqliteConnection* connection_;  // never null
    sqlite3_stmt* statement_ = nullptr;
    QString sql_;
    int resultCode_ = 0;
    // The UTF-8 form of each bound text, by parameter, kept until it is bound again. SQLite
    // reads it in place, so a save of many rows neither allocates nor copies per field.
    std::vector<std::vector<char>> utf8_;
};
