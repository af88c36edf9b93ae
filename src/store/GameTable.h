#pragma once

#include <QHash>
#include <functional>
#include <memory>

#include "StoreError.h"

class Game;
class SqliteConnection;
class SqliteStatement;

// The SQL side of Game records: the table "Game" with an integer primary key and one column
// per attribute of GameAttributes (strings TEXT, floats REAL, flags INTEGER, dates INTEGER
// msecs since the epoch, absent values NULL), its schema version in PRAGMA user_version, and
// the statements that read and write rows. Every value is a bound argument.
class GameTable {
public:
    static constexpr int kSchemaVersion = 1;

    // Creates the table in a new file or brings an older one up to kSchemaVersion (adding
    // missing columns); refuses a file written by a later release.
    static bool prepareSchema(SqliteConnection& connection, StoreError* error);

    // Reads every row in primary-key order. `make` answers the Game to fill for a primary key,
    // or nullptr to skip the row (a record the caller holds already).
    static bool loadAll(SqliteConnection& connection, const std::function<Game*(qint64)>& make,
                        StoreError* error);

    // Prepared INSERT and UPDATE statements for one save; run inside a transaction.
    class Writer {
    public:
        explicit Writer(SqliteConnection& connection);
        ~Writer();
        // Sets the game's primary key from the new row.
        bool insert(Game* game, StoreError* error);
        // Writes the columns changed since the last save; fails when the row is gone.
        bool update(const Game* game, StoreError* error);

    private:
        static void bindValue(SqliteStatement& statement, int index, const Game* game,
                              int attribute);
        SqliteConnection& connection_;
        std::unique_ptr<SqliteStatement> insert_;
        // One UPDATE per set of changed columns, prepared on first use.
        QHash<quint32, std::shared_ptr<SqliteStatement>> updates_;
    };
};
