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

// The binding table: how each kind of argument object is stored. Null strings, null byte
// arrays and invalid dates are "nothing" here as everywhere in the program.
bool bindObject(SqliteStatement& statement, int idx, const QVariant& object) {
    if (!object.isValid() || object.isNull()) {
        return statement.bindNull(idx);
    }
    switch (object.typeId()) {
        case QMetaType::QByteArray:
            return statement.bindBlob(idx, object.toByteArray());
        case QMetaType::QDateTime: {
            const QDateTime date = object.toDateTime();
            if (!date.isValid()) {
                return statement.bindNull(idx);
            }
            return statement.bindDouble(idx, double(date.toMSecsSinceEpoch()) / 1000.0);
        }
        case QMetaType::Bool:
            return statement.bindInt64(idx, object.toBool() ? 1 : 0);
        case QMetaType::Char:
        case QMetaType::SChar:
        case QMetaType::UChar:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Long:
        case QMetaType::LongLong:
            return statement.bindInt64(idx, object.toLongLong());
        case QMetaType::ULong:
        case QMetaType::ULongLong: {
            const qulonglong value = object.toULongLong();
            if (value <= qulonglong(std::numeric_limits<qint64>::max())) {
                return statement.bindInt64(idx, qint64(value));
            }
            return statement.bindText(idx, QString::number(value));  // too large for an integer
        }
        case QMetaType::Float:
            return statement.bindDouble(idx, double(object.toFloat()));
        case QMetaType::Double:
            return statement.bindDouble(idx, object.toDouble());
        case QMetaType::QString:
            // A null string is nothing; an empty one is "".
            return statement.bindText(idx, object.toString());
        default:
            return statement.bindText(idx, describe(object));
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
    return SqliteConnection::libraryVersion();
}

QString FMDatabase::description() const {
    return u"<FMDatabase: 0x"_s + QString::number(quintptr(this), 16) + u'>';
}

bool FMDatabase::open() {
    if (connection_.isOpen()) {
        return true;  // opening again would drop the statements still reading
    }
    if (!connection_.open(databasePath_)) {
        Console::log(u"error opening!: %d"_s, connection_.errorCode());
        if (!connection_.open(databasePath_)) {
            Console::log(u"error opening TWICE!: %d"_s, connection_.errorCode());
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
    if (!connection_.isOpen()) {
        return;
    }
    FMBusyRetry retry(busyRetryTimeout_);
    while (!connection_.close()) {
        if (connection_.errorCode() != SQLITE_BUSY) {
            Console::log(u"error closing!: %d"_s, connection_.errorCode());
            connection_.abandon();  // no use retrying: the handle is dropped
            break;
        }
        if (!retry.shouldRetry()) {
            Console::log(u"%s:%d"_s, __func__, __LINE__);
            Console::log(u"Database busy, unable to close"_s);
            return;  // the connection stays open
        }
    }
    inTransaction_ = false;
}

bool FMDatabase::goodConnection() {
    if (!connection_.isOpen()) {
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

bool FMDatabase::bindArguments(SqliteStatement& statement, const QVariantList& arguments,
                               const QString& sql) {
    const int queryCount = statement.parameterCount();
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
        if (!bindObject(statement, idx + 1, object)) {
            Console::log(u"Error binding argument %d (%d: %@)"_s, idx + 1, statement.resultCode(),
                         statement.errorMessage());
            Console::log(u"DB Query: %@"_s, sql);
            return false;
        }
    }
    return true;
}

SqliteStatement FMDatabase::prepareRetryingWhileBusy(const QString& sql) {
    FMBusyRetry retry(busyRetryTimeout_);
    for (;;) {
        SqliteStatement statement(connection_, sql);
        if (statement.resultCode() != SQLITE_BUSY) {
            return statement;
        }
        if (!retry.shouldRetry()) {
            logBusy(__func__, __LINE__);
            return statement;
        }
    }
}

SqliteStatement::Step FMDatabase::stepRetryingWhileBusy(SqliteStatement& statement) const {
    FMBusyRetry retry(busyRetryTimeout_);
    SqliteStatement::Step step;
    while ((step = statement.step()) == SqliteStatement::Step::Error &&
           statement.resultCode() == SQLITE_BUSY && retry.shouldRetry()) {
    }
    return step;
}

std::shared_ptr<FMStatement> FMDatabase::prepare(const QString& sql,
                                                 const QVariantList& arguments) {
    if (!connection_.isOpen()) {
        if (logsErrors_) {
            Console::log(u"The FMDatabase %@ is not open."_s, *this);
            Console::log(u"DB Query: %@"_s, sql);
        }
        return nullptr;
    }
    std::shared_ptr<FMStatement> statement;
    bool fromCache = false;
    if (shouldCacheStatements_) {
        std::shared_ptr<FMStatement> cached = cachedStatementForQuery(sql);
        // A statement still being read by a result set cannot be shared: a fresh one is made.
        if (cached && cached->statement() && !statementIsReading(cached.get())) {
            cached->reset();
            cached->sqliteStatement().clearBindings();
            statement = cached;
            fromCache = true;
        }
    }
    if (!statement) {
        SqliteStatement fresh = prepareRetryingWhileBusy(sql);
        if (!fresh.isValid()) {
            if (fresh.resultCode() == SQLITE_BUSY) {
                return nullptr;  // logged as busy
            }
            if (logsErrors_) {
                if (fresh.resultCode() == SQLITE_OK) {
                    // Only blanks or comments: nothing to run.
                    Console::log(u"DB Error: the query holds no statement"_s);
                } else {
                    Console::log(u"DB Error: %d \"%@\""_s, lastErrorCode(), lastErrorMessage());
                }
                Console::log(u"DB Query: %@"_s, sql);
            }
            return nullptr;
        }
        statement = std::make_shared<FMStatement>(std::move(fresh));
    }
    if (!bindArguments(statement->sqliteStatement(), arguments, sql)) {
        statement->reset();  // a fresh statement is finalized with its last holder
        return nullptr;
    }
    if (!fromCache) {
        statement->setQuery(sql);
        // Not while the cached one is being read: this one is then closed after its use.
        if (shouldCacheStatements_ && !cachedStatementForQuery(sql)) {
            setCachedStatement(statement, sql);
        }
    }
    return statement;
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
    std::shared_ptr<FMStatement> statement = prepare(sql, arguments);
    if (!statement) {
        return nullptr;
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
    std::shared_ptr<FMStatement> statement = prepare(sql, arguments);
    if (!statement) {
        return false;
    }
    SqliteStatement& sqlite = statement->sqliteStatement();
    stepRetryingWhileBusy(sqlite);
    const int rc = sqlite.resultCode();
    if (rc == SQLITE_BUSY) {
        logBusy(__func__, __LINE__);
    } else if (rc == SQLITE_ERROR) {
        Console::log(u"Error calling sqlite3_step (%d: %@) SQLITE_ERROR"_s, rc,
                     sqlite.errorMessage());
        Console::log(u"DB Query: %@"_s, sql);
    } else if (rc == SQLITE_MISUSE) {
        Console::log(u"Error calling sqlite3_step (%d: %@) SQLITE_MISUSE"_s, rc,
                     sqlite.errorMessage());
        Console::log(u"DB Query: %@"_s, sql);
    } else if (rc == SQLITE_ROW) {
        // A caller error: statements that yield rows belong in executeQuery.
        Console::log(u"Error: executeUpdate was given a statement that returns rows"_s);
        Console::log(u"DB Query: %@"_s, sql);
    } else if (rc != SQLITE_DONE) {
        Console::log(u"Unknown error calling sqlite3_step (%d: %@) eu"_s, rc,
                     sqlite.errorMessage());
        Console::log(u"DB Query: %@"_s, sql);
    }

    int closeErrorCode;
    if (shouldCacheStatements_ && cachedStatementForQuery(sql) == statement) {
        statement->setUseCount(statement->useCount() + 1);
        closeErrorCode = statement->reset();
    } else {
        closeErrorCode = statement->close();
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
    return connection_.isOpen() ? connection_.errorMessage()
                                : QString::fromUtf8(sqlite3_errstr(SQLITE_MISUSE));
}

int FMDatabase::lastErrorCode() const {
    return connection_.isOpen() ? connection_.errorCode() : SQLITE_MISUSE;
}

bool FMDatabase::hadError() const {
    return lastErrorCode() != SQLITE_OK;
}

qint64 FMDatabase::lastInsertRowId() {
    if (refusedWhileInUse()) {
        return 0;
    }
    InUseScope scope(inUse_);
    return connection_.lastInsertRowId();
}

bool FMDatabase::setKey(const QString&) {
    return false;
}

bool FMDatabase::rekey(const QString&) {
    return false;
}
