#include "GameAttribute.h"

#include <QHash>

// Builds the shared lists from GameAttributes::kTable once.
class GameAttributeTable {
public:
    static QList<GameAttributeInfo> build() {
        QList<GameAttributeInfo> table;
        for (int i = 0; i < GameAttributes::kCount; ++i) {
            const auto attribute = GameAttribute(i);
            const QString name = QString::fromUtf16(GameAttributes::kTable[i].name);
            table.append({attribute, name, GameAttributes::typeOf(attribute), name,
                          GameAttributes::slotOf(attribute),
                          GameAttributes::foldSlotOf(attribute)});
        }
        return table;
    }
};

const QList<GameAttributeInfo>& GameAttributes::all() {
    static const QList<GameAttributeInfo> table = GameAttributeTable::build();
    return table;
}

std::optional<GameAttribute> GameAttributes::named(const QString& name) {
    static const QHash<QString, GameAttribute> index = [] {
        QHash<QString, GameAttribute> built;
        for (const GameAttributeInfo& info : all()) {
            built.insert(info.name, info.attribute);
        }
        return built;
    }();
    const auto it = index.constFind(name);
    if (it == index.cend()) {
        return std::nullopt;
    }
    return *it;
}

const GameAttributeInfo& GameAttributes::info(GameAttribute attribute) {
    return all()[int(attribute)];
}
