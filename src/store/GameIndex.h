#pragma once

#include <QHash>
#include <QString>
#include <array>
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
    const std::vector<Game*>& candidates(const std::vector<Game*>& all, GameAttribute attribute,
                                         const QString& value);
    // After a record's value of `attribute` has changed.
    void didChange(Game* game, GameAttribute attribute);

private:
    struct Table {
        bool built = false;
        QHash<QString, std::vector<Game*>> buckets;
    };
    static int tableOf(GameAttribute attribute);
    void add(Table& table, Game* game, GameAttribute attribute);

    std::array<Table, 2> tables_;
    const std::vector<Game*> none_;
};
