#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

#include "GameAttribute.h"

// The store's schema: one entity, "Game", whose attributes are GameAttributes::all().
// Immutable; shared by the application delegate, the coordinator and the query builders.
class ManagedObjectModel {
public:
    static const QString kGameEntityName;  // "Game"

    // The model the program's records are built from (the same every call).
    static std::shared_ptr<ManagedObjectModel> mergedModelFromBundles();

    ManagedObjectModel() = default;

    QStringList entityNames() const { return {kGameEntityName}; }
    bool hasEntity(const QString& entityName) const { return entityName == kGameEntityName; }
    // The attributes of the entity; empty for an unknown entity.
    QList<GameAttributeInfo> attributesForEntity(const QString& entityName) const;
    QString description() const;
};
