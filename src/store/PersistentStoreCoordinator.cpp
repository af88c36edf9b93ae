#include "PersistentStoreCoordinator.h"

#include "GameTable.h"
#include "MyLog.h"
#include "SqliteConnection.h"

using namespace Qt::Literals::StringLiterals;

namespace {

bool openConnection(SqliteConnection& connection, const QString& path, StoreError* error) {
    // One thread only (the context's), so SQLite's own locking is not needed.
    if (!connection.open(path, SqliteConnection::ReadWrite | SqliteConnection::Create |
                                   SqliteConnection::NoMutex)) {
        connection.logFailure(u"Cannot open store "_s + path);
        *error = StoreError::fromSqlite(StoreError::OpenFailed, u"The store cannot be opened"_s,
                                        connection);
        return false;
    }
    connection.setExtendedResultCodes(true);
    // Another connection (an old-data conversion, a test) may hold the file for a moment.
    connection.setBusyTimeout(2000);
    return true;
}

}  // namespace

PersistentStoreCoordinator::PersistentStoreCoordinator(ManagedObjectModel* model) : model_(model) {}

PersistentStoreCoordinator::~PersistentStoreCoordinator() = default;

bool PersistentStoreCoordinator::addPersistentStoreWithType(const QString& path,
                                                            StoreError* error) {
    if (connection_) {
        if (error) {
            *error =
                StoreError::make(StoreError::OpenFailed, u"The coordinator already holds a store"_s,
                                 {{u"path"_s, path}});
        }
        return false;
    }
    auto connection = std::make_unique<SqliteConnection>();
    connection->setLogsFailures(true);
    StoreError failure;
    if (!openConnection(*connection, path, &failure) ||
        !GameTable::prepareSchema(*connection, &failure)) {
        MYLOG(u"addPersistentStore: %@, %@"_s, failure, failure.userInfo);
        if (error) {
            *error = failure;
        }
        return false;
    }
    connection_ = std::move(connection);
    return true;
}

bool PersistentStoreCoordinator::hasStore() const {
    return connection_ != nullptr;
}

QString PersistentStoreCoordinator::storePath() const {
    return connection_ ? connection_->path() : QString();
}

SqliteConnection* PersistentStoreCoordinator::connection() const {
    return connection_.get();
}
