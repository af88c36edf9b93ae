#include "PersistentStoreCoordinator.h"

#include <QFileInfo>
#include <QUrl>

#include "FileFunctions.h"
#include "GameTable.h"
#include "MyLog.h"
#include "SqliteConnection.h"

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kMemoryPath = u":memory:"_s;

bool openConnection(SqliteConnection& connection, const QString& path, int flags,
                    StoreError* error) {
    // One thread only (the context's), so SQLite's own locking is not needed.
    if (!connection.open(path, flags | SqliteConnection::NoMutex)) {
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

// Marks a failure that SQLite blames on the file itself as Damaged; whether it is damaged.
bool classify(StoreError* error) {
    if (error->code != StoreError::NewerSchema &&
        SqliteConnection::isDamagedFileCode(error->userInfo.value(u"sqliteCode"_s).toInt())) {
        error->code = StoreError::Damaged;
        error->message = error->userInfo.value(u"sqliteMessage"_s).toString();
    }
    return error->code == StoreError::Damaged;
}

// Reads every page of the table once: a file cut short or overwritten in the middle fails here,
// at start-up, rather than as an empty list later. The system keeps the pages read in its cache
// for the first fetch.
bool checkIntegrity(SqliteConnection& connection, StoreError* error) {
    const QVariant verdict = connection.execAndGet(u"PRAGMA quick_check(1)"_s);
    if (verdict.toString() == u"ok"_s) {
        return true;
    }
    *error =
        verdict.isValid()
            ? StoreError::make(StoreError::Damaged, u"The store is damaged"_s,
                               {{u"path"_s, connection.path()}, {u"check"_s, verdict.toString()}})
            : StoreError::fromSqlite(StoreError::OpenFailed, u"The store cannot be read"_s,
                                     connection);
    return false;
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
    StoreError failure;
    std::unique_ptr<SqliteConnection> connection = open(path, &failure);
    if (!connection) {
        MYLOG(u"addPersistentStore: %@, %@"_s, failure, failure.userInfo);
        if (error) {
            *error = failure;
        }
        return false;
    }
    path_ = path;
    connection_ = std::move(connection);
    return true;
}

std::unique_ptr<SqliteConnection> PersistentStoreCoordinator::open(const QString& path,
                                                                   StoreError* error) {
    const QFileInfo file(path);
    const bool inMemory = path == kMemoryPath;
    const bool folderWritable = inMemory || FileFunctions::isWritableAtPath(file.absolutePath());
    if (!inMemory && !file.exists() && !folderWritable) {
        *error = StoreError::make(StoreError::OpenFailed, u"The store's folder cannot be written"_s,
                                  {{u"path"_s, path}});
        return nullptr;
    }
    // A store its owner made read-only, or in a folder that is, is read and never written.
    const bool writable =
        inMemory || (folderWritable && (!file.exists() || FileFunctions::isWritableAtPath(path)));
    auto connection = std::make_unique<SqliteConnection>();
    connection->setLogsFailures(true);
    const int flags = writable ? SqliteConnection::ReadWrite | SqliteConnection::Create
                               : int(SqliteConnection::ReadOnly);
    readOnly_ = !writable;
    // Judged first over a connection that cannot write: a writing one, on closing, would fold
    // the write-ahead log into a damaged file and delete the log.
    bool checked = false;
    if (!inMemory && file.exists()) {
        SqliteConnection probe;
        StoreError ignored;
        if (openConnection(probe, path, SqliteConnection::ReadOnly, &ignored)) {
            checked = checkIntegrity(probe, error);
            if (!checked && classify(error)) {
                return nullptr;
            }
        }
    }
    if (openConnection(*connection, path, flags, error) && prepare(*connection, !checked, error)) {
        return connection;
    }
    if (!writable && error->code != StoreError::Damaged && error->code != StoreError::NewerSchema) {
        // Where the folder takes no new files, SQLite cannot make the shared-memory file a
        // write-ahead-logged store needs, even for reading; the file alone still reads.
        const QString uri =
            QUrl::fromLocalFile(file.absoluteFilePath()).toString(QUrl::FullyEncoded) +
            u"?immutable=1"_s;
        StoreError retried;
        if (openConnection(*connection, uri, flags | SqliteConnection::Uri, &retried) &&
            prepare(*connection, true, &retried)) {
            return connection;
        }
    }
    return nullptr;
}

bool PersistentStoreCoordinator::prepare(SqliteConnection& connection, bool check,
                                         StoreError* error) {
    // Checked before the schema is touched: nothing is written into a damaged file.
    if ((check && !checkIntegrity(connection, error)) ||
        !GameTable::prepareSchema(connection, error)) {
        classify(error);
        return false;
    }
    return true;
}

QString PersistentStoreCoordinator::moveStoreAside(const QString& path, const QString& suffix) {
    return FileFunctions::moveItemAsideAtPath(path, suffix, {u"-wal"_s, u"-shm"_s, u"-journal"_s});
}

bool PersistentStoreCoordinator::hasStore() const {
    return connection_ != nullptr;
}

bool PersistentStoreCoordinator::isReadOnly() const {
    return readOnly_;
}

QString PersistentStoreCoordinator::storePath() const {
    return connection_ ? path_ : QString();
}

SqliteConnection* PersistentStoreCoordinator::connection() const {
    return connection_.get();
}
