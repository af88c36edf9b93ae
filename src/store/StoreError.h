#pragma once

#include <QString>
#include <QVariantMap>

class SqliteConnection;

// Why a store operation failed: a domain, a code (StoreError::Code), a message and details in
// userInfo (for SQLite failures "sqliteCode" and "sqliteMessage", and the store's "path").
// Logs print it with "%@".
struct StoreError {
    enum Code {
        NoError = 0,
        NoStore = 1,         // the context has no coordinator or the coordinator no store
        OpenFailed = 2,      // the file could not be opened or is not a database
        NewerSchema = 3,     // written by a later release; not touched
        SchemaFailed = 4,    // the table could not be created or brought up to date
        QueryFailed = 5,     // reading the records failed
        SaveFailed = 6,      // the save was rolled back; the changes stay in the context
        InvalidRequest = 7,  // unknown entity, invalid predicate or unknown sort key
        WrongThread = 8,     // called off the context's thread
        Damaged = 9,         // the file is not a database, or a damaged one
    };

    static const QString kDomain;  // "QuestlogStoreErrorDomain"

    QString domain;
    int code = NoError;
    QString message;
    QVariantMap userInfo;

    static StoreError make(Code code, const QString& message, const QVariantMap& userInfo = {});
    // The connection's last SQLite failure as "sqliteCode", "sqliteMessage" and "path", with
    // the failed statement as "sql" when given.
    static StoreError fromSqlite(Code code, const QString& message,
                                 const SqliteConnection& connection, const QString& sql = {});
    // fromSqlite with the message "Statement failed: <sql>".
    static StoreError statementFailed(Code code, const QString& sql,
                                      const SqliteConnection& connection);
    // "Error Domain=QuestlogStoreErrorDomain Code=6 "message"".
    QString description() const;
};
