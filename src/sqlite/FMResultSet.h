#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QString>
#include <memory>
#include <optional>

class FMDatabase;
class FMStatement;
class QObject;
class SqliteStatement;

// Steps through the rows of one query. Shares its statement with the database's cache (or is
// its only holder); the parent database is not owned and is forgotten on close. Closed after
// the last row, after an error, on close() and on destruction; a closed result set reads empty
// values. Used on its database's thread only.
class FMResultSet {
public:
    static std::unique_ptr<FMResultSet> resultSetWithStatement(
        const std::shared_ptr<FMStatement>& statement, FMDatabase* usingParentDatabase);
    FMResultSet(const std::shared_ptr<FMStatement>& statement, FMDatabase* usingParentDatabase);
    ~FMResultSet();
    FMResultSet(const FMResultSet&) = delete;
    FMResultSet& operator=(const FMResultSet&) = delete;

    // True with a row to read; false (and closed) at the end or on a failure.
    bool next();
    void close();

    // Case-insensitive; -1 after a warning line when there is no such column.
    int columnIndexForName(const QString& columnName);

    // Readers answer empty values (null text, 0, false, nothing) for a closed result set, an
    // unknown column or an index out of range.
    QString stringForColumnIndex(int columnIdx);
    QString stringForColumn(const QString& columnName);
    int intForColumnIndex(int columnIdx);
    int intForColumn(const QString& columnName);
    // The full 64-bit value.
    qint64 longForColumnIndex(int columnIdx);
    qint64 longForColumn(const QString& columnName);
    double doubleForColumnIndex(int columnIdx);
    double doubleForColumn(const QString& columnName);
    bool boolForColumnIndex(int columnIdx);
    bool boolForColumn(const QString& columnName);
    // Empty data for SQL NULL; nothing when there is no column to read.
    std::optional<QByteArray> dataForColumnIndex(int columnIdx);
    std::optional<QByteArray> dataForColumn(const QString& columnName);
    // Seconds since 1970 UTC; an invalid date (nothing) for SQL NULL or no column.
    QDateTime dateForColumnIndex(int columnIdx);
    QDateTime dateForColumn(const QString& columnName);

    // Sets on `object`, for every column that is not NULL, the property of the column's name to
    // the column's text.
    void kvcMagic(QObject* object);

    QString query() const { return query_; }
    void setQuery(const QString& query) { query_ = query; }
    FMDatabase* parentDB() const { return parentDB_; }
    void setParentDB(FMDatabase* parentDB);
    FMStatement* statement() const { return statement_.get(); }

private:
    void setupColumnNames();
    // The statement while it still holds a prepared statement, else null.
    SqliteStatement* live() const;
    // The live statement when `columnIdx` names one of the row's columns, else null.
    const SqliteStatement* statementFor(int columnIdx) const;

    FMDatabase* parentDB_ = nullptr;
    std::shared_ptr<FMStatement> statement_;
    QString query_;
    QHash<QString, int> columnNameToIndexMap_;
    bool columnNamesSetup_ = false;
};
