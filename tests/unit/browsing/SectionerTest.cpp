#include "Sectioner.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <vector>

#include "DateFunctions.h"
#include "PullFetchedRequestPullFetchedRequestMaker.h"
#include "QStringPrinter.h"
#include "ScopedClock.h"
#include "ScopedZone.h"
#include "TestStore.h"

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kByScore = 0, kByDate = 1;
constexpr int kAscending = 0, kDescending = 1;
constexpr std::optional<int> kUndated;

// Games sectioned in the order given, with the clock pinned to noon of 17 June 2009, a day in
// summer time like every day these tests count to, so calendar days count exactly.
class SectionerTest : public testing::Test {
protected:
    Game* releasedIn(std::optional<int> days) {
        return store_.add(
            u"Game"_s,
            days ? QDateTime(today_.addDays(*days), QTime(23, 59), Qt::LocalTime) : QDateTime());
    }
    Game* scored(std::optional<float> myScore, std::optional<float> critic) {
        Game* game = store_.add(u"Scored"_s);
        game->setMyScore(myScore);
        game->setScoreCritic(critic);
        return game;
    }
    // The sections as "label:count, ..." and the scroll target as "(row, section)" or "none".
    QString run(const QList<Game*>& games, int sortType, int direction = kDescending) {
        maker_.setSortType(sortType);
        maker_.setSortDirection(direction);
        const std::optional<IndexPath> target = sectioner_->setSectionArrayWitResults(games);
        QStringList parts;
        for (const SectionTotal& section : *sections_) {
            parts.append(u"%1:%2"_s.arg(section.getLabel()).arg(section.count()));
        }
        return parts.join(u", "_s) + u" -> "_s +
               (target ? u"(%1, %2)"_s.arg(target->row()).arg(target->section()) : u"none"_s);
    }

    ScopedZone zone_{"America/New_York"};
    QDate today_{2009, 6, 17};
    ScopedClock clock_{QDateTime(today_, QTime(12, 0), Qt::LocalTime)};
    TestStore store_;
    PullFetchedRequestPullFetchedRequestMaker maker_{store_.context.get(), store_.model.get()};
    std::shared_ptr<Sectioner::SectionArray> sections_ =
        std::make_shared<Sectioner::SectionArray>();
    std::unique_ptr<Sectioner> sectioner_ =
        Sectioner::sectionerWithSectionArray(sections_, &maker_);
};

}  // namespace

TEST_F(SectionerTest, DateOrderSectionsAndScrollTarget) {
    struct Case {
        std::vector<std::optional<int>> days;
        int direction;
        QString expected;
    };
    // clang-format off
    const Case cases[] = {
        // Newest first the target ends on the upcoming release nearest today, skipping today.
        {{400, 20, 3, -2}, kDescending,
         u"Next 1-2 years:1, Next 30 days:1, Next week:1, Last week:1 -> (0, 2)"_s},
        {{5, 3, 2, 0, 0, -2}, kDescending, u"Next week:3, Today:2, Last week:1 -> (2, 0)"_s},
        // Oldest first the first upcoming release stays the target.
        {{-3, -2, 2, 3}, kAscending, u"Last week:2, Next week:2 -> (0, 1)"_s},
        {{0, -1, -800}, kDescending, u"Today:1, Last week:1, Long ago:1 -> none"_s},
        // Runs of one type are never merged.
        {{-2, 5, -3}, kDescending, u"Last week:1, Next week:1, Last week:1 -> (0, 1)"_s},
        // Undated games are a section of their own and never the target.
        {{5, -2, kUndated, kUndated}, kDescending,
         u"Next week:1, Last week:1, Release date unknown:2 -> (0, 0)"_s},
        {{kUndated, kUndated, 3}, kAscending, u"Release date unknown:2, Next week:1 -> (0, 1)"_s},
        {{kUndated}, kDescending, u"Release date unknown:1 -> none"_s},
        {{}, kDescending, u" -> none"_s},
    };
    // clang-format on
    for (const Case& c : cases) {
        sections_->clear();
        QList<Game*> games;
        for (const std::optional<int>& days : c.days) {
            games.append(releasedIn(days));
        }
        EXPECT_EQ(run(games, kByDate, c.direction), c.expected);
    }
}

TEST_F(SectionerTest, ScoreBandsAtEveryHalfStarWithMyScoreOverTheCritics) {
    constexpr std::optional<float> kNone;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        std::optional<float> myScore, critic;
        QString label;
    };
    // clang-format off
    const Case cases[] = {
        {kNone, kNone, u"Not rated"_s}, {kNone, 0.0f, u"Not rated"_s},
        {kNone, 0.5f, u"1 - 1½ stars"_s}, {kNone, 1.49f, u"1 - 1½ stars"_s},
        {kNone, 1.5f, u"1½ - 2 stars"_s}, {kNone, 1.99f, u"1½ - 2 stars"_s},
        {kNone, 2.0f, u"2 - 2½ stars"_s}, {kNone, 2.5f, u"2½ - 3 stars"_s},
        {kNone, 3.0f, u"3 - 3½ stars"_s}, {kNone, 3.5f, u"3½ - 4 stars"_s},
        {kNone, 4.0f, u"4 - 4½ stars"_s}, {kNone, 4.5f, u"4½ - 5 stars"_s},
        {kNone, 4.99f, u"4½ - 5 stars"_s}, {kNone, 5.0f, u"5 stars"_s},
        {kNone, 5.5f, u"Not rated"_s}, {kNone, nan, u"Not rated"_s},
        {4.0f, 2.0f, u"4 - 4½ stars"_s}, {0.0f, 3.0f, u"3 - 3½ stars"_s},
        {0.0f, 0.0f, u"Not rated"_s},
    };
    // clang-format on
    for (const Case& c : cases) {
        sections_->clear();
        EXPECT_EQ(run({scored(c.myScore, c.critic)}, kByScore), c.label + u":1 -> none"_s);
    }
}

TEST_F(SectionerTest, AnyOtherSortOrNoQueryBuilderIsOneNotApplicableSection) {
    EXPECT_EQ(run({releasedIn(3), releasedIn(-300), scored(5.0f, 5.0f)}, 2), u"n/a:3 -> none"_s);
    sections_->clear();
    Sectioner withoutMaker(sections_, nullptr);
    EXPECT_EQ(withoutMaker.setSectionArrayWitResults(QList<Game*>{releasedIn(3)}), std::nullopt);
    EXPECT_EQ(sections_->first().getLabel(), u"n/a"_s);
    Sectioner withoutList(nullptr, &maker_);
    EXPECT_EQ(withoutList.setSectionArrayWitResults(QList<Game*>{releasedIn(3)}), std::nullopt);
}

// The bands are looked up by instant; each must match the day count that the calendar gives,
// whole days truncated (past bounds in the older band, future ones in the nearer), across
// daylight-saving changes and where a change skips midnight (Brazil moved its clocks at
// midnight: 4 November 2018 began at 01:00).
TEST(SectionerDayCounts, AgreeWithTheCalendarForEveryDayWithinThreeYears) {
    // clang-format off
    const std::pair<const char*, QDate> zoneDays[] = {{"America/New_York", QDate(2009, 3, 10)},
        {"America/New_York", QDate(2009, 11, 1)}, {"America/New_York", QDate(2009, 6, 17)},
        {"America/Sao_Paulo", QDate(2018, 11, 5)}};
    const std::pair<int, QString> firstDays[] = {{-730, u"Last 1-2 years"_s},
        {-365, u"Last 6-12 months"_s}, {-90, u"Last 90 days"_s}, {-60, u"Last 60 days"_s},
        {-30, u"Last 30 days"_s}, {-7, u"Last week"_s}, {0, u"Today"_s}, {1, u"Next week"_s},
        {8, u"Next 30 days"_s}, {31, u"Next 60 days"_s}, {61, u"Next 90 days"_s},
        {91, u"Next 6-12 months"_s}, {366, u"Next 1-2 years"_s}, {731, u"Distant future"_s}};
    // clang-format on
    for (const auto& [zoneName, today] : zoneDays) {
        SCOPED_TRACE(zoneName + today.toString().toStdString());
        ScopedZone zone(zoneName);
        ScopedClock clock(QDateTime(today, QTime(12, 0), Qt::LocalTime));
        TestStore store;
        PullFetchedRequestPullFetchedRequestMaker maker(store.context.get(), store.model.get());
        maker.setSortDirection(kAscending);
        QList<Game*> games;
        QStringList expected;
        for (int offset = -1100; offset <= 1100; ++offset) {
            for (QTime time : {QTime(0, 0), QTime(12, 0), QTime(23, 59)}) {
                QDateTime release(today.addDays(offset), time, Qt::LocalTime);
                if (!release.isValid()) {
                    release = today.addDays(offset).startOfDay(Qt::LocalTime);
                }
                games.append(store.add(u"Game"_s, release));
                const int days = DateFunctions::getDaysDifferenceBetween(
                    DateFunctions::getAbsoluteDate(release), DateFunctions::getToday());
                QString label = u"Long ago"_s;
                for (const auto& [firstDay, bandLabel] : firstDays) {
                    label = days >= firstDay ? bandLabel : label;
                }
                expected.append(label);
            }
        }
        auto sections = std::make_shared<Sectioner::SectionArray>();
        Sectioner(sections, &maker).setSectionArrayWitResults(games);
        QStringList labels;
        for (const SectionTotal& section : *sections) {
            for (int i = 0; i < section.count(); ++i) {
                labels.append(section.getLabel());
            }
        }
        ASSERT_EQ(labels.size(), expected.size());
        for (qsizetype i = 0; i < labels.size(); ++i) {
            ASSERT_EQ(labels[i], expected[i]) << games[i]->releaseDate().toString().toStdString();
        }
    }
}
