#pragma once

#include <QtGlobal>
#include <array>
#include <optional>
#include <vector>

#include "GameAttribute.h"

class Game;

// Orders a context's records by sort keys. Every key becomes an order-preserving 64-bit word
// per record (texts by their rank among all values of the attribute), so sorting compares
// integers only; the record's position breaks ties. Sorted orders and text ranks are kept and
// reused until a record changes an attribute they depend on or the set of records changes.
// Owned by one context; same thread.
class GameSorter {
public:
    struct Key {
        GameAttribute attribute;
        bool ascending;
        bool operator==(const Key&) const = default;
    };
    // Counters the context bumps on every change, so cached work can tell it is stale.
    struct Generations {
        quint64 membership = 0;
        std::array<quint64, GameAttributes::kCount> attributes{};
    };

    // The positions in `games` (all records in sequence order) in sorted order.
    const std::vector<quint32>& sorted(const std::vector<Game*>& games,
                                       const std::vector<Key>& keys,
                                       const Generations& generations);

    // Sorts a few records in place, in the same order sorted() would put them, without
    // building or touching the cached orders (for fetches that start from an index).
    static void sortFew(std::vector<Game*>& games, const std::vector<Key>& keys);

private:
    struct CachedOrder {
        std::vector<Key> keys;
        quint64 membership = 0;
        std::vector<quint64> attributeGenerations;
        std::vector<quint32> order;
        quint64 lastUse = 0;
    };
    struct RankTable {
        quint64 membership = 0;
        quint64 generation = 0;
        std::vector<quint32> ranks;  // by position; 0 for an absent text
    };

    static constexpr size_t kCachedOrders = 4;

    const std::vector<quint32>& ranks(const std::vector<Game*>& games, GameAttribute attribute,
                                      const Generations& generations);
    std::vector<quint32> sortGames(const std::vector<Game*>& games, const std::vector<Key>& keys,
                                   const Generations& generations);

    std::vector<CachedOrder> cache_;
    std::array<std::optional<RankTable>, GameAttributes::kCount> ranks_;
    quint64 useCounter_ = 0;
};
