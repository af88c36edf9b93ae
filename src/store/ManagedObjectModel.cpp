#include "ManagedObjectModel.h"

using namespace Qt::Literals::StringLiterals;

const QString ManagedObjectModel::kGameEntityName = u"Game"_s;

std::shared_ptr<ManagedObjectModel> ManagedObjectModel::mergedModelFromBundles() {
    return std::make_shared<ManagedObjectModel>();
}

QList<GameAttributeInfo> ManagedObjectModel::attributesForEntity(const QString& entityName) const {
    return hasEntity(entityName) ? GameAttributes::all() : QList<GameAttributeInfo>();
}

QString ManagedObjectModel::description() const {
    QStringList names;
    for (const GameAttributeInfo& info : GameAttributes::all()) {
        names.append(info.name);
    }
    return u"<ManagedObjectModel: Game (%1)>"_s.arg(names.join(u", "_s));
}
