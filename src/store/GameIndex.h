#pragma once

#include <QHash>
#include <QString>
#include <QVarLengthArray>
#include <array>
#include <span>
#include <vector>

#include "GameAttribute.h"

class Game;

// Finds records by the value of an id attribute (idCriticon, idPlaybase) without scanning
// every record: the catalogue looks a game up for each row it applies, so a scan per lookup
// would make an install of n rows take n² steps. Built on first use from the records held,
// then kept up to date by didChange. A bucket may hold records whose value has since changed;
// callers check each candidate against their condition. Owned by one context; same thread.
class GameIndex {
public:
    static bool isIndexed(GameAttribute attribute);

    // The records that may have `value` for `attribute`. REQUIRES: isIndexed(attribute).
    std::span<Game* const> candidates(const std::vector<Game*>& all, GameAttribute attribute,
                                      const QString& value);
    // After a record's value of `attribute` has changed.
    void didChange(Game* game, GameAttribute attribute);

private:
    struct Table {
        bool built = false;
        // By the value's hash, so building the index neither copies nor compares a string; a
        // bucket may then also hold records of another value with the same hash, which the
        // callers' check sorts out. Ids are almost always unique: one record sits in the
        // bucket itself, so building the index allocates nothing per record.
        QHash<size_t, QVarLengthArray<Game*, 1>> buckets;
    };
    static int tableOf(GameAttribute attribute);
    void add(Table& table, Game* game, GameAttribute attribute);

    std::array<Table, 2> tables_;
};
