#pragma once

#include <QString>
#include <memory>

#include "StoreError.h"

class ManagedObjectModel;
class SqliteConnection;

// Holds the one SQLite store file of the program (WAL journal, schema version in
// PRAGMA user_version). Does not own the model, which must outlive it. Main thread only.
class PersistentStoreCoordinator {
public:
    explicit PersistentStoreCoordinator(ManagedObjectModel* model);
    ~PersistentStoreCoordinator();
    PersistentStoreCoordinator(const PersistentStoreCoordinator&) = delete;
    PersistentStoreCoordinator& operator=(const PersistentStoreCoordinator&) = delete;

    // Opens the file at `path`, creating it and its table when missing. False with an error
    // for a file that cannot be opened, is not a database or comes from a later release; the
    // coordinator then has no store. A coordinator holds one store: once one is open, further
    // calls fail.
    bool addPersistentStoreWithType(const QString& path, StoreError* error);
    bool hasStore() const;
    QString storePath() const;
    ManagedObjectModel* managedObjectModel() const { return model_; }

    // The open store for the contexts; nullptr without a store.
    SqliteConnection* connection() const;

private:
    ManagedObjectModel* model_;
    std::unique_ptr<SqliteConnection> connection_;
};
