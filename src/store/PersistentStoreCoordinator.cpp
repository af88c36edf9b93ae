#include "PersistentStoreCoordinator.h"

#include "GameTable.h"
#include "MyLog.h"
#include "SqliteConnection.h"

using namespace Qt::Literals::StringLiterals;

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
    StoreError failure;
    if (!connection->open(path, &failure) || !GameTable::prepareSchema(*connection, &failure)) {
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
