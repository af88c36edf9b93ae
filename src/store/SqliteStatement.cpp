#include "SqliteStatement.h"

#include <sqlite3.h>

#include <QStringEncoder>

#include "SqliteConnection.h"

using namespace Qt::Literals::StringLiterals;

SqliteStatement::SqliteStatement(SqliteConnection& connection, const QString& sql)
    : connection_(&connection), sql_(sql) {
    if (!connection.isOpen()) {
        return;
    }
    const QByteArray utf8 = sql.toUtf8();
    if (sqlite3_prepare_v2(connection.handle(), utf8.constData(), int(utf8.size()), &statement_,
                           nullptr) != SQLITE_OK) {
        connection.logFailure(u"Cannot prepare "_s + sql);
        sqlite3_finalize(statement_);
        statement_ = nullptr;
        return;
    }
    utf8_.resize(size_t(sqlite3_bind_parameter_count(statement_)) + 1);
}

SqliteStatement::~SqliteStatement() {
    sqlite3_finalize(statement_);
}

SqliteStatement::SqliteStatement(SqliteStatement&& other) noexcept
    : connection_(other.connection_),
      statement_(other.statement_),
      sql_(std::move(other.sql_)),
      utf8_(std::move(other.utf8_)) {
    other.statement_ = nullptr;
}

void SqliteStatement::bindNull(int index) {
    sqlite3_bind_null(statement_, index);
}

void SqliteStatement::bindInt64(int index, qint64 value) {
    sqlite3_bind_int64(statement_, index, value);
}

void SqliteStatement::bindDouble(int index, double value) {
    sqlite3_bind_double(statement_, index, value);
}

void SqliteStatement::bindText(int index, const QString& value) {
    if (value.isNull()) {
        sqlite3_bind_null(statement_, index);
        return;
    }
    if (index < 1 || size_t(index) >= utf8_.size()) {
        sqlite3_bind_text16(statement_, index, value.utf16(), int(value.size() * sizeof(char16_t)),
                            SQLITE_TRANSIENT);
        return;
    }
    // Our own encoding is faster than SQLite's and reuses one buffer per parameter; a lone
    // surrogate is stored as U+FFFD.
    std::vector<char>& buffer = utf8_[size_t(index)];
    const size_t most = size_t(value.size()) * 3 + 1;
    if (buffer.size() < most) {
        buffer.resize(most);
    }
    QStringEncoder encoder(QStringEncoder::Utf8, QStringEncoder::Flag::Stateless);
    const char* end = encoder.appendToBuffer(buffer.data(), value);
    sqlite3_bind_text(statement_, index, buffer.data(), int(end - buffer.data()), SQLITE_STATIC);
}

SqliteStatement::Step SqliteStatement::step() {
    if (!statement_) {
        return Step::Error;
    }
    const int rc = sqlite3_step(statement_);
    if (rc == SQLITE_ROW) {
        return Step::Row;
    }
    if (rc == SQLITE_DONE) {
        return Step::Done;
    }
    connection_->logFailure(u"Cannot run "_s + sql_);
    return Step::Error;
}

bool SqliteStatement::run() {
    Step result = step();
    while (result == Step::Row) {
        result = step();
    }
    reset();
    return result == Step::Done;
}

void SqliteStatement::reset() {
    sqlite3_reset(statement_);
}

bool SqliteStatement::columnIsNull(int column) const {
    return sqlite3_column_type(statement_, column) == SQLITE_NULL;
}

qint64 SqliteStatement::columnInt64(int column) const {
    return sqlite3_column_int64(statement_, column);
}

double SqliteStatement::columnDouble(int column) const {
    return sqlite3_column_double(statement_, column);
}

QString SqliteStatement::columnText(int column) const {
    int bytes = 0;
    const char* text = columnUtf8(column, &bytes);
    if (!text) {
        return {};
    }
    return bytes == 0 ? QString(u""_s) : QString::fromUtf8(text, bytes);
}

const char* SqliteStatement::columnUtf8(int column, int* bytes) const {
    if (sqlite3_column_type(statement_, column) == SQLITE_NULL) {
        *bytes = 0;
        return nullptr;
    }
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
    *bytes = sqlite3_column_bytes(statement_, column);
    return text ? text : "";
}

StoreError SqliteStatement::error(StoreError::Code code, const QString& message) const {
    StoreError result = connection_->lastError(code, message);
    result.userInfo.insert(u"sql"_s, sql_);
    return result;
}
