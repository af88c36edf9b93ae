#include "UpdateController.h"

#include "FetchedResultsController.h"
#include "Game.h"
#include "ManagedObjectContext.h"
#include "MyLog.h"
#include "StoreError.h"

using namespace Qt::Literals::StringLiterals;

std::unique_ptr<UpdateController> UpdateController::updateControllerWithContext(
    ManagedObjectContext* context, ManagedObjectModel* andModel) {
    return std::make_unique<UpdateController>(context, andModel);
}

UpdateController::UpdateController(ManagedObjectContext* context, ManagedObjectModel* andModel)
    : managedObjectContext_(context),
      managedObjectModel_(andModel),
      requestMaker_(
          PullFetchedRequestPullFetchedRequestMaker::makerWithContext(context, andModel)) {}

UpdateController::~UpdateController() = default;

void UpdateController::updateGames() {
    // The shipped catalogue and the daily web update arrive with the catalogue work.
}

std::optional<QList<Game*>> UpdateController::runQuery(const QString& failure) {
    FetchedResultsController results(requestMaker_->getFetchRequest(), managedObjectContext_,
                                     QString(), u"Root"_s);
    StoreError error;
    if (!managedObjectContext_ || !results.performFetch(&error)) {
        MYLOG(failure, error, error.userInfo);
        return std::nullopt;
    }
    return results.fetchedObjects();
}

int UpdateController::getGameCountFromEntity() {
    requestMaker_->setFilterIdCriticon(QString());
    requestMaker_->setFilterIdPlaybase(QString());
    const std::optional<QList<Game*>> games =
        runQuery(u"getGameCountFromEntity: Unresolved error %@, %@"_s);
    return games ? int(games->size()) : -99;
}

Game* UpdateController::lookup(const QString& criticonId, const QString& playbaseId,
                               const QString& failure) {
    // An empty id would add no condition and match every game: a one-game store would then
    // hand back an unrelated record to be overwritten.
    if (criticonId.isEmpty() && playbaseId.isEmpty()) {
        return nullptr;
    }
    requestMaker_->setFilterIdCriticon(criticonId);
    requestMaker_->setFilterIdPlaybase(playbaseId);
    const std::optional<QList<Game*>> games = runQuery(failure);
    return games && games->size() == 1 ? games->first() : nullptr;
}

Game* UpdateController::getGameFromEntityWithCriticonID(const QString& criticonId) {
    return lookup(criticonId, QString(),
                  u"getGameFromEntityWithCriticonID: Unresolved error %@, %@"_s);
}

Game* UpdateController::getGameFromEntityWithPlaybaseID(const QString& playbaseId) {
    return lookup(QString(), playbaseId,
                  u"getGameFromEntityWithPlaybaseID: Unresolved error %@, %@"_s);
}

void UpdateController::saveChanges() {
    if (!managedObjectContext_ || !managedObjectContext_->hasChanges()) {
        return;
    }
    StoreError error;
    if (!managedObjectContext_->save(&error)) {
        MYLOG(u"save Changes: Unresolved error %@, %@"_s, error, error.userInfo);
    }
}
