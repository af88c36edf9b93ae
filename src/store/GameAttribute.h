#pragma once

#include <QList>
#include <QString>
#include <optional>

// The attributes of a Game record, in the record's own order.
enum class GameAttribute {
    title,
    scoreCriticon,
    scoreCritic,
    scoreUsers,
    idCriticon,
    idPlaybase,
    platformCode,
    genreCode,
    esrbCode,
    platformDescription,
    genreDescription,
    esrbDescription,
    urlBoxArt,
    urlCriticonLink,
    urlPlaybaseLink,
    gameDescription,
    releaseDate,
    developer,
    publisher,
    scoreDisplay,
    myScore,
    myIsWished,
    myIsPlayed,
    myReview,
    createdTimestamp
};

// Float: 32-bit; Flag: an integer (0 or 1); Date: an instant, kept as msecs since the epoch.
enum class AttributeType { String, Float, Flag, Date };

struct GameAttributeInfo {
    GameAttribute attribute;
    QString name;  // the key of predicates and sort descriptors
    AttributeType type;
    QString columnName;  // the column of the store's Game table
    int slot;            // position among the attributes of the same type inside a Game
    int foldSlot;        // position of the cached folded text, -1 for uncached attributes
};

// The one attribute table of the system: the store's columns, the predicates' keys and the
// sort keys are all read from it. Immutable; any thread may read it.
class GameAttributes {
public:
    static constexpr int kCount = 25;

    static const QList<GameAttributeInfo>& all();
    static std::optional<GameAttribute> named(const QString& name);
    static const GameAttributeInfo& info(GameAttribute attribute);

    static constexpr AttributeType typeOf(GameAttribute attribute) {
        return kTable[int(attribute)].type;
    }
    // Storage position among the attributes of the same type.
    static constexpr int slotOf(GameAttribute attribute) {
        int slot = 0;
        for (int i = 0; i < int(attribute); ++i) {
            slot += kTable[i].type == typeOf(attribute) ? 1 : 0;
        }
        return slot;
    }
    static constexpr int countOf(AttributeType type) {
        int count = 0;
        for (const Row& row : kTable) {
            count += row.type == type ? 1 : 0;
        }
        return count;
    }
    // The searched texts (title, gameDescription, genreDescription) keep a folded copy on
    // each record; every other attribute answers -1.
    static constexpr int foldSlotOf(GameAttribute attribute) {
        switch (attribute) {
            case GameAttribute::title:
                return 0;
            case GameAttribute::gameDescription:
                return 1;
            case GameAttribute::genreDescription:
                return 2;
            default:
                return -1;
        }
    }
    static constexpr int kFoldSlotCount = 3;

private:
    static constexpr AttributeType S = AttributeType::String;
    static constexpr AttributeType F = AttributeType::Float;
    static constexpr AttributeType B = AttributeType::Flag;
    static constexpr AttributeType D = AttributeType::Date;
    struct Row {
        const char16_t* name;  // also the column name
        AttributeType type;
    };
    // In GameAttribute order.
    static constexpr Row kTable[kCount] = {
        {u"title", S},
        {u"scoreCriticon", F},
        {u"scoreCritic", F},
        {u"scoreUsers", F},
        {u"idCriticon", S},
        {u"idPlaybase", S},
        {u"platformCode", S},
        {u"genreCode", S},
        {u"esrbCode", S},
        {u"platformDescription", S},
        {u"genreDescription", S},
        {u"esrbDescription", S},
        {u"urlBoxArt", S},
        {u"urlCriticonLink", S},
        {u"urlPlaybaseLink", S},
        {u"gameDescription", S},
        {u"releaseDate", D},
        {u"developer", S},
        {u"publisher", S},
        {u"scoreDisplay", F},
        {u"myScore", F},
        {u"myIsWished", B},
        {u"myIsPlayed", B},
        {u"myReview", S},
        {u"createdTimestamp", D},
    };
    friend class GameAttributeTable;
};
