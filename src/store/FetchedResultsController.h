#pragma once

#include <QList>
#include <QString>

#include "FetchRequest.h"
#include "StoreError.h"

class Game;
class ManagedObjectContext;

// The result of one fetch request, held for a list: one section, rows by index. Does not own
// the context, which must outlive it. The section key path and the cache name are accepted for
// the callers' sake; the results always form one section and nothing is cached on disk.
// Main thread only.
class FetchedResultsController {
public:
    FetchedResultsController(const FetchRequest& fetchRequest, ManagedObjectContext* context,
                             const QString& sectionNameKeyPath, const QString& cacheName);

    // Runs the request. On failure the previous results stay and `error` says why.
    bool performFetch(StoreError* error);

    const QList<Game*>& fetchedObjects() const { return fetchedObjects_; }
    // nullptr outside 0 ..< numberOfObjects().
    Game* objectAtIndex(int row) const;
    int numberOfObjects() const { return int(fetchedObjects_.size()); }
    int numberOfSections() const { return 1; }

    const FetchRequest& fetchRequest() const { return fetchRequest_; }
    FetchRequest& fetchRequest() { return fetchRequest_; }
    ManagedObjectContext* managedObjectContext() const { return context_; }
    const QString& sectionNameKeyPath() const { return sectionNameKeyPath_; }
    const QString& cacheName() const { return cacheName_; }

private:
    FetchRequest fetchRequest_;
    ManagedObjectContext* context_;
    QString sectionNameKeyPath_;
    QString cacheName_;
    QList<Game*> fetchedObjects_;
};
