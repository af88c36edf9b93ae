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

    // Opens the file at `path` (":memory:" for a store that lives in memory only), creating it
    // and its table when missing. A file or folder that cannot be written is opened read-only:
    // reads work, saves fail. False with an error for a file that cannot be opened, is damaged
    // or not a database (StoreError::Damaged) or comes from a later release (NewerSchema); the
    // coordinator then has no store. A coordinator holds one store: once one is open, further
    // calls fail.
    bool addPersistentStoreWithType(const QString& path, StoreError* error);
    // Moves a store file that cannot be used, with its journal files, out of the way under a
    // dated name ending in `suffix`, never over another file; the new path, or null when it
    // stays where it is.
    static QString moveStoreAside(const QString& path, const QString& suffix);
    bool hasStore() const;
    bool isReadOnly() const;
    QString storePath() const;
    ManagedObjectModel* managedObjectModel() const { return model_; }

    // The open store for the contexts; nullptr without a store.
    SqliteConnection* connection() const;

private:
    std::unique_ptr<SqliteConnection> open(const QString& path, StoreError* error);
    // The schema made or brought up to date, after an integrity check when `check`.
    bool prepare(SqliteConnection& connection, bool check, StoreError* error);

    ManagedObjectModel* model_;
    QString path_;
    bool readOnly_ = false;
    std::unique_ptr<SqliteConnection> connection_;
};
