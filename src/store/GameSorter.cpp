#include "GameSorter.h"

#include <algorithm>
#include <cstring>

#include "Game.h"

namespace {

// Absent is 0, below every value; descending keys are inverted, which puts absent last.
quint64 floatWord(std::optional<float> value) {
    if (!value) {
        return 0;
    }
    const float number = *value == 0.0f ? 0.0f : *value;  // -0 sorts with 0
    quint32 bits = 0;
    std::memcpy(&bits, &number, sizeof bits);
    bits = (bits & 0x80000000u) ? ~bits : (bits | 0x80000000u);
    return quint64(bits) + 1;
}

quint64 flagWord(std::optional<int> value) {
    return value ? quint64(quint32(*value) ^ 0x80000000u) + 1 : 0;
}

quint64 dateWord(std::optional<qint64> value) {
    if (!value) {
        return 0;
    }
    const quint64 word = quint64(*value) ^ (quint64(1) << 63);
    return std::max<quint64>(word, 1);
}

// The first four UTF-16 code units, so most comparisons of the rank sort stay in registers.
quint64 prefixWord(const QString& text) {
    quint64 word = 0;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < 4; ++i) {
        word = (word << 16) | (i < size ? text[i].unicode() : 0);
    }
    return word;
}

template <size_t W>
struct Entry {
    std::array<quint64, W> words;  // the last word is the record's position
    bool operator<(const Entry& other) const { return words < other.words; }
};

template <size_t W>
void sortFixed(const std::vector<quint64>& words, size_t count, std::vector<quint32>& order) {
    std::vector<Entry<W>> entries(count);
    for (size_t i = 0; i < count; ++i) {
        std::memcpy(entries[i].words.data(), &words[i * W], W * sizeof(quint64));
    }
    std::sort(entries.begin(), entries.end());
    for (size_t i = 0; i < count; ++i) {
        order[i] = quint32(entries[i].words[W - 1]);
    }
}

void sortAnyWidth(const std::vector<quint64>& words, size_t width, std::vector<quint32>& order) {
    std::sort(order.begin(), order.end(), [&](quint32 a, quint32 b) {
        return std::lexicographical_compare(&words[a * width], &words[a * width + width],
                                            &words[b * width], &words[b * width + width]);
    });
}

}  // namespace

const std::vector<quint32>& GameSorter::ranks(const std::vector<Game*>& games,
                                              GameAttribute attribute,
                                              const Generations& generations) {
    std::optional<RankTable>& table = ranks_[int(attribute)];
    const quint64 generation = generations.attributes[int(attribute)];
    if (table && table->membership == generations.membership && table->generation == generation) {
        return table->ranks;
    }
    const int slot = GameAttributes::slotOf(attribute);
    const size_t count = games.size();
    std::vector<std::pair<quint64, quint32>> present;
    present.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        const QString& text = games[i]->strings_[slot];
        if (!text.isNull()) {
            present.emplace_back(prefixWord(text), quint32(i));
        }
    }
    std::sort(present.begin(), present.end(), [&](const auto& a, const auto& b) {
        if (a.first != b.first) {
            return a.first < b.first;
        }
        return games[a.second]->strings_[slot] < games[b.second]->strings_[slot];
    });
    table = RankTable{};  // not emplace(): Clang cannot default-construct it within the class
    table->membership = generations.membership;
    table->generation = generation;
    table->ranks.assign(count, 0);
    quint32 rank = 0;
    const QString* previous = nullptr;
    for (const auto& [prefix, position] : present) {
        const QString& text = games[position]->strings_[slot];
        if (!previous || *previous != text) {
            ++rank;
            previous = &text;
        }
        table->ranks[position] = rank;
    }
    return table->ranks;
}

void GameSorter::sortFew(std::vector<Game*>& games, const std::vector<Key>& keys) {
    const auto word = [](const Game* game, GameAttribute attribute) -> quint64 {
        const int slot = GameAttributes::slotOf(attribute);
        switch (GameAttributes::typeOf(attribute)) {
            case AttributeType::Float:
                return floatWord(game->floats_[slot]);
            case AttributeType::Flag:
                return flagWord(game->flags_[slot]);
            case AttributeType::Date:
                return dateWord(game->dates_[slot]);
            case AttributeType::String:
                break;
        }
        return 0;
    };
    std::sort(games.begin(), games.end(), [&](const Game* a, const Game* b) {
        for (const Key& key : keys) {
            int order = 0;
            if (GameAttributes::typeOf(key.attribute) == AttributeType::String) {
                // Absent before every text, as the ranks put it.
                const QString left = a->stringValue(key.attribute);
                const QString right = b->stringValue(key.attribute);
                order = left.isNull() || right.isNull()
                            ? int(!left.isNull()) - int(!right.isNull())
                            : QString::compare(left, right, Qt::CaseSensitive);
            } else {
                const quint64 left = word(a, key.attribute);
                const quint64 right = word(b, key.attribute);
                order = left < right ? -1 : (left > right ? 1 : 0);
            }
            if (order != 0) {
                return key.ascending ? order < 0 : order > 0;
            }
        }
        return a->index_ < b->index_;
    });
}

std::vector<quint32> GameSorter::sortGames(const std::vector<Game*>& games,
                                           const std::vector<Key>& keys,
                                           const Generations& generations) {
    const size_t count = games.size();
    const size_t width = keys.size() + 1;
    std::vector<quint64> words(count * width);
    for (size_t k = 0; k < keys.size(); ++k) {
        const GameAttribute attribute = keys[k].attribute;
        const int slot = GameAttributes::slotOf(attribute);
        const quint64 invert = keys[k].ascending ? 0 : ~quint64(0);
        switch (GameAttributes::typeOf(attribute)) {
            case AttributeType::String: {
                const std::vector<quint32>& rank = ranks(games, attribute, generations);
                for (size_t i = 0; i < count; ++i) {
                    words[i * width + k] = quint64(rank[i]) ^ invert;
                }
                break;
            }
            case AttributeType::Float:
                for (size_t i = 0; i < count; ++i) {
                    words[i * width + k] = floatWord(games[i]->floats_[slot]) ^ invert;
                }
                break;
            case AttributeType::Flag:
                for (size_t i = 0; i < count; ++i) {
                    words[i * width + k] = flagWord(games[i]->flags_[slot]) ^ invert;
                }
                break;
            case AttributeType::Date:
                for (size_t i = 0; i < count; ++i) {
                    words[i * width + k] = dateWord(games[i]->dates_[slot]) ^ invert;
                }
                break;
        }
    }
    for (size_t i = 0; i < count; ++i) {
        words[i * width + keys.size()] = i;
    }
    std::vector<quint32> order(count);
    switch (width) {
        case 1:
            for (size_t i = 0; i < count; ++i) {
                order[i] = quint32(i);
            }
            break;
        case 2:
            sortFixed<2>(words, count, order);
            break;
        case 3:
            sortFixed<3>(words, count, order);
            break;
        case 4:
            sortFixed<4>(words, count, order);
            break;
        default:
            for (size_t i = 0; i < count; ++i) {
                order[i] = quint32(i);
            }
            sortAnyWidth(words, width, order);
            break;
    }
    return order;
}

const std::vector<quint32>& GameSorter::sorted(const std::vector<Game*>& games,
                                               const std::vector<Key>& keys,
                                               const Generations& generations) {
    ++useCounter_;
    const auto fresh = [&](const CachedOrder& cached) {
        if (cached.keys != keys || cached.membership != generations.membership) {
            return false;
        }
        for (size_t k = 0; k < keys.size(); ++k) {
            if (cached.attributeGenerations[k] != generations.attributes[int(keys[k].attribute)]) {
                return false;
            }
        }
        return true;
    };
    for (CachedOrder& cached : cache_) {
        if (fresh(cached)) {
            cached.lastUse = useCounter_;
            return cached.order;
        }
    }
    CachedOrder entry;
    entry.keys = keys;
    entry.membership = generations.membership;
    for (const Key& key : keys) {
        entry.attributeGenerations.push_back(generations.attributes[int(key.attribute)]);
    }
    entry.order = sortGames(games, keys, generations);
    entry.lastUse = useCounter_;
    // Replace a stale order for the same keys, else the least recently used one.
    auto slot = std::find_if(cache_.begin(), cache_.end(),
                             [&](const CachedOrder& cached) { return cached.keys == keys; });
    if (slot == cache_.end() && cache_.size() < kCachedOrders) {
        cache_.push_back(std::move(entry));
        return cache_.back().order;
    }
    if (slot == cache_.end()) {
        slot = std::min_element(
            cache_.begin(), cache_.end(),
            [](const CachedOrder& a, const CachedOrder& b) { return a.lastUse < b.lastUse; });
    }
    *slot = std::move(entry);
    return slot->order;
}
