#pragma once

class SqliteConnection;

// For a write of many rows: switches the file from write-ahead logging to the rollback journal
// until destroyed. Through the log every page is written twice, once to the log and again when
// the log is copied back into the file; through the journal once, with only the few pages that
// already held data saved beforehand. The commit is as atomic and durable either way. Where the
// switch cannot be made (another connection holds the file open) nothing changes.
// REQUIRES: made and destroyed outside a transaction, on a file in write-ahead logging.
class SqliteBulkWrite {
public:
    explicit SqliteBulkWrite(SqliteConnection& connection);
    ~SqliteBulkWrite();
    SqliteBulkWrite(const SqliteBulkWrite&) = delete;
    SqliteBulkWrite& operator=(const SqliteBulkWrite&) = delete;

    // Whether the file is on the rollback journal for this write.
    bool isActive() const { return active_; }

private:
    SqliteConnection& connection_;
    bool active_ = false;
};
