#include "PullFetchedRequestPullFetchedRequestMaker.h"

#include <QDateTime>
#include <array>

#include "DateFunctions.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// Codes by filter value; value n selects entry n - 1.
const std::array<QString, 8> kEsrbCodes = {
    u"EVERYONE"_s,        u"R/P"_s,         u"TEEN"_s,        u"MATURE"_s, u"E10+"_s,
    u"EARLY_CHILDHOOD"_s, u"KIDS_ADULTS"_s, u"ADULTS_ONLY"_s,
};
const std::array<QString, 11> kGenreCodes = {
    u"ACTION"_s,  u"FIGHTING"_s,   u"PUZZLE"_s,   u"ADVENTURE"_s, u"RPG"_s, u"SPORTS"_s,
    u"DRIVING"_s, u"SIMULATION"_s, u"STRATEGY"_s, u"FAMILY"_s,    u"FLY"_s,
};

template <size_t N>
std::optional<QString> codeFor(const std::array<QString, N>& codes, int value) {
    if (value < 1 || value > int(N)) {
        return std::nullopt;
    }
    return codes[size_t(value - 1)];
}

}  // namespace

std::unique_ptr<PullFetchedRequestPullFetchedRequestMaker>
PullFetchedRequestPullFetchedRequestMaker::makerWithContext(ManagedObjectContext* context,
                                                            ManagedObjectModel* andModel) {
    return std::make_unique<PullFetchedRequestPullFetchedRequestMaker>(context, andModel);
}

PullFetchedRequestPullFetchedRequestMaker::PullFetchedRequestPullFetchedRequestMaker(
    ManagedObjectContext* context, ManagedObjectModel* andModel)
    : managedObjectContext_(context), managedObjectModel_(andModel) {
    resetToDefaults();
}

void PullFetchedRequestPullFetchedRequestMaker::resetToDefaults() {
    setGenreFilter(0);
    setEsrbFilter(0);
    setReleasedFilter(0);
    setScoreFilter(0);
    setSortType(1);
    setMyFilter(0);
    setSortDirection(1);
    setSearchFilter(QString());
}

FetchRequest PullFetchedRequestPullFetchedRequestMaker::getFetchRequest() const {
    FetchRequest request;
    request.setEntityName(u"Game"_s);

    QList<Predicate> conditions;
    for (const std::optional<Predicate>& condition :
         {getGenrePredicate(), getESRBPredicate(), getReleasedPredicate(), getScorePredicate(),
          getIdCriticonPredicate(), getIdPlaybasePredicate(), getMyPredicate(),
          getSearchPredicate()}) {
        if (condition) {
            conditions.append(*condition);
        }
    }
    if (!conditions.isEmpty()) {
        request.setPredicate(Predicate::andPredicateWithSubpredicates(conditions));
    }
    request.setSortDescriptors(getSortDescriptorArray());
    request.setFetchBatchSize(kFetchBatchSize);
    return request;
}

QList<SortDescriptor> PullFetchedRequestPullFetchedRequestMaker::getSortDescriptorArray() const {
    QList<SortDescriptor> sorts;
    const bool ascending = sortDirection_ == 0;
    sorts.append(SortDescriptor(sortType_ == 0 ? u"scoreDisplay"_s : u"releaseDate"_s, ascending));
    if (sortType_ != 1) {
        sorts.append(SortDescriptor(u"releaseDate"_s, false));
    }
    sorts.append(SortDescriptor(u"title"_s, true));
    return sorts;
}

std::optional<Predicate> PullFetchedRequestPullFetchedRequestMaker::getGenrePredicate() const {
    const std::optional<QString> code = codeFor(kGenreCodes, genreFilter_);
    if (!code) {
        return std::nullopt;
    }
    return Predicate::predicateWithFormat(u"(genreCode == %@)"_s, {*code});
}

std::optional<Predicate> PullFetchedRequestPullFetchedRequestMaker::getESRBPredicate() const {
    const std::optional<QString> code = codeFor(kEsrbCodes, esrbFilter_);
    if (!code) {
        return std::nullopt;
    }
    return Predicate::predicateWithFormat(u"(esrbCode == %@)"_s, {*code});
}

std::optional<Predicate> PullFetchedRequestPullFetchedRequestMaker::getReleasedPredicate() const {
    int days = 0;
    switch (releasedFilter_) {
        case 1:
            return Predicate::predicateWithFormat(u"(releaseDate > %@)"_s,
                                                  {DateFunctions::getNow()});
        case 2:
            days = 90;
            break;
        case 3:
            days = 180;
            break;
        case 4:
            days = 365;
            break;
        default:
            return std::nullopt;
    }
    const QDateTime lower = DateFunctions::getDateBySubtractingDays(days, DateFunctions::getNow());
    return Predicate::predicateWithFormat(u"(releaseDate > %@ AND releaseDate <= %@)"_s,
                                          {lower, DateFunctions::getNow()});
}

std::optional<Predicate> PullFetchedRequestPullFetchedRequestMaker::getScorePredicate() const {
    // Value 1 is the strictest: it asks for a critic score of 5.
    if (scoreFilter_ < 1 || scoreFilter_ > 5) {
        return std::nullopt;
    }
    return Predicate::predicateWithFormat(u"(scoreCritic >= %1)"_s.arg(6 - scoreFilter_));
}

std::optional<Predicate> PullFetchedRequestPullFetchedRequestMaker::getIdCriticonPredicate() const {
    if (filterIdCriticon_.isEmpty()) {
        return std::nullopt;
    }
    return Predicate::predicateWithFormat(u"(idCriticon == %@)"_s, {filterIdCriticon_});
}

std::optional<Predicate> PullFetchedRequestPullFetchedRequestMaker::getIdPlaybasePredicate() const {
    if (filterIdPlaybase_.isEmpty()) {
        return std::nullopt;
    }
    return Predicate::predicateWithFormat(u"(idPlaybase == %@)"_s, {filterIdPlaybase_});
}

std::optional<Predicate> PullFetchedRequestPullFetchedRequestMaker::getMyPredicate() const {
    switch (myFilter_) {
        case 1:
            return Predicate::predicateWithFormat(u"(myIsWished == 1)"_s);
        case 2:
            return Predicate::predicateWithFormat(u"(myIsPlayed == 1)"_s);
        case 3:
            return Predicate::predicateWithFormat(u"(myScore > 0)"_s);
        default:
            return std::nullopt;
    }
}

std::optional<Predicate> PullFetchedRequestPullFetchedRequestMaker::getSearchPredicate() const {
    if (searchFilter_.isEmpty()) {
        return std::nullopt;
    }
    return Predicate::predicateWithFormat(
        u"(title contains[cd] %@) OR (gameDescription contains[cd] %@) OR "
        u"(genreDescription contains[cd] %@)"_s,
        {searchFilter_, searchFilter_, searchFilter_});
}
