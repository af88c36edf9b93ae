#pragma once

#include <QList>
#include <QString>
#include <optional>

#include "Predicate.h"
#include "SortDescriptor.h"

// What to fetch: an entity ("Game"), an optional predicate (none matches every record), sort
// keys applied in order (records equal on all keys keep their insertion order) and a batch size
// hint, which this store ignores since it answers from memory. A value type.
class FetchRequest {
public:
    FetchRequest() = default;

    void setEntityName(const QString& entityName) { entityName_ = entityName; }
    const QString& entityName() const { return entityName_; }
    void setPredicate(std::optional<Predicate> predicate) { predicate_ = std::move(predicate); }
    const std::optional<Predicate>& predicate() const { return predicate_; }
    void setSortDescriptors(const QList<SortDescriptor>& sortDescriptors) {
        sortDescriptors_ = sortDescriptors;
    }
    const QList<SortDescriptor>& sortDescriptors() const { return sortDescriptors_; }
    void setFetchBatchSize(int fetchBatchSize) { fetchBatchSize_ = fetchBatchSize; }
    int fetchBatchSize() const { return fetchBatchSize_; }

    // "<FetchRequest: entity Game, predicate ..., sort ((releaseDate, descending), ...)>"
    QString description() const;

private:
    QString entityName_;
    std::optional<Predicate> predicate_;
    QList<SortDescriptor> sortDescriptors_;
    int fetchBatchSize_ = 0;
};
