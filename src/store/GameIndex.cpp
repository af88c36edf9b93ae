#include "GameIndex.h"

#include <algorithm>

#include "Game.h"

int GameIndex::tableOf(GameAttribute attribute) {
    switch (attribute) {
        case GameAttribute::idCriticon:
            return 0;
        case GameAttribute::idPlaybase:
            return 1;
        default:
            return -1;
    }
}

bool GameIndex::isIndexed(GameAttribute attribute) {
    return tableOf(attribute) >= 0;
}

void GameIndex::add(Table& table, Game* game, GameAttribute attribute) {
    const QString& value = game->stringValue(attribute);
    if (value.isNull()) {
        return;
    }
    QVarLengthArray<Game*, 1>& bucket = table.buckets[qHash(value)];
    if (std::find(bucket.begin(), bucket.end(), game) == bucket.end()) {
        bucket.push_back(game);
    }
}

std::span<Game* const> GameIndex::candidates(const std::vector<Game*>& all, GameAttribute attribute,
                                             const QString& value) {
    Table& table = tables_[size_t(tableOf(attribute))];
    if (!table.built) {
        table.buckets.reserve(qsizetype(all.size()));
        for (Game* game : all) {
            add(table, game, attribute);
        }
        table.built = true;
    }
    const auto it = table.buckets.constFind(qHash(value));
    if (it == table.buckets.cend()) {
        return {};
    }
    return {it->constData(), size_t(it->size())};
}

void GameIndex::didChange(Game* game, GameAttribute attribute) {
    const int index = tableOf(attribute);
    if (index >= 0 && tables_[size_t(index)].built) {
        add(tables_[size_t(index)], game, attribute);
    }
}
