#pragma once

#include <QObject>
#include <QString>
#include <memory>

#include "PullFetchedRequestPullFetchedRequestMaker.h"

class Game;
class ManagedObjectContext;
class ManagedObjectModel;

// The catalogue controller: counts, finds and saves games in the shared store, and keeps the
// catalogue current. Borrows the context and model from the application delegate and owns its
// own query builder, whose two id filters it sets before every query. Main thread only.
class UpdateController : public QObject {
    Q_OBJECT
public:
    static std::unique_ptr<UpdateController> updateControllerWithContext(
        ManagedObjectContext* context, ManagedObjectModel* andModel);
    UpdateController(ManagedObjectContext* context, ManagedObjectModel* andModel);
    ~UpdateController() override;

    // Installs the shipped catalogue when needed, then asks for the day's update.
    void updateGames();

    // Every Game record, or -99 when the query fails.
    int getGameCountFromEntity();
    // The one game with that id; nothing for no match, several matches, a failed query, or an
    // empty or absent id.
    Game* getGameFromEntityWithCriticonID(const QString& criticonId);
    Game* getGameFromEntityWithPlaybaseID(const QString& playbaseId);
    // Saves the context when it has changes; a failure is logged and the changes stay.
    void saveChanges();

    ManagedObjectContext* managedObjectContext() const { return managedObjectContext_; }
    ManagedObjectModel* managedObjectModel() const { return managedObjectModel_; }
    PullFetchedRequestPullFetchedRequestMaker* requestMaker() const { return requestMaker_.get(); }

private:
    // The games matching the builder's current filters, or nothing after logging `failure`.
    std::optional<QList<Game*>> runQuery(const QString& failure);
    Game* lookup(const QString& criticonId, const QString& playbaseId, const QString& failure);

    ManagedObjectContext* managedObjectContext_;
    ManagedObjectModel* managedObjectModel_;
    std::unique_ptr<PullFetchedRequestPullFetchedRequestMaker> requestMaker_;
};
