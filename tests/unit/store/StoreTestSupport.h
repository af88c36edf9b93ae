#pragma once

#include <QStringList>

#include "FetchRequest.h"
#include "Game.h"
#include "ManagedObjectContext.h"
#include "SqliteConnection.h"
#include "TestStore.h"

// The store file inside the test's own data home.
inline QString storePath() {
    return TestStore::homeStorePath();
}

inline FetchRequest gameRequest(std::optional<Predicate> predicate = std::nullopt,
                                const QList<SortDescriptor>& sorts = {}) {
    FetchRequest request;
    request.setEntityName(QStringLiteral("Game"));
    request.setPredicate(std::move(predicate));
    request.setSortDescriptors(sorts);
    return request;
}

inline QStringList fetchTitles(ManagedObjectContext& context,
                               std::optional<Predicate> predicate = std::nullopt,
                               const QList<SortDescriptor>& sorts = {}) {
    const auto games =
        context.executeFetchRequest(gameRequest(std::move(predicate), sorts), nullptr);
    QStringList titles;
    for (const Game* game : games.value_or(QList<Game*>{nullptr})) {
        titles.append(game ? game->title() : QStringLiteral("<fetch failed>"));
    }
    return titles;
}

// Column 0 of the first row of `sql` on the store file, read through a connection of its own
// (what another program sees); null when there is none.
inline QVariant storeValue(const QString& sql) {
    SqliteConnection raw(storePath());
    return raw.execAndGet(sql);
}
