#include "GameTable.h"

#include <QSet>

#include "Game.h"
#include "GameAttribute.h"
#include "SqliteConnection.h"
#include "SqliteStatement.h"
#include "SqliteTransaction.h"
#include "TextInterner.h"

using namespace Qt::Literals::StringLiterals;

namespace {

QString columnType(AttributeType type) {
    switch (type) {
        case AttributeType::String:
            return u"TEXT"_s;
        case AttributeType::Float:
            return u"REAL"_s;
        case AttributeType::Flag:
        case AttributeType::Date:
            return u"INTEGER"_s;
    }
    return u"TEXT"_s;
}

QString quoted(const QString& identifier) {
    return u"\""_s + identifier + u"\""_s;
}

QString columnList() {
    QStringList columns;
    for (const GameAttributeInfo& info : GameAttributes::all()) {
        columns.append(quoted(info.columnName));
    }
    return columns.join(u", "_s);
}

// Fills `error`, when given, with `code` and the connection's last SQLite failure.
void setError(StoreError* error, StoreError::Code code, const QString& message,
              const SqliteConnection& connection, const QString& sql = {}) {
    if (error) {
        *error = StoreError::fromSqlite(code, message, connection, sql);
    }
}

// Fills `error`, when given, for a schema statement that failed; answers false.
bool schemaStatementFailed(StoreError* error, const QString& sql,
                           const SqliteConnection& connection) {
    if (error) {
        *error = StoreError::statementFailed(StoreError::SchemaFailed, sql, connection);
    }
    return false;
}

bool exec(SqliteConnection& connection, const QString& sql, StoreError* error) {
    return connection.exec(sql) || schemaStatementFailed(error, sql, connection);
}

std::optional<int> readUserVersion(SqliteConnection& connection, StoreError* error) {
    SqliteStatement statement(connection, u"PRAGMA user_version"_s);
    if (statement.step() != SqliteStatement::Step::Row) {
        setError(error, StoreError::OpenFailed, u"The store cannot be read"_s, connection,
                 statement.isValid() ? statement.sql() : QString());
        return std::nullopt;
    }
    return int(statement.columnInt64(0));
}

}  // namespace

bool GameTable::prepareSchema(SqliteConnection& connection, StoreError* error) {
    const std::optional<int> version = readUserVersion(connection, error);
    if (!version) {
        return false;
    }
    if (*version > kSchemaVersion) {
        if (error) {
            *error = StoreError::make(
                StoreError::NewerSchema,
                u"The store was written by a later release (schema %1, this release reads %2)"_s
                    .arg(*version)
                    .arg(kSchemaVersion),
                {{u"path"_s, connection.path()}, {u"schemaVersion"_s, *version}});
        }
        return false;
    }
    // WAL lets a reader see the last commit while a save is under way and keeps a killed save
    // from touching the database file; FULL makes each commit durable.
    connection.execAndGet(u"PRAGMA journal_mode=WAL"_s);
    if (!exec(connection, u"PRAGMA synchronous=FULL"_s, error)) {
        return false;
    }
    if (*version == kSchemaVersion) {
        return true;
    }

    SqliteTransaction transaction(connection);
    if (!transaction.isActive()) {
        return schemaStatementFailed(error, transaction.statement(), connection);
    }
    QStringList definitions{u"\"id\" INTEGER PRIMARY KEY"_s};
    for (const GameAttributeInfo& info : GameAttributes::all()) {
        definitions.append(quoted(info.columnName) + u" "_s + columnType(info.type));
    }
    if (!exec(connection,
              u"CREATE TABLE IF NOT EXISTS \"Game\" ("_s + definitions.join(u", "_s) + u")"_s,
              error)) {
        return false;
    }
    // A table from an earlier schema gains the columns it lacks; nothing is dropped.
    QSet<QString> existing;
    SqliteStatement columns(connection, u"PRAGMA table_info(\"Game\")"_s);
    SqliteStatement::Step step = columns.step();
    while (step == SqliteStatement::Step::Row) {
        existing.insert(columns.columnText(1));
        step = columns.step();
    }
    if (step != SqliteStatement::Step::Done) {
        setError(error, StoreError::SchemaFailed, u"The table cannot be read"_s, connection,
                 columns.sql());
        return false;
    }
    for (const GameAttributeInfo& info : GameAttributes::all()) {
        if (!existing.contains(info.columnName) &&
            !exec(connection,
                  u"ALTER TABLE \"Game\" ADD COLUMN "_s + quoted(info.columnName) + u" "_s +
                      columnType(info.type),
                  error)) {
            return false;
        }
    }
    // PRAGMA takes no bound arguments; the version is our own constant.
    if (!exec(connection, u"PRAGMA user_version = %1"_s.arg(kSchemaVersion), error)) {
        return false;
    }
    if (!transaction.commit()) {
        return schemaStatementFailed(error, transaction.statement(), connection);
    }
    return true;
}

bool GameTable::loadAll(SqliteConnection& connection, const std::function<Game*(qint64)>& make,
                        StoreError* error) {
    SqliteStatement select(connection,
                           u"SELECT rowid, "_s + columnList() + u" FROM \"Game\" ORDER BY rowid"_s);
    if (!select.isValid()) {
        setError(error, StoreError::QueryFailed, u"The games cannot be read"_s, connection);
        return false;
    }
    // Repeated texts (codes, kinds, makers) share one QString: one allocation fewer per field.
    TextInterner interner;
    const QList<GameAttributeInfo>& attributes = GameAttributes::all();
    SqliteStatement::Step step = select.step();
    while (step == SqliteStatement::Step::Row) {
        Game* game = make(select.columnInt64(0));
        if (game) {
            for (int i = 0; i < attributes.size(); ++i) {
                const int column = i + 1;
                const GameAttributeInfo& info = attributes[i];
                if (info.type == AttributeType::String) {
                    int bytes = 0;
                    const char* utf8 = select.columnUtf8(column, &bytes);
                    game->strings_[info.slot] = interner.text(column, utf8, bytes);
                } else if (select.columnIsNull(column)) {
                    continue;
                } else if (info.type == AttributeType::Float) {
                    game->floats_[info.slot] = float(select.columnDouble(column));
                } else if (info.type == AttributeType::Flag) {
                    game->flags_[info.slot] = int(select.columnInt64(column));
                } else {
                    game->dates_[info.slot] = select.columnInt64(column);
                }
            }
        }
        step = select.step();
    }
    if (step != SqliteStatement::Step::Done) {
        setError(error, StoreError::QueryFailed, u"The games cannot be read"_s, connection,
                 select.sql());
        return false;
    }
    return true;
}

GameTable::Writer::Writer(SqliteConnection& connection) : connection_(connection) {}

GameTable::Writer::~Writer() = default;

void GameTable::Writer::bindValue(SqliteStatement& statement, int index, const Game* game,
                                  int attribute) {
    const GameAttributeInfo& info = GameAttributes::all()[attribute];
    switch (info.type) {
        case AttributeType::String:
            statement.bindText(index, game->strings_[info.slot]);
            return;
        case AttributeType::Float:
            if (const auto value = game->floats_[info.slot]) {
                statement.bindDouble(index, double(*value));
            } else {
                statement.bindNull(index);
            }
            return;
        case AttributeType::Flag:
            if (const auto value = game->flags_[info.slot]) {
                statement.bindInt64(index, *value);
            } else {
                statement.bindNull(index);
            }
            return;
        case AttributeType::Date:
            if (const auto value = game->dates_[info.slot]) {
                statement.bindInt64(index, *value);
            } else {
                statement.bindNull(index);
            }
            return;
    }
}

bool GameTable::Writer::insert(Game* game, StoreError* error) {
    if (!insert_) {
        QStringList parameters;
        for (int i = 0; i < GameAttributes::kCount; ++i) {
            parameters.append(u"?"_s);
        }
        insert_ = std::make_unique<SqliteStatement>(
            connection_, u"INSERT INTO \"Game\" ("_s + columnList() + u") VALUES ("_s +
                             parameters.join(u", "_s) + u")"_s);
    }
    for (int i = 0; i < GameAttributes::kCount; ++i) {
        bindValue(*insert_, i + 1, game, i);
    }
    if (!insert_->run()) {
        setError(error, StoreError::SaveFailed, u"A game cannot be inserted"_s, connection_,
                 insert_->sql());
        return false;
    }
    game->primaryKey_ = connection_.lastInsertRowId();
    return true;
}

bool GameTable::Writer::update(const Game* game, StoreError* error) {
    const quint32 changed = game->changedAttributes_;
    std::shared_ptr<SqliteStatement>& update = updates_[changed];
    if (!update) {
        QStringList assignments;
        for (const GameAttributeInfo& info : GameAttributes::all()) {
            if (changed & (1u << int(info.attribute))) {
                assignments.append(quoted(info.columnName) + u" = ?"_s);
            }
        }
        if (assignments.isEmpty()) {
            assignments.append(u"rowid = rowid"_s);  // still proves the row exists
        }
        update = std::make_shared<SqliteStatement>(
            connection_,
            u"UPDATE \"Game\" SET "_s + assignments.join(u", "_s) + u" WHERE rowid = ?"_s);
    }
    int index = 0;
    for (int i = 0; i < GameAttributes::kCount; ++i) {
        if (changed & (1u << i)) {
            bindValue(*update, ++index, game, i);
        }
    }
    update->bindInt64(index + 1, game->primaryKey_);
    if (!update->run()) {
        setError(error, StoreError::SaveFailed, u"A game cannot be updated"_s, connection_,
                 update->sql());
        return false;
    }
    if (connection_.changes() != 1) {
        if (error) {
            *error = StoreError::make(
                StoreError::SaveFailed, u"A saved game is no longer in the store"_s,
                {{u"path"_s, connection_.path()}, {u"primaryKey"_s, game->primaryKey_}});
        }
        return false;
    }
    return true;
}
