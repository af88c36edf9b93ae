#pragma once

#include <QStringList>

#include "FetchedResultsController.h"
#include "Game.h"
#include "MetricRecorder.h"

// The metrics written since the last call, as "name@feature; ...".
inline QString metricsTaken(MetricRecorder& metrics) {
    QStringList taken;
    for (const auto& [name, feature] : metrics.take()) {
        taken.append(name + u'@' + feature);
    }
    return taken.join(QStringLiteral("; "));
}

// The titles of a result, in its order, as "first, second, ...".
inline QString titlesOf(const FetchedResultsController* results) {
    QStringList titles;
    for (const Game* game : results->fetchedObjects()) {
        titles.append(game->title());
    }
    return titles.join(QStringLiteral(", "));
}
