#pragma once

#include <QList>
#include <QString>
#include <optional>

#include "FetchRequest.h"
#include "Predicate.h"
#include "SortDescriptor.h"

class ManagedObjectContext;
class ManagedObjectModel;

// Turns the game list's filters and sort choice into one query over the Game records. A
// long-lived, mutable object: its owner changes one field at a time and asks for a fresh query
// whenever the list is refetched; building a query never changes a field. Integer filters use
// 0 for "no condition"; an absent or empty string adds no condition. The release windows read
// the clock when the query is built. Main thread only; the context and model are not owned.
class PullFetchedRequestPullFetchedRequestMaker {
public:
    static constexpr int kFetchBatchSize = 20;

    static std::unique_ptr<PullFetchedRequestPullFetchedRequestMaker> makerWithContext(
        ManagedObjectContext* context, ManagedObjectModel* andModel);
    PullFetchedRequestPullFetchedRequestMaker(ManagedObjectContext* context,
                                              ManagedObjectModel* andModel);

    // Filters and sort back to their defaults; the two outside-id filters are left as they are.
    void resetToDefaults();

    FetchRequest getFetchRequest() const;
    QList<SortDescriptor> getSortDescriptorArray() const;

    std::optional<Predicate> getGenrePredicate() const;
    std::optional<Predicate> getESRBPredicate() const;
    std::optional<Predicate> getReleasedPredicate() const;
    std::optional<Predicate> getScorePredicate() const;
    std::optional<Predicate> getIdCriticonPredicate() const;
    std::optional<Predicate> getIdPlaybasePredicate() const;
    std::optional<Predicate> getMyPredicate() const;
    std::optional<Predicate> getSearchPredicate() const;

    ManagedObjectContext* managedObjectContext() const { return managedObjectContext_; }
    ManagedObjectModel* managedObjectModel() const { return managedObjectModel_; }

    int genreFilter() const { return genreFilter_; }
    void setGenreFilter(int value) { genreFilter_ = value; }
    int esrbFilter() const { return esrbFilter_; }
    void setEsrbFilter(int value) { esrbFilter_ = value; }
    int releasedFilter() const { return releasedFilter_; }
    void setReleasedFilter(int value) { releasedFilter_ = value; }
    int scoreFilter() const { return scoreFilter_; }
    void setScoreFilter(int value) { scoreFilter_ = value; }
    int myFilter() const { return myFilter_; }
    void setMyFilter(int value) { myFilter_ = value; }
    int sortType() const { return sortType_; }
    void setSortType(int value) { sortType_ = value; }
    int sortDirection() const { return sortDirection_; }
    void setSortDirection(int value) { sortDirection_ = value; }
    QString filterIdCriticon() const { return filterIdCriticon_; }
    void setFilterIdCriticon(const QString& value) { filterIdCriticon_ = value; }
    QString filterIdPlaybase() const { return filterIdPlaybase_; }
    void setFilterIdPlaybase(const QString& value) { filterIdPlaybase_ = value; }
    QString searchFilter() const { return searchFilter_; }
    void setSearchFilter(const QString& value) { searchFilter_ = value; }

private:
    ManagedObjectContext* managedObjectContext_;
    ManagedObjectModel* managedObjectModel_;
    int genreFilter_ = 0;
    int esrbFilter_ = 0;
    int releasedFilter_ = 0;
    int scoreFilter_ = 0;
    int myFilter_ = 0;
    int sortType_ = 1;
    int sortDirection_ = 1;
    QString filterIdCriticon_;
    QString filterIdPlaybase_;
    QString searchFilter_;
};
