#include "FMDatabase.h"

#include <sqlite3.h>
#include <algorithm>
#include <limits>

#include "Console.h"
#include "FMBusyRetry.h"
#include "FMResultSet.h"
#include "FMStatement.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// Clears the in-use flag on every way out of a statement call.
class InUseScope {
public:
    explicit InUseScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~InUseScope() { flag_ = false; }
    InUseScope(const InUseScope&) = delete;
    InUseScope& operator=(const InUseScope&) = delete;

private:
    bool& flag_;
};

int bindText(sqlite3_stmt* handle, int idx, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return sqlite3_bind_text64(handle, idx, utf8.constData(), sqlite3_uint64(utf8.size()),
                               SQLITE_TRANSIENT, SQLITE_UTF8);
}

// The binding table: how each kind of argument object is stored. Null strings, null byte
// arrays and invalid dates are "nothing" here as everywhere in the program.
int bindObject(sqlite3_stmt* handle, int idx, const QVariant& object) {
    if (!object.isValid() || object.isNull()) {
        return sqlite3_bind_null(handle, idx);
    }
    switch (object.typeId()) {
        case QMetaType::QByteArray: {
            const QByteArray bytes = object.toByteArray();
            if (bytes.isNull()) {
                return sqlite3_bind_null(handle, idx);
            }
            if (bytes.isEmpty()) {
                // A zero-length blob, not NULL (SQLite binds NULL for a null pointer).
                return sqlite3_bind_zeroblob(handle, idx, 0);
            }
            return sqlite3_bind_blob64(handle, idx, bytes.constData(), sqlite3_uint64(bytes.size()),
                                       SQLITE_TRANSIENT);
        }
        case QMetaType::QDateTime: {
            const QDateTime date = object.toDateTime();
            if (!date.isValid()) {
                return sqlite3_bind_null(handle, idx);
            }
            return sqlite3_bind_double(handle, idx, double(date.toMSecsSinceEpoch()) / 1000.0);
        }
        case QMetaType::Bool:
            return sqlite3_bind_int(handle, idx, object.toBool() ? 1 : 0);
        case QMetaType::Char:
        case QMetaType::SChar:
        case QMetaType::UChar:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Long:
        case QMetaType::LongLong:
            return sqlite3_bind_int64(handle, idx, object.toLongLong());
        case QMetaType::ULong:
        case QMetaType::ULongLong: {
            const qulonglong value = object.toULongLong();
            if (value <= qulonglong(std::numeric_limits<qint64>::max())) {
                return sqlite3_bind_int64(handle, idx, qint64(value));
            }
            return bindText(handle, idx, QString::number(value));  // too large for an integer
        }
        case QMetaType::Float:
            return sqlite3_bind_double(handle, idx, double(object.toFloat()));
        case QMetaType::Double:
            return sqlite3_bind_double(handle, idx, object.toDouble());
        case QMetaType::QString: {
            // A null string is nothing; an empty one is "".
            const QString text = object.toString();
            return text.isNull() ? sqlite3_bind_null(handle, idx) : bindText(handle, idx, text);
        }
        default:
            return bindText(handle, idx, describe(object));
    }
}

}  // namespace

std::unique_ptr<FMDatabase> FMDatabase::databaseWithPath(const QString& inPath) {
    return std::make_unique<FMDatabase>(inPath);
}

FMDatabase::FMDatabase(const QString& inPath) : databasePath_(inPath) {}

FMDatabase::~FMDatabase() {
    close();
}

QString FMDatabase::sqliteLibVersion() {
    return QString::fromUtf8(sqlite3_libversion());
}

QString FMDatabase::description() const {
    return u"<FMDatabase: 0x"_s + QString::number(quintptr(this), 16) + u'>';
}

bool FMDatabase::open() {
    if (db_ != nullptr) {
        return true;  // opening again would leak the connection
    }
    const QByteArray path = databasePath_.toUtf8();
    int err = sqlite3_open(path.constData(), &db_);
    if (err != SQLITE_OK) {
        Console::log(u"error opening!: %d"_s, err);
        sqlite3_close(db_);  // a failed open still hands back a handle to release
        db_ = nullptr;
        err = sqlite3_open(path.constData(), &db_);
        if (err != SQLITE_OK) {
            Console::log(u"error opening TWICE!: %d"_s, err);
            sqlite3_close(db_);
            db_ = nullptr;
            return false;
        }
    }
    return true;
}

void FMDatabase::close() {
    // Open statements would keep the connection busy for ever.
    while (!openResultSets_.empty()) {
        openResultSets_.back()->close();
    }
    clearCachedStatements();
    if (db_ == nullptr) {
        return;
    }
    FMBusyRetry retry(busyRetryTimeout_);
    for (;;) {
        const int rc = sqlite3_close(db_);
        if (rc == SQLITE_BUSY) {
            if (retry.shouldRetry()) {
                continue;
            }
            Console::log(u"%s:%d"_s, __func__, __LINE__);
            Console::log(u"Database busy, unable to close"_s);
            return;  // the connection stays open
        }
        if (rc != SQLITE_OK) {
            Console::log(u"error closing!: %d"_s, rc);
        }
        break;
    }
    db_ = nullptr;
    inTransaction_ = false;
}

bool FMDatabase::goodConnection() {
    if (db_ == nullptr) {
        return false;
    }
    std::unique_ptr<FMResultSet> rs =
        executeQuery(u"select name from sqlite_master where type='table'"_s);
    if (rs) {
        rs->close();
        return true;
    }
    return false;
}

void FMDatabase::resultSetDidOpen(FMResultSet* resultSet) {
    openResultSets_.push_back(resultSet);
}

void FMDatabase::resultSetDidClose(FMResultSet* resultSet) {
    std::erase(openResultSets_, resultSet);
}

bool FMDatabase::statementIsReading(const FMStatement* statement) const {
    return std::any_of(openResultSets_.cbegin(), openResultSets_.cend(),
                       [statement](const FMResultSet* rs) { return rs->statement() == statement; });
}

void FMDatabase::setShouldCacheStatements(bool value) {
    shouldCacheStatements_ = value;
    if (value && !cachedStatements_) {
        cachedStatements_ = std::make_unique<QHash<QString, std::shared_ptr<FMStatement>>>();
    }
    if (!value) {
        // Statements still being read stay alive with their result sets.
        cachedStatements_.reset();
    }
}

void FMDatabase::clearCachedStatements() {
    if (!cachedStatements_) {
        return;
    }
    for (const std::shared_ptr<FMStatement>& statement : std::as_const(*cachedStatements_)) {
        statement->close();
    }
    cachedStatements_->clear();
}

std::shared_ptr<FMStatement> FMDatabase::cachedStatementForQuery(const QString& query) const {
    return cachedStatements_ ? cachedStatements_->value(query) : nullptr;
}

void FMDatabase::setCachedStatement(const std::shared_ptr<FMStatement>& statement,
                                    const QString& forQuery) {
    if (!statement || !cachedStatements_) {
        return;
    }
    statement->setQuery(forQuery);
    cachedStatements_->insert(forQuery, statement);
}

bool FMDatabase::refusedWhileInUse() {
    if (!inUse_) {
        return false;
    }
    Console::log(u"The FMDatabase %@ is currently in use."_s, *this);
    return true;
}

void FMDatabase::logBusy(const char* operation, int line) const {
    Console::log(u"%s:%d Database busy (%@)"_s, operation, line, databasePath_);
    Console::log(u"Database busy"_s);
}

bool FMDatabase::bindArguments(sqlite3_stmt* handle, const QVariantList& arguments,
                               const QString& sql) {
    const int queryCount = sqlite3_bind_parameter_count(handle);
    if (arguments.size() < queryCount) {
        Console::log(u"Error: the query needs %d argument(s) but %d were given"_s, queryCount,
                     int(arguments.size()));
        Console::log(u"DB Query: %@"_s, sql);
        return false;
    }
    for (int idx = 0; idx < queryCount; ++idx) {
        const QVariant& object = arguments.at(idx);
        if (traceExecution_) {
            Console::log(u"obj: %@"_s, object);
        }
        const int rc = bindObject(handle, idx + 1, object);
        if (rc != SQLITE_OK) {
            Console::log(u"Error binding argument %d (%d: %s)"_s, idx + 1, rc, sqlite3_errmsg(db_));
            Console::log(u"DB Query: %@"_s, sql);
            return false;
        }
    }
    return true;
}

bool FMDatabase::prepare(const QString& sql, const QVariantList& arguments, Prepared& prepared) {
    if (db_ == nullptr) {
        if (logsErrors_) {
            Console::log(u"The FMDatabase %@ is not open."_s, *this);
            Console::log(u"DB Query: %@"_s, sql);
        }
        return false;
    }
    if (shouldCacheStatements_) {
        std::shared_ptr<FMStatement> cached = cachedStatementForQuery(sql);
        // A statement still being read by a result set cannot be shared: a fresh one is made.
        if (cached && cached->statement() && !statementIsReading(cached.get())) {
            prepared.statement = cached;
            prepared.handle = cached->statement();
            cached->reset();
            sqlite3_clear_bindings(prepared.handle);
        }
    }
    if (prepared.handle == nullptr) {
        const QByteArray utf8 = sql.toUtf8();
        FMBusyRetry retry(busyRetryTimeout_);
        for (;;) {
            const int rc = sqlite3_prepare_v2(db_, utf8.constData(), int(utf8.size()),
                                              &prepared.handle, nullptr);
            if (rc == SQLITE_OK) {
                break;
            }
            sqlite3_finalize(prepared.handle);
            prepared.handle = nullptr;
            if (rc == SQLITE_BUSY) {
                if (retry.shouldRetry()) {
                    continue;
                }
                logBusy(__func__, __LINE__);
                return false;
            }
            if (logsErrors_) {
                Console::log(u"DB Error: %d \"%@\""_s, lastErrorCode(), lastErrorMessage());
                Console::log(u"DB Query: %@"_s, sql);
            }
            return false;
        }
        if (prepared.handle == nullptr) {
            // Only blanks or comments: nothing to run.
            if (logsErrors_) {
                Console::log(u"DB Error: the query holds no statement"_s);
                Console::log(u"DB Query: %@"_s, sql);
            }
            return false;
        }
    }
    if (!bindArguments(prepared.handle, arguments, sql)) {
        if (prepared.statement) {
            prepared.statement->reset();
        } else {
            sqlite3_finalize(prepared.handle);
        }
        prepared = {};
        return false;
    }
    return true;
}

std::unique_ptr<FMResultSet> FMDatabase::executeQuery(const QString& sql,
                                                      const QVariantList& arguments) {
    if (refusedWhileInUse()) {
        return nullptr;
    }
    InUseScope scope(inUse_);
    if (traceExecution_) {
        Console::log(u"%@ executeQuery: %@"_s, *this, sql);
    }
    Prepared prepared;
    if (!prepare(sql, arguments, prepared)) {
        return nullptr;
    }
    std::shared_ptr<FMStatement> statement = prepared.statement;
    if (!statement) {
        statement = std::make_shared<FMStatement>(prepared.handle);
        statement->setQuery(sql);
        if (shouldCacheStatements_ && !cachedStatementForQuery(sql)) {
            setCachedStatement(statement, sql);
        }
    }
    auto rs = FMResultSet::resultSetWithStatement(statement, this);
    rs->setQuery(sql);
    statement->setUseCount(statement->useCount() + 1);
    return rs;
}

bool FMDatabase::executeUpdate(const QString& sql, const QVariantList& arguments) {
    if (refusedWhileInUse()) {
        return false;
    }
    InUseScope scope(inUse_);
    if (traceExecution_) {
        Console::log(u"%@ executeUpdate: %@"_s, *this, sql);
    }
    Prepared prepared;
    if (!prepare(sql, arguments, prepared)) {
        return false;
    }
    sqlite3_stmt* handle = prepared.handle;
    FMBusyRetry retry(busyRetryTimeout_);
    int rc;
    for (;;) {
        rc = sqlite3_step(handle);
        if (rc != SQLITE_BUSY || !retry.shouldRetry()) {
            break;
        }
    }
    if (rc == SQLITE_BUSY) {
        logBusy(__func__, __LINE__);
    } else if (rc == SQLITE_ERROR) {
        Console::log(u"Error calling sqlite3_step (%d: %s) SQLITE_ERROR"_s, rc,
                     sqlite3_errmsg(db_));
        Console::log(u"DB Query: %@"_s, sql);
    } else if (rc == SQLITE_MISUSE) {
        Console::log(u"Error calling sqlite3_step (%d: %s) SQLITE_MISUSE"_s, rc,
                     sqlite3_errmsg(db_));
        Console::log(u"DB Query: %@"_s, sql);
    } else if (rc == SQLITE_ROW) {
        // A caller error: statements that yield rows belong in executeQuery.
        Console::log(u"Error: executeUpdate was given a statement that returns rows"_s);
        Console::log(u"DB Query: %@"_s, sql);
    } else if (rc != SQLITE_DONE) {
        Console::log(u"Unknown error calling sqlite3_step (%d: %s) eu"_s, rc, sqlite3_errmsg(db_));
        Console::log(u"DB Query: %@"_s, sql);
    }

    int closeErrorCode;
    if (shouldCacheStatements_ && (prepared.statement || !cachedStatementForQuery(sql))) {
        std::shared_ptr<FMStatement> statement = prepared.statement;
        if (!statement) {
            statement = std::make_shared<FMStatement>(handle);
            setCachedStatement(statement, sql);
        }
        statement->setUseCount(statement->useCount() + 1);
        closeErrorCode = statement->reset();
    } else {
        closeErrorCode = sqlite3_finalize(handle);
    }
    return rc != SQLITE_ROW && closeErrorCode == SQLITE_OK;
}

bool FMDatabase::beginTransaction() {
    const bool b = executeUpdate(u"BEGIN EXCLUSIVE TRANSACTION;"_s);
    if (b) {
        inTransaction_ = true;
    }
    return b;
}

bool FMDatabase::beginDeferredTransaction() {
    const bool b = executeUpdate(u"BEGIN DEFERRED TRANSACTION;"_s);
    if (b) {
        inTransaction_ = true;
    }
    return b;
}

bool FMDatabase::commit() {
    const bool b = executeUpdate(u"COMMIT TRANSACTION;"_s);
    if (b) {
        inTransaction_ = false;
    }
    return b;
}

bool FMDatabase::rollback() {
    const bool b = executeUpdate(u"ROLLBACK TRANSACTION;"_s);
    if (b) {
        inTransaction_ = false;
    }
    return b;
}

QString FMDatabase::lastErrorMessage() const {
    return QString::fromUtf8(db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(SQLITE_MISUSE));
}

int FMDatabase::lastErrorCode() const {
    return db_ ? sqlite3_errcode(db_) : SQLITE_MISUSE;
}

bool FMDatabase::hadError() const {
    return lastErrorCode() != SQLITE_OK;
}

qint64 FMDatabase::lastInsertRowId() {
    if (refusedWhileInUse()) {
        return 0;
    }
    InUseScope scope(inUse_);
    return db_ ? sqlite3_last_insert_rowid(db_) : 0;
}

bool FMDatabase::setKey(const QString&) {
    return false;
}

bool FMDatabase::rekey(const QString&) {
    return false;
}
