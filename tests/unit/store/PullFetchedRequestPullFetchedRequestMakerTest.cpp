#include "PullFetchedRequestPullFetchedRequestMaker.h"

#include <gtest/gtest.h>

#include "DateFunctions.h"
#include "QStringPrinter.h"
#include "ScopedClock.h"
#include "ScopedZone.h"
#include "StoreTestSupport.h"

using namespace Qt::Literals::StringLiterals;

namespace {

class QueryBuilder : public testing::Test {
protected:
    QueryBuilder()
        : zone_("America/New_York"),
          now_(QDateTime(QDate(2009, 3, 5), QTime(12, 0), Qt::LocalTime)),
          clock_(now_),
          maker_(store_.context.get(), store_.model.get()) {}

    // Titles of the games the maker's current query returns, in order.
    QStringList fetchTitles() {
        const FetchRequest request = maker_.getFetchRequest();
        return ::fetchTitles(*store_.context, request.predicate(), request.sortDescriptors());
    }
    QString predicateText() { return maker_.getFetchRequest().predicate()->description(); }

    ScopedZone zone_;
    QDateTime now_;
    ScopedClock clock_;
    TestStore store_;
    PullFetchedRequestPullFetchedRequestMaker maker_;
};

}  // namespace

// Newest first by default; by score, ties go to the newest, then by title, and unscored games
// come last (first when ascending). Other sort values fall back to newest first.
TEST_F(QueryBuilder, SortsByDateOrByScoreWithTiesByNewestThenTitle) {
    store_.add(u"b"_s, now_.addDays(-10), 4.0f);
    store_.add(u"a"_s, now_.addDays(-10), 4.0f);
    store_.add(u"newer"_s, now_.addDays(-1), 4.0f);
    store_.add(u"best"_s, now_.addDays(-300), 5.0f);
    store_.add(u"unscored"_s, now_);
    maker_.setSearchFilter(u""_s);  // an empty search is no search
    EXPECT_FALSE(maker_.getFetchRequest().predicate().has_value());
    const QString newestFirst = u"unscored newer a b best"_s;
    const struct {
        int type;
        int direction;
        QString titles;
    } cases[] = {
        {1, 1, newestFirst},
        {0, 1, u"best newer a b unscored"_s},
        {0, 0, u"unscored newer a b best"_s},
        {1, 0, u"best a b newer unscored"_s},
        {7, 3, newestFirst},
    };
    for (const auto& c : cases) {
        maker_.setSortType(c.type);
        maker_.setSortDirection(c.direction);
        EXPECT_EQ(fetchTitles().join(u' '), c.titles) << c.type << " " << c.direction;
    }
}

TEST_F(QueryBuilder, GenreAndRatingTablesSelectTheirCodes) {
    // Filter values from 1, in order; codes are case-sensitive.
    const QStringList genres =
        u"ACTION FIGHTING PUZZLE ADVENTURE RPG SPORTS DRIVING SIMULATION "
        "STRATEGY FAMILY FLY"_s.split(u' ');
    const QStringList ratings =
        u"EVERYONE R/P TEEN MATURE E10+ EARLY_CHILDHOOD KIDS_ADULTS ADULTS_ONLY"_s.split(u' ');
    for (const QString& code : genres) {
        store_.add(u"g-"_s + code)->setGenreCode(code);
        store_.add(u"g-"_s + code.toLower())->setGenreCode(code.toLower());
    }
    for (const QString& code : ratings) {
        store_.add(u"r-"_s + code)->setEsrbCode(code);
    }
    for (int value = 1; value <= 11; ++value) {
        maker_.setGenreFilter(value);
        EXPECT_EQ(fetchTitles(), QStringList{u"g-"_s + genres[value - 1]}) << value;
        maker_.setGenreFilter(0);
        maker_.setEsrbFilter(value);
        if (value <= 8) {
            EXPECT_EQ(fetchTitles(), QStringList{u"r-"_s + ratings[value - 1]}) << value;
        } else {
            EXPECT_FALSE(maker_.getESRBPredicate().has_value()) << value;  // no such rating
        }
        maker_.setEsrbFilter(0);
    }
    maker_.setEsrbFilter(-1);
    EXPECT_FALSE(maker_.getESRBPredicate().has_value());
}

// Score runs downwards from five (0 and 6 are no condition); a zero score is not rated;
// release windows at their exact bounds, from the time the query is built.
TEST_F(QueryBuilder, FiltersSelectTheirGames) {
    for (const float score : {1.0f, 2.0f, 3.5f, 4.0f, 5.0f}) {
        store_.add(u"s"_s + QString::number(score))->setScoreCritic(score);
    }
    store_.add(u"rated"_s)->setMyScore(2.5f);
    store_.add(u"unrated"_s)->setMyScore(0.0f);
    const QDateTime ninetyBack = DateFunctions::getDateBySubtractingDays(90, now_);
    store_.add(u"now"_s, now_);
    store_.add(u"afterNow"_s, now_.addMSecs(1));
    store_.add(u"back90"_s, ninetyBack);
    store_.add(u"inside90"_s, ninetyBack.addSecs(1));
    store_.add(u"back200"_s, now_.addDays(-200));
    const auto sortedTitles = [&] {
        QStringList titles = fetchTitles();
        titles.sort();
        return titles.join(u' ');
    };
    const QString all = sortedTitles();
    using Maker = PullFetchedRequestPullFetchedRequestMaker;
    const struct {
        void (Maker::*set)(int);
        int value;
        QString titles;  // sorted
    } cases[] = {
        {&Maker::setScoreFilter, 1, u"s5"_s},
        {&Maker::setScoreFilter, 2, u"s4 s5"_s},
        {&Maker::setScoreFilter, 3, u"s3.5 s4 s5"_s},
        {&Maker::setScoreFilter, 4, u"s2 s3.5 s4 s5"_s},
        {&Maker::setScoreFilter, 5, u"s1 s2 s3.5 s4 s5"_s},
        {&Maker::setScoreFilter, 6, all},
        {&Maker::setScoreFilter, 0, all},
        {&Maker::setMyFilter, 3, u"rated"_s},
        {&Maker::setMyFilter, 4, all},
        {&Maker::setReleasedFilter, 1, u"afterNow"_s},
        {&Maker::setReleasedFilter, 2, u"inside90 now"_s},
        {&Maker::setReleasedFilter, 3, u"back90 inside90 now"_s},
        {&Maker::setReleasedFilter, 4, u"back200 back90 inside90 now"_s},
        {&Maker::setReleasedFilter, 5, all},
    };
    for (const auto& c : cases) {
        maker_.resetToDefaults();
        (maker_.*c.set)(c.value);
        EXPECT_EQ(sortedTitles(), c.titles) << c.value;
    }
    // The release window follows the clock when the query is built.
    maker_.setReleasedFilter(1);
    ScopedClock later(now_.addDays(2));
    EXPECT_EQ(sortedTitles(), u""_s);
}

TEST_F(QueryBuilder, ConditionsAreJoinedInTheirFixedOrder) {
    maker_.setMyFilter(2);
    maker_.setGenreFilter(1);
    maker_.setSearchFilter(u"zelda"_s);
    maker_.setScoreFilter(2);
    maker_.setEsrbFilter(3);
    maker_.setFilterIdCriticon(u"c1"_s);
    EXPECT_EQ(predicateText(),
              u"(genreCode == \"ACTION\") AND (esrbCode == \"TEEN\") AND (scoreCritic >= 4) AND "
              u"(idCriticon == \"c1\") AND (myIsPlayed == 1) AND ((title contains[cd] \"zelda\") "
              u"OR (gameDescription contains[cd] \"zelda\") OR (genreDescription contains[cd] "
              u"\"zelda\"))"_s);
    maker_.resetToDefaults();  // keeps the id filters
    EXPECT_EQ(predicateText(), u"(idCriticon == \"c1\")"_s);
}
