#include "Sectioner.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <cmath>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

#include "DateFunctions.h"
#include "PullFetchedRequestPullFetchedRequestMaker.h"
#include "QStringPrinter.h"
#include "ScopedClock.h"
#include "ScopedZone.h"
#include "TestStore.h"

using namespace Qt::Literals::StringLiterals;

void PrintTo(const IndexPath& path, std::ostream* out) {
    *out << path.description().toStdString();
}

namespace {

constexpr int kByScore = 0;
constexpr int kByDate = 1;
constexpr int kAscending = 0;
constexpr int kDescending = 1;

// Games in a store, sectioned in the order given, with the clock pinned to noon of `today`.
class SectionerTest : public testing::Test {
protected:
    explicit SectionerTest(QDate today = QDate(2009, 6, 17), const char* zone = "America/New_York")
        : zone_(zone),
          today_(today),
          clock_(QDateTime(today, QTime(12, 0), Qt::LocalTime)),
          maker_(store_.context.get(), store_.model.get()),
          sections_(std::make_shared<Sectioner::SectionArray>()),
          sectioner_(Sectioner::sectionerWithSectionArray(sections_, &maker_)) {}

    // A game released `days` from today, at the given local time of that day.
    Game* releasedIn(int days, QTime time = QTime(0, 0)) {
        Game* game = store_.add(u"Game %1"_s.arg(days));
        game->setReleaseDate(QDateTime(today_.addDays(days), time, Qt::LocalTime));
        return game;
    }
    Game* scored(std::optional<float> myScore, std::optional<float> critic) {
        Game* game = store_.add(u"Scored"_s);
        game->setMyScore(myScore);
        game->setScoreCritic(critic);
        return game;
    }

    std::optional<IndexPath> run(const QList<Game*>& games, int sortType,
                                 int sortDirection = kDescending) {
        maker_.setSortType(sortType);
        maker_.setSortDirection(sortDirection);
        return sectioner_->setSectionArrayWitResults(games);
    }
    QStringList labels() const {
        QStringList result;
        for (const SectionTotal& section : *sections_) {
            result.append(section.getLabel());
        }
        return result;
    }
    std::vector<int> counts() const {
        std::vector<int> result;
        for (const SectionTotal& section : *sections_) {
            result.push_back(section.count());
        }
        return result;
    }

    ScopedZone zone_;
    QDate today_;
    ScopedClock clock_;
    TestStore store_;
    PullFetchedRequestPullFetchedRequestMaker maker_;
    std::shared_ptr<Sectioner::SectionArray> sections_;
    std::unique_ptr<Sectioner> sectioner_;
};

}  // namespace

TEST_F(SectionerTest, EveryReleaseBandEdge) {
    // 17 June 2009 and every day tested lie in summer time, so calendar days count exactly.
    const std::vector<std::pair<int, QString>> edges{
        {-731, u"Long ago"_s},        {-730, u"Last 1-2 years"_s},
        {-366, u"Last 1-2 years"_s},  {-365, u"Last 6-12 months"_s},
        {-91, u"Last 6-12 months"_s}, {-90, u"Last 90 days"_s},
        {-61, u"Last 90 days"_s},     {-60, u"Last 60 days"_s},
        {-31, u"Last 60 days"_s},     {-30, u"Last 30 days"_s},
        {-8, u"Last 30 days"_s},      {-7, u"Last week"_s},
        {-1, u"Last week"_s},         {0, u"Today"_s},
        {1, u"Next week"_s},          {7, u"Next week"_s},
        {8, u"Next 30 days"_s},       {30, u"Next 30 days"_s},
        {31, u"Next 60 days"_s},      {60, u"Next 60 days"_s},
        {61, u"Next 90 days"_s},      {90, u"Next 90 days"_s},
        {91, u"Next 6-12 months"_s},  {365, u"Next 6-12 months"_s},
        {366, u"Next 1-2 years"_s},   {730, u"Next 1-2 years"_s},
        {731, u"Distant future"_s},
    };
    for (const auto& [days, label] : edges) {
        for (QTime time : {QTime(0, 0), QTime(23, 59)}) {
            sections_->clear();
            run({releasedIn(days, time)}, kByDate);
            ASSERT_EQ(sections_->size(), 1);
            EXPECT_EQ(sections_->first().getLabel(), label)
                << days << " days at " << time.toString().toStdString();
        }
    }
}

// Releases (days from today; none for undated) in list order, sectioned in date order.
TEST_F(SectionerTest, DateOrderSectionsAndScrollTarget) {
    struct Case {
        const char* name;
        std::vector<std::optional<int>> days;
        int direction;
        QStringList labels;
        std::vector<int> counts;
        std::optional<IndexPath> target;
    };
    const Case cases[] = {
        {"newest first: the nearest upcoming release",
         {400, 20, 3, -2},
         kDescending,
         {u"Next 1-2 years"_s, u"Next 30 days"_s, u"Next week"_s, u"Last week"_s},
         {1, 1, 1, 1},
         IndexPath::indexPathForRow(0, 2)},
        {"the target moves within a section and skips today",
         {5, 3, 2, 0, 0, -2},
         kDescending,
         {u"Next week"_s, u"Today"_s, u"Last week"_s},
         {3, 2, 1},
         IndexPath::indexPathForRow(2, 0)},
        {"oldest first: the first upcoming release",
         {-3, -2, 2, 3},
         kAscending,
         {u"Last week"_s, u"Next week"_s},
         {2, 2},
         IndexPath::indexPathForRow(0, 1)},
        {"no upcoming release",
         {0, -1, -800},
         kDescending,
         {u"Today"_s, u"Last week"_s, u"Long ago"_s},
         {1, 1, 1},
         std::nullopt},
        {"runs of one type are never merged",
         {-2, 5, -3},
         kDescending,
         {u"Last week"_s, u"Next week"_s, u"Last week"_s},
         {1, 1, 1},
         IndexPath::indexPathForRow(0, 1)},
        {"undated games are a section of their own and never the target",
         {5, -2, std::nullopt, std::nullopt},
         kDescending,
         {u"Next week"_s, u"Last week"_s, u"Release date unknown"_s},
         {1, 1, 2},
         IndexPath::indexPathForRow(0, 0)},
        {"undated first, oldest first",
         {std::nullopt, std::nullopt, 3},
         kAscending,
         {u"Release date unknown"_s, u"Next week"_s},
         {2, 1},
         IndexPath::indexPathForRow(0, 1)},
        {"only undated",
         {std::nullopt},
         kDescending,
         {u"Release date unknown"_s},
         {1},
         std::nullopt},
        {"an empty result", {}, kDescending, {}, {}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sections_->clear();
        QList<Game*> games;
        for (const std::optional<int>& days : c.days) {
            games.append(days ? releasedIn(*days, QTime(23, 59)) : store_.add(u"Undated"_s));
        }
        EXPECT_EQ(run(games, kByDate, c.direction), c.target);
        EXPECT_EQ(labels(), c.labels);
        EXPECT_EQ(counts(), c.counts);
    }
}

TEST_F(SectionerTest, AppendsToWhatTheListHolds) {
    sections_->append(SectionTotal::sectionTotalForType(7));
    EXPECT_EQ(run({releasedIn(3)}, kByDate), IndexPath::indexPathForRow(0, 0));
    // The caller empties the list; the sectioner appends, and so counts its own sections.
    EXPECT_EQ(labels(), (QStringList{u"Next week"_s, u"Next week"_s}));
    EXPECT_EQ(counts(), (std::vector<int>{0, 1}));
}

TEST_F(SectionerTest, ScoreBandsAtEveryHalfStar) {
    const std::vector<std::pair<std::optional<float>, QString>> bands{
        {std::nullopt, u"Not rated"_s},  {0.0f, u"Not rated"_s},
        {0.5f, u"1 - 1\u00BD stars"_s},  {1.49f, u"1 - 1\u00BD stars"_s},
        {1.5f, u"1\u00BD - 2 stars"_s},  {1.99f, u"1\u00BD - 2 stars"_s},
        {2.0f, u"2 - 2\u00BD stars"_s},  {2.5f, u"2\u00BD - 3 stars"_s},
        {3.0f, u"3 - 3\u00BD stars"_s},  {3.5f, u"3\u00BD - 4 stars"_s},
        {4.0f, u"4 - 4\u00BD stars"_s},  {4.5f, u"4\u00BD - 5 stars"_s},
        {4.99f, u"4\u00BD - 5 stars"_s}, {5.0f, u"5 stars"_s},
        {5.5f, u"Not rated"_s},          {std::numeric_limits<float>::quiet_NaN(), u"Not rated"_s},
    };
    for (const auto& [score, label] : bands) {
        sections_->clear();
        run({scored(std::nullopt, score)}, kByScore);
        ASSERT_EQ(sections_->size(), 1);
        EXPECT_EQ(sections_->first().getLabel(), label) << (score ? *score : -1.0f);
    }
}

TEST_F(SectionerTest, MyScoreWinsOverTheCriticScoreAndScoreOrderNeverTargets) {
    Game* upcoming = releasedIn(10);
    upcoming->setScoreCritic(3.0f);
    const auto target = run({scored(4.0f, 2.0f), scored(0.0f, 3.0f), upcoming, scored(0.0f, 0.0f),
                             scored(std::nullopt, std::nullopt), scored(std::nullopt, 4.2f)},
                            kByScore);
    EXPECT_EQ(labels(), (QStringList{u"4 - 4\u00BD stars"_s, u"3 - 3\u00BD stars"_s, u"Not rated"_s,
                                     u"4 - 4\u00BD stars"_s}));
    EXPECT_EQ(counts(), (std::vector<int>{1, 2, 2, 1}));
    EXPECT_EQ(target, std::nullopt);
}

TEST_F(SectionerTest, AnyOtherSortOrNoQueryBuilderIsOneNotApplicableSection) {
    EXPECT_EQ(run({releasedIn(3), releasedIn(-300), scored(5.0f, 5.0f)}, 2), std::nullopt);
    EXPECT_EQ(labels(), QStringList{u"n/a"_s});
    EXPECT_EQ(counts(), std::vector<int>{3});

    sections_->clear();
    Sectioner withoutMaker(sections_, nullptr);
    EXPECT_EQ(withoutMaker.setSectionArrayWitResults(QList<Game*>{releasedIn(3)}), std::nullopt);
    EXPECT_EQ(labels(), QStringList{u"n/a"_s});
    Sectioner withoutList(nullptr, &maker_);
    EXPECT_EQ(withoutList.setSectionArrayWitResults(QList<Game*>{releasedIn(3)}), std::nullopt);
}

TEST(SectionTotal, DescribesItsCountAndLabel) {
    SectionTotal section = SectionTotal::sectionTotalForType(30);
    EXPECT_EQ(section.count(), 0);
    section.setCount(12);
    EXPECT_EQ(section.description(), u"[12]\t- Next 30 days"_s);
    section.setType(12345);
    EXPECT_EQ(section.getLabel(), u"n/a"_s);
}

// The bands are looked up by instant; each must match the day count that the calendar gives,
// whole days truncated, across daylight-saving changes and where a change skips midnight.
struct ZoneDay {
    const char* zone;
    QDate today;
};

void PrintTo(const ZoneDay& zoneDay, std::ostream* out) {
    *out << zoneDay.zone << " " << zoneDay.today.toString(u"yyyy-MM-dd"_s).toStdString();
}

class SectionerAgreesWithDayCounts : public testing::TestWithParam<ZoneDay> {};

TEST_P(SectionerAgreesWithDayCounts, ForEveryDayWithinThreeYears) {
    ScopedZone zone(GetParam().zone);
    const QDate today = GetParam().today;
    ScopedClock clock(QDateTime(today, QTime(12, 0), Qt::LocalTime));
    TestStore store;
    PullFetchedRequestPullFetchedRequestMaker maker(store.context.get(), store.model.get());
    maker.setSortDirection(kAscending);

    auto bandOf = [](int days) {
        const std::vector<std::pair<int, int>> firstDays{
            {-730, -730}, {-365, -365}, {-90, -90}, {-60, -60},   {-30, -30},
            {-7, -7},     {0, 0},       {1, 7},     {8, 30},      {31, 60},
            {61, 90},     {91, 365},    {366, 730}, {731, 100000}};
        int type = -100000;
        for (const auto& [firstDay, bandType] : firstDays) {
            if (days >= firstDay) {
                type = bandType;
            }
        }
        return type;
    };
    QList<Game*> games;
    std::vector<int> expectedTypes;
    std::vector<QDateTime> releases;
    for (int offset = -1100; offset <= 1100; ++offset) {
        for (QTime time : {QTime(0, 0), QTime(12, 0), QTime(23, 59)}) {
            QDateTime release(today.addDays(offset), time, Qt::LocalTime);
            if (!release.isValid()) {
                release = today.addDays(offset).startOfDay(Qt::LocalTime);
            }
            Game* game = store.add(u"Game"_s, release);
            games.append(game);
            releases.push_back(release);
            expectedTypes.push_back(bandOf(DateFunctions::getDaysDifferenceBetween(
                DateFunctions::getAbsoluteDate(release), DateFunctions::getToday())));
        }
    }
    auto sections = std::make_shared<Sectioner::SectionArray>();
    Sectioner sectioner(sections, &maker);
    sectioner.setSectionArrayWitResults(games);

    std::vector<int> types;
    for (const SectionTotal& section : *sections) {
        types.insert(types.end(), size_t(section.count()), section.type());
    }
    ASSERT_EQ(types.size(), expectedTypes.size());
    for (size_t i = 0; i < types.size(); ++i) {
        ASSERT_EQ(types[i], expectedTypes[i]) << releases[i].toString().toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Zones, SectionerAgreesWithDayCounts,
    testing::Values(ZoneDay{"America/New_York", QDate(2009, 3, 10)},
                    ZoneDay{"America/New_York", QDate(2009, 11, 1)},
                    ZoneDay{"America/New_York", QDate(2009, 6, 17)},
                    // Brazil moved its clocks at midnight: 4 November 2018 began at 01:00.
                    ZoneDay{"America/Sao_Paulo", QDate(2018, 11, 5)}),
    [](const testing::TestParamInfo<ZoneDay>& zoneDay) { return std::to_string(zoneDay.index); });
