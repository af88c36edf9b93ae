#pragma once

#include <QStringList>

#include "FetchedResultsController.h"
#include "Game.h"

// The titles of a result, in its order, as "first, second, ...".
inline QString titlesOf(const FetchedResultsController* results) {
    QStringList titles;
    for (const Game* game : results->fetchedObjects()) {
        titles.append(game->title());
    }
    return titles.join(QStringLiteral(", "));
}
