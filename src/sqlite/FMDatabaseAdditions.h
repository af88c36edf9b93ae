#pragma once

#include <QByteArray>
#include <QString>
#include <QVariantList>
#include <optional>

#include "FMArguments.h"

class FMDatabase;

// Queries that answer one value: column 0 of the first row, or the empty value (null text, 0,
// false, nothing) when the query fails or yields no row. Each runs on the caller's database and
// leaves no result set open. Same thread rules as FMDatabase.
class FMDatabaseAdditions {
public:
    static QString stringForQuery(FMDatabase& db, const QString& query,
                                  const QVariantList& arguments);
    static int intForQuery(FMDatabase& db, const QString& query, const QVariantList& arguments);
    static qint64 longForQuery(FMDatabase& db, const QString& query, const QVariantList& arguments);
    static bool boolForQuery(FMDatabase& db, const QString& query, const QVariantList& arguments);
    static double doubleForQuery(FMDatabase& db, const QString& query,
                                 const QVariantList& arguments);
    static std::optional<QByteArray> dataForQuery(FMDatabase& db, const QString& query,
                                                  const QVariantList& arguments);

    template <class... Args>
    static QString stringForQuery(FMDatabase& db, const QString& query, const Args&... args) {
        return stringForQuery(db, query, FMArguments::list(args...));
    }
    template <class... Args>
    static int intForQuery(FMDatabase& db, const QString& query, const Args&... args) {
        return intForQuery(db, query, FMArguments::list(args...));
    }
    template <class... Args>
    static qint64 longForQuery(FMDatabase& db, const QString& query, const Args&... args) {
        return longForQuery(db, query, FMArguments::list(args...));
    }
    template <class... Args>
    static bool boolForQuery(FMDatabase& db, const QString& query, const Args&... args) {
        return boolForQuery(db, query, FMArguments::list(args...));
    }
    template <class... Args>
    static double doubleForQuery(FMDatabase& db, const QString& query, const Args&... args) {
        return doubleForQuery(db, query, FMArguments::list(args...));
    }
    template <class... Args>
    static std::optional<QByteArray> dataForQuery(FMDatabase& db, const QString& query,
                                                  const Args&... args) {
        return dataForQuery(db, query, FMArguments::list(args...));
    }
};
