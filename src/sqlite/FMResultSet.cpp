#include "FMResultSet.h"

#include <sqlite3.h>
#include <QObject>
#include <QVariant>
#include <cmath>

#include "Console.h"
#include "FMDatabase.h"
#include "FMStatement.h"

using namespace Qt::Literals::StringLiterals;

std::unique_ptr<FMResultSet> FMResultSet::resultSetWithStatement(
    const std::shared_ptr<FMStatement>& statement, FMDatabase* usingParentDatabase) {
    return std::make_unique<FMResultSet>(statement, usingParentDatabase);
}

FMResultSet::FMResultSet(const std::shared_ptr<FMStatement>& statement,
                         FMDatabase* usingParentDatabase)
    : statement_(statement) {
    setParentDB(usingParentDatabase);
}

FMResultSet::~FMResultSet() {
    close();
}

void FMResultSet::setParentDB(FMDatabase* parentDB) {
    if (parentDB == parentDB_) {
        return;
    }
    if (parentDB_) {
        parentDB_->resultSetDidClose(this);
    }
    parentDB_ = parentDB;
    if (parentDB_) {
        parentDB_->resultSetDidOpen(this);
    }
}

void FMResultSet::close() {
    if (statement_) {
        statement_->reset();
        // A statement that did not come from the cache is finalized here, its last holder gone.
        statement_.reset();
    }
    setParentDB(nullptr);
}

bool FMResultSet::next() {
    SqliteStatement* statement = live();
    if (statement == nullptr || parentDB_ == nullptr) {
        close();
        return false;
    }
    if (parentDB_->stepRetryingWhileBusy(*statement) == SqliteStatement::Step::Row) {
        return true;
    }
    const int rc = statement->resultCode();
    if (rc == SQLITE_BUSY) {
        parentDB_->logBusy(__func__, __LINE__);
    } else if (rc == SQLITE_ERROR || rc == SQLITE_MISUSE) {
        Console::log(u"Error calling sqlite3_step (%d: %@) rs"_s, rc, statement->errorMessage());
    } else if (rc != SQLITE_DONE) {
        Console::log(u"Unknown error calling sqlite3_step (%d: %@) rs"_s, rc,
                     statement->errorMessage());
    }
    close();
    return false;
}

SqliteStatement* FMResultSet::live() const {
    return statement_ && statement_->statement() ? &statement_->sqliteStatement() : nullptr;
}

void FMResultSet::setupColumnNames() {
    const SqliteStatement* statement = live();
    if (statement == nullptr) {
        return;  // stays unset, so a later call on a live statement still builds the map
    }
    const int count = statement->columnCount();
    for (int i = 0; i < count; ++i) {
        columnNameToIndexMap_.insert(statement->columnName(i).toLower(), i);
    }
    columnNamesSetup_ = true;
}

int FMResultSet::columnIndexForName(const QString& columnName) {
    if (!columnNamesSetup_) {
        setupColumnNames();
    }
    const auto found = columnNameToIndexMap_.constFind(columnName.toLower());
    if (found != columnNameToIndexMap_.cend()) {
        return *found;
    }
    Console::log(u"Warning: I could not find the column named '%@'."_s, columnName);
    return -1;
}

const SqliteStatement* FMResultSet::statementFor(int columnIdx) const {
    const SqliteStatement* statement = live();
    if (statement == nullptr || columnIdx < 0 || columnIdx >= statement->dataCount()) {
        return nullptr;
    }
    return statement;
}

QString FMResultSet::stringForColumnIndex(int columnIdx) {
    const SqliteStatement* statement = statementFor(columnIdx);
    return statement ? statement->columnText(columnIdx) : QString();
}

int FMResultSet::intForColumnIndex(int columnIdx) {
    return int(longForColumnIndex(columnIdx));
}

qint64 FMResultSet::longForColumnIndex(int columnIdx) {
    const SqliteStatement* statement = statementFor(columnIdx);
    return statement ? statement->columnInt64(columnIdx) : 0;
}

double FMResultSet::doubleForColumnIndex(int columnIdx) {
    const SqliteStatement* statement = statementFor(columnIdx);
    return statement ? statement->columnDouble(columnIdx) : 0.0;
}

bool FMResultSet::boolForColumnIndex(int columnIdx) {
    return intForColumnIndex(columnIdx) != 0;
}

std::optional<QByteArray> FMResultSet::dataForColumnIndex(int columnIdx) {
    const SqliteStatement* statement = statementFor(columnIdx);
    if (statement == nullptr) {
        return std::nullopt;
    }
    const QByteArray bytes = statement->columnBlob(columnIdx);
    return bytes.isNull() ? QByteArray("", 0) : bytes;
}

QDateTime FMResultSet::dateForColumnIndex(int columnIdx) {
    const SqliteStatement* statement = statementFor(columnIdx);
    if (statement == nullptr || statement->columnIsNull(columnIdx)) {
        return {};
    }
    const double seconds = statement->columnDouble(columnIdx);
    return QDateTime::fromMSecsSinceEpoch(qint64(std::llround(seconds * 1000.0)), Qt::UTC);
}

QString FMResultSet::stringForColumn(const QString& columnName) {
    const int idx = columnIndexForName(columnName);
    return idx < 0 ? QString() : stringForColumnIndex(idx);
}

int FMResultSet::intForColumn(const QString& columnName) {
    const int idx = columnIndexForName(columnName);
    return idx < 0 ? 0 : intForColumnIndex(idx);
}

qint64 FMResultSet::longForColumn(const QString& columnName) {
    const int idx = columnIndexForName(columnName);
    return idx < 0 ? 0 : longForColumnIndex(idx);
}

double FMResultSet::doubleForColumn(const QString& columnName) {
    const int idx = columnIndexForName(columnName);
    return idx < 0 ? 0.0 : doubleForColumnIndex(idx);
}

bool FMResultSet::boolForColumn(const QString& columnName) {
    const int idx = columnIndexForName(columnName);
    return idx < 0 ? false : boolForColumnIndex(idx);
}

std::optional<QByteArray> FMResultSet::dataForColumn(const QString& columnName) {
    const int idx = columnIndexForName(columnName);
    return idx < 0 ? std::nullopt : dataForColumnIndex(idx);
}

QDateTime FMResultSet::dateForColumn(const QString& columnName) {
    const int idx = columnIndexForName(columnName);
    return idx < 0 ? QDateTime() : dateForColumnIndex(idx);
}

void FMResultSet::kvcMagic(QObject* object) {
    const SqliteStatement* statement = live();
    if (object == nullptr || statement == nullptr) {
        return;
    }
    const int count = statement->dataCount();
    for (int i = 0; i < count; ++i) {
        if (!statement->columnIsNull(i)) {
            object->setProperty(statement->columnName(i).toUtf8().constData(),
                                statement->columnText(i));
        }
    }
}
