#pragma once

#include "StoreError.h"

class SqliteConnection;

// BEGIN IMMEDIATE on construction; ROLLBACK on destruction unless commit() succeeded, so every
// early return of a failed write leaves the file as it was.
class SqliteTransaction {
public:
    SqliteTransaction(SqliteConnection& connection, StoreError::Code code, StoreError* error);
    ~SqliteTransaction();
    SqliteTransaction(const SqliteTransaction&) = delete;
    SqliteTransaction& operator=(const SqliteTransaction&) = delete;

    bool isActive() const { return active_; }
    bool commit(StoreError* error);

private:
    SqliteConnection& connection_;
    StoreError::Code code_;
    bool active_ = false;
};
