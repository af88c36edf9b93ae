#include "FetchedResultsController.h"

#include "ManagedObjectContext.h"

using namespace Qt::Literals::StringLiterals;

FetchedResultsController::FetchedResultsController(const FetchRequest& fetchRequest,
                                                   ManagedObjectContext* context,
                                                   const QString& sectionNameKeyPath,
                                                   const QString& cacheName)
    : fetchRequest_(fetchRequest),
      context_(context),
      sectionNameKeyPath_(sectionNameKeyPath),
      cacheName_(cacheName) {}

bool FetchedResultsController::performFetch(StoreError* error) {
    if (!context_) {
        if (error) {
            *error = StoreError::make(StoreError::NoStore, u"No context to fetch from"_s);
        }
        return false;
    }
    std::optional<QList<Game*>> result = context_->executeFetchRequest(fetchRequest_, error);
    if (!result) {
        return false;
    }
    fetchedObjects_ = std::move(*result);
    return true;
}

Game* FetchedResultsController::objectAtIndex(int row) const {
    return row >= 0 && row < fetchedObjects_.size() ? fetchedObjects_[row] : nullptr;
}
