#include "FMDatabaseAdditions.h"

#include "FMDatabase.h"
#include "FMResultSet.h"

namespace {

// Runs the query and reads column 0 of its first row with `read`; `empty` otherwise.
template <class T, class Reader>
T singleValue(FMDatabase& db, const QString& query, const QVariantList& arguments, T empty,
              Reader read) {
    std::unique_ptr<FMResultSet> rs = db.executeQuery(query, arguments);
    if (!rs || !rs->next()) {
        return empty;
    }
    T value = read(*rs);
    rs->close();
    return value;
}

}  // namespace

QString FMDatabaseAdditions::stringForQuery(FMDatabase& db, const QString& query,
                                            const QVariantList& arguments) {
    return singleValue<QString>(db, query, arguments, QString(),
                                [](FMResultSet& rs) { return rs.stringForColumnIndex(0); });
}

int FMDatabaseAdditions::intForQuery(FMDatabase& db, const QString& query,
                                     const QVariantList& arguments) {
    return singleValue<int>(db, query, arguments, 0,
                            [](FMResultSet& rs) { return rs.intForColumnIndex(0); });
}

qint64 FMDatabaseAdditions::longForQuery(FMDatabase& db, const QString& query,
                                         const QVariantList& arguments) {
    return singleValue<qint64>(db, query, arguments, 0,
                               [](FMResultSet& rs) { return rs.longForColumnIndex(0); });
}

bool FMDatabaseAdditions::boolForQuery(FMDatabase& db, const QString& query,
                                       const QVariantList& arguments) {
    return singleValue<bool>(db, query, arguments, false,
                             [](FMResultSet& rs) { return rs.boolForColumnIndex(0); });
}

double FMDatabaseAdditions::doubleForQuery(FMDatabase& db, const QString& query,
                                           const QVariantList& arguments) {
    return singleValue<double>(db, query, arguments, 0.0,
                               [](FMResultSet& rs) { return rs.doubleForColumnIndex(0); });
}

std::optional<QByteArray> FMDatabaseAdditions::dataForQuery(FMDatabase& db, const QString& query,
                                                            const QVariantList& arguments) {
    return singleValue<std::optional<QByteArray>>(
        db, query, arguments, std::nullopt,
        [](FMResultSet& rs) { return rs.dataForColumnIndex(0); });
}
