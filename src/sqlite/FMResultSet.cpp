#include "FMResultSet.h"

#include <sqlite3.h>
#include <QObject>
#include <QVariant>
#include <cmath>

#include "Console.h"
#include "FMBusyRetry.h"
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
    sqlite3_stmt* handle = statement_ ? statement_->statement() : nullptr;
    if (handle == nullptr) {
        close();
        return false;
    }
    FMBusyRetry retry(parentDB_ ? parentDB_->busyRetryTimeout() : 0);
    int rc;
    for (;;) {
        rc = sqlite3_step(handle);
        if (rc != SQLITE_BUSY) {
            break;
        }
        if (!retry.shouldRetry()) {
            Console::log(u"%s:%d Database busy (%@)"_s, __func__, __LINE__,
                         parentDB_ ? parentDB_->databasePath() : QString());
            Console::log(u"Database busy"_s);
            close();
            return false;
        }
    }
    if (rc == SQLITE_ROW) {
        return true;
    }
    if (rc == SQLITE_ERROR || rc == SQLITE_MISUSE) {
        Console::log(u"Error calling sqlite3_step (%d: %s) rs"_s, rc,
                     sqlite3_errmsg(sqlite3_db_handle(handle)));
    } else if (rc != SQLITE_DONE) {
        Console::log(u"Unknown error calling sqlite3_step (%d: %s) rs"_s, rc,
                     sqlite3_errmsg(sqlite3_db_handle(handle)));
    }
    close();
    return false;
}

void FMResultSet::setupColumnNames() {
    sqlite3_stmt* handle = statement_ ? statement_->statement() : nullptr;
    if (handle == nullptr) {
        return;  // stays unset, so a later call on a live statement still builds the map
    }
    const int count = sqlite3_column_count(handle);
    for (int i = 0; i < count; ++i) {
        columnNameToIndexMap_.insert(QString::fromUtf8(sqlite3_column_name(handle, i)).toLower(),
                                     i);
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

sqlite3_stmt* FMResultSet::handleFor(int columnIdx) const {
    sqlite3_stmt* handle = statement_ ? statement_->statement() : nullptr;
    if (handle == nullptr || columnIdx < 0 || columnIdx >= sqlite3_data_count(handle)) {
        return nullptr;
    }
    return handle;
}

QString FMResultSet::stringForColumnIndex(int columnIdx) {
    sqlite3_stmt* handle = handleFor(columnIdx);
    if (handle == nullptr || sqlite3_column_type(handle, columnIdx) == SQLITE_NULL) {
        return {};
    }
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(handle, columnIdx));
    const int bytes = sqlite3_column_bytes(handle, columnIdx);
    if (text == nullptr || bytes == 0) {
        return u""_s;  // empty text is not nothing
    }
    return QString::fromUtf8(text, bytes);
}

int FMResultSet::intForColumnIndex(int columnIdx) {
    sqlite3_stmt* handle = handleFor(columnIdx);
    return handle ? sqlite3_column_int(handle, columnIdx) : 0;
}

qint64 FMResultSet::longForColumnIndex(int columnIdx) {
    sqlite3_stmt* handle = handleFor(columnIdx);
    return handle ? sqlite3_column_int64(handle, columnIdx) : 0;
}

double FMResultSet::doubleForColumnIndex(int columnIdx) {
    sqlite3_stmt* handle = handleFor(columnIdx);
    return handle ? sqlite3_column_double(handle, columnIdx) : 0.0;
}

bool FMResultSet::boolForColumnIndex(int columnIdx) {
    return intForColumnIndex(columnIdx) != 0;
}

std::optional<QByteArray> FMResultSet::dataForColumnIndex(int columnIdx) {
    sqlite3_stmt* handle = handleFor(columnIdx);
    if (handle == nullptr) {
        return std::nullopt;
    }
    const auto* bytes = static_cast<const char*>(sqlite3_column_blob(handle, columnIdx));
    const int size = sqlite3_column_bytes(handle, columnIdx);
    return bytes ? QByteArray(bytes, size) : QByteArray("", 0);
}

QDateTime FMResultSet::dateForColumnIndex(int columnIdx) {
    sqlite3_stmt* handle = handleFor(columnIdx);
    if (handle == nullptr || sqlite3_column_type(handle, columnIdx) == SQLITE_NULL) {
        return {};
    }
    const double seconds = sqlite3_column_double(handle, columnIdx);
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
    sqlite3_stmt* handle = statement_ ? statement_->statement() : nullptr;
    if (object == nullptr || handle == nullptr) {
        return;
    }
    const int count = sqlite3_data_count(handle);
    for (int i = 0; i < count; ++i) {
        if (sqlite3_column_type(handle, i) != SQLITE_NULL) {
            object->setProperty(sqlite3_column_name(handle, i), stringForColumnIndex(i));
        }
    }
}
