#include "Sectioner.h"

#include <QDate>
#include <array>
#include <cmath>
#include <limits>

#include "DateFunctions.h"
#include "FetchedResultsController.h"
#include "Game.h"
#include "MyLog.h"
#include "PullFetchedRequestPullFetchedRequestMaker.h"

using namespace Qt::Literals::StringLiterals;
using DF = DateFunctions;

namespace {

constexpr int kSortByScore = 0;
constexpr int kSortByDate = 1;
constexpr int kNewestFirst = 1;

// Release bands: d, the whole days from today to the release day, belongs to the last band
// whose first day it reaches. Past bounds belong to the older band, future ones to the nearer.
struct DateBand {
    int firstDay;
    int type;
};
constexpr std::array<DateBand, 15> kDateBands{{{std::numeric_limits<int>::min(), -100000},
                                               {-730, -730},
                                               {-365, -365},
                                               {-90, -90},
                                               {-60, -60},
                                               {-30, -30},
                                               {-7, -7},
                                               {0, 0},
                                               {1, 7},
                                               {8, 30},
                                               {31, 60},
                                               {61, 90},
                                               {91, 365},
                                               {366, 730},
                                               {731, 100000}}};

// The release band of an instant, looked up without calendar work per game. d only grows with
// the release day, and the release day with the instant, so each band is one range of
// instants starting at the local midnight of its first day; those starts are found once per
// run with the same day arithmetic a per-game computation would use, which keeps the
// truncated day counts around daylight-saving changes.
class DateBands {
public:
    explicit DateBands(const QDateTime& today) {
        starts_[0] = std::numeric_limits<qint64>::min();
        for (size_t band = 1; band < kDateBands.size(); ++band) {
            starts_[band] = firstInstantReaching(kDateBands[band].firstDay, today);
        }
        tomorrowStart_ = firstInstantAfterDay(today);
    }

    int typeOf(qint64 msecs) {
        // Sorted input stays in one band for long runs.
        if (msecs < currentStart_ || msecs >= currentEnd_) {
            size_t band = kDateBands.size() - 1;
            while (starts_[band] > msecs) {
                --band;
            }
            currentStart_ = starts_[band];
            currentEnd_ = band + 1 < kDateBands.size() ? starts_[band + 1]
                                                       : std::numeric_limits<qint64>::max();
            currentType_ = kDateBands[band].type;
        }
        return currentType_;
    }

    // Whether the instant's day lies strictly after today.
    bool isAfterToday(qint64 msecs) const { return msecs >= tomorrowStart_; }

private:
    // A day k days away is k-1, k or k+1 days off once daylight saving is counted, so the
    // walk from k-3 crosses the bound within a few steps; the step limit only guards against
    // a calendar that has no such day.
    static qint64 firstInstantReaching(int days, const QDateTime& today) {
        return firstDayStart(today.date().addDays(days - 3), [&](const QDateTime& start) {
            return DF::getDaysDifferenceBetween(start, today) >= days;
        });
    }

    static qint64 firstInstantAfterDay(const QDateTime& today) {
        return firstDayStart(today.date().addDays(1), [&](const QDateTime& start) {
            return DF::isDateAfterDate(start, today);
        });
    }

    template <class Reached>
    static qint64 firstDayStart(QDate day, Reached reached) {
        QDateTime start = day.startOfDay(Qt::LocalTime);
        for (int step = 0; step < 8 && !reached(start); ++step) {
            day = day.addDays(1);
            start = day.startOfDay(Qt::LocalTime);
        }
        return start.toMSecsSinceEpoch();
    }

    std::array<qint64, kDateBands.size()> starts_{};
    qint64 tomorrowStart_ = 0;
    qint64 currentStart_ = 0;
    qint64 currentEnd_ = 0;  // empty until the first lookup
    int currentType_ = 0;
};

}  // namespace

std::unique_ptr<Sectioner> Sectioner::sectionerWithSectionArray(
    std::shared_ptr<SectionArray> sectionArray,
    PullFetchedRequestPullFetchedRequestMaker* requestMaker) {
    return std::make_unique<Sectioner>(std::move(sectionArray), requestMaker);
}

Sectioner::Sectioner(std::shared_ptr<SectionArray> sectionArray,
                     PullFetchedRequestPullFetchedRequestMaker* requestMaker)
    : sectionArray_(std::move(sectionArray)), requestMaker_(requestMaker) {}

int Sectioner::scoreSectionType(const Game& game) {
    float score = game.myScore().value_or(0.0f);
    if (score == 0.0f || std::isnan(score)) {
        score = game.scoreCritic().value_or(0.0f);
    }
    if (score == 0.0f || std::isnan(score) || score > 5.0f) {
        return 900000;
    }
    if (score < 1.5f) {
        return 910000;
    }
    if (score == 5.0f) {
        return 950000;
    }
    // 1.5 ..< 2 is 915000, 2 ..< 2.5 is 920000, and so on in half stars.
    return 900000 + 5000 * int(std::floor(score * 2.0f));
}

std::optional<IndexPath> Sectioner::setSectionArrayWitResults(
    const FetchedResultsController& results) {
    return setSectionArrayWitResults(results.fetchedObjects());
}

std::optional<IndexPath> Sectioner::setSectionArrayWitResults(const QList<Game*>& games) {
    if (!sectionArray_) {
        MYLOG(u"sectioner: no section array to fill"_s);
        return std::nullopt;
    }
    const QDateTime today = DF::getToday();
    const int sortType = requestMaker_ ? requestMaker_->sortType() : -1;
    const bool newestFirst = requestMaker_ && requestMaker_->sortDirection() == kNewestFirst;
    const bool byDate = sortType == kSortByDate;
    std::optional<DateBands> bands;
    if (byDate) {
        bands.emplace(today);
    }

    std::optional<IndexPath> target;
    SectionTotal* current = nullptr;
    int section = -1;
    int row = -1;
    for (const Game* game : games) {
        int type = SectionTotal::kTypeNotApplicable;
        std::optional<qint64> released;
        if (byDate) {
            released = game->dateMsecs(GameAttribute::releaseDate);
            type = released ? bands->typeOf(*released) : SectionTotal::kTypeNoReleaseDate;
        } else if (sortType == kSortByScore) {
            type = scoreSectionType(*game);
        }
        if (current == nullptr || current->type() != type) {
            sectionArray_->append(SectionTotal::sectionTotalForType(type));
            current = &sectionArray_->last();
            ++section;
            row = -1;
        }
        current->setCount(current->count() + 1);
        ++row;
        // Undated games are never the upcoming release.
        if (released && bands->isAfterToday(*released) && (newestFirst || !target)) {
            target = IndexPath::indexPathForRow(qMax(row, 0), qMax(section, 0));
        }
    }
    return target;
}
