#include "SqliteStatement.h"

#include <sqlite3.h>

#include <QStringEncoder>
#include <utility>

#include "SqliteConnection.h"

using namespace Qt::Literals::StringLiterals;

SqliteStatement::SqliteStatement(SqliteConnection& connection, const QString& sql)
    : connection_(&connection), sql_(sql) {
    if (!connection.isOpen()) {
        resultCode_ = SQLITE_MISUSE;
        connection.logFailure(u"Cannot prepare "_s + sql);
        return;
    }
    const QByteArray utf8 = sql.toUtf8();
    resultCode_ = sqlite3_prepare_v2(connection.handle(), utf8.constData(), int(utf8.size()),
                                     &statement_, nullptr);
    if (resultCode_ != SQLITE_OK) {
        connection.logFailure(u"Cannot prepare "_s + sql);
        sqlite3_finalize(statement_);
        statement_ = nullptr;
        return;
    }
    utf8_.resize(size_t(parameterCount()) + 1);
}

SqliteStatement::~SqliteStatement() {
    sqlite3_finalize(statement_);
}

SqliteStatement::SqliteStatement(SqliteStatement&& other) noexcept
    : connection_(other.connection_),
      statement_(std::exchange(other.statement_, nullptr)),
      sql_(std::move(other.sql_)),
      resultCode_(other.resultCode_),
      utf8_(std::move(other.utf8_)) {}

QString SqliteStatement::errorMessage() const {
    if (statement_) {
        return QString::fromUtf8(sqlite3_errmsg(sqlite3_db_handle(statement_)));
    }
    return connection_->errorMessage();
}

bool SqliteStatement::answer(int rc) {
    resultCode_ = rc;
    return rc == SQLITE_OK;
}

void SqliteStatement::startOverForBinding() {
    if (sqlite3_stmt_busy(statement_)) {
        sqlite3_reset(statement_);
    }
}

int SqliteStatement::parameterCount() const {
    return sqlite3_bind_parameter_count(statement_);
}

bool SqliteStatement::bindNull(int index) {
    startOverForBinding();
    return answer(sqlite3_bind_null(statement_, index));
}

bool SqliteStatement::bindInt64(int index, qint64 value) {
    startOverForBinding();
    return answer(sqlite3_bind_int64(statement_, index, value));
}

bool SqliteStatement::bindDouble(int index, double value) {
    startOverForBinding();
    return answer(sqlite3_bind_double(statement_, index, value));
}

bool SqliteStatement::bindText(int index, const QString& value) {
    if (value.isNull()) {
        return bindNull(index);
    }
    startOverForBinding();
    if (index < 1 || size_t(index) >= utf8_.size()) {
        return answer(sqlite3_bind_text16(statement_, index, value.utf16(),
                                          int(value.size() * sizeof(char16_t)), SQLITE_TRANSIENT));
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
    return answer(sqlite3_bind_text(statement_, index, buffer.data(), int(end - buffer.data()),
                                    SQLITE_STATIC));
}

bool SqliteStatement::bindBlob(int index, const QByteArray& value) {
    if (value.isNull()) {
        return bindNull(index);
    }
    startOverForBinding();
    if (value.isEmpty()) {
        // SQLite would bind NULL for the empty array's null pointer.
        return answer(sqlite3_bind_zeroblob(statement_, index, 0));
    }
    return answer(sqlite3_bind_blob64(statement_, index, value.constData(),
                                      sqlite3_uint64(value.size()), SQLITE_TRANSIENT));
}

bool SqliteStatement::clearBindings() {
    return answer(sqlite3_clear_bindings(statement_));
}

SqliteStatement::Step SqliteStatement::step() {
    if (!statement_) {
        resultCode_ = SQLITE_MISUSE;
        return Step::Error;
    }
    resultCode_ = sqlite3_step(statement_);
    if (resultCode_ == SQLITE_ROW) {
        return Step::Row;
    }
    if (resultCode_ == SQLITE_DONE) {
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
    const int stepCode = resultCode_;
    reset();
    resultCode_ = stepCode;
    return result == Step::Done;
}

bool SqliteStatement::reset() {
    return answer(sqlite3_reset(statement_));
}

bool SqliteStatement::finalize() {
    return answer(sqlite3_finalize(std::exchange(statement_, nullptr)));
}

int SqliteStatement::columnCount() const {
    return sqlite3_column_count(statement_);
}

int SqliteStatement::dataCount() const {
    return sqlite3_data_count(statement_);
}

QString SqliteStatement::columnName(int column) const {
    return QString::fromUtf8(sqlite3_column_name(statement_, column));
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

QByteArray SqliteStatement::columnBlob(int column) const {
    if (sqlite3_column_type(statement_, column) == SQLITE_NULL) {
        return {};
    }
    const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement_, column));
    const int size = sqlite3_column_bytes(statement_, column);
    return bytes ? QByteArray(bytes, size) : QByteArray("", 0);
}

QVariant SqliteStatement::columnValue(int column) const {
    switch (sqlite3_column_type(statement_, column)) {
        case SQLITE_INTEGER:
            return columnInt64(column);
        case SQLITE_FLOAT:
            return columnDouble(column);
        case SQLITE_TEXT:
            return columnText(column);
        case SQLITE_BLOB:
            return columnBlob(column);
        default:
            return QVariant::fromValue(nullptr);
    }
}
