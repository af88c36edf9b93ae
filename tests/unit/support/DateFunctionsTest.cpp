#include <gtest/gtest.h>

#include <QDateTime>
#include <QLocale>
#include <atomic>
#include <ctime>
#include <initializer_list>
#include <limits>
#include <thread>
#include <vector>

#include "Clock.h"
#include "DateFunctions.h"
#include "ScopedClock.h"
#include "ScopedLocale.h"
#include "ScopedZone.h"

using namespace Qt::Literals::StringLiterals;
using DF = DateFunctions;

namespace {

// Local wall-clock time; never use a time that a daylight-saving change skips or repeats.
QDateTime at(QDate day, QTime time = QTime(0, 0)) {
    return QDateTime(day, time, Qt::LocalTime);
}
QDateTime at(int year, int month, int day, int hour = 0, int minute = 0) {
    return at(QDate(year, month, day), QTime(hour, minute));
}

struct ZoneCase {
    const char* label;
    const char* zone;
    QDate springForward;
    QDate fallBack;
    int winterOffset;
    int summerOffset;
};

void PrintTo(const ZoneCase& zoneCase, std::ostream* out) {
    *out << zoneCase.zone;
}

class DateFunctionsZoneTest : public testing::TestWithParam<ZoneCase> {
protected:
    void SetUp() override {
        // If Qt kept reading the old zone, every expectation below would pass vacuously.
        ASSERT_EQ(QDate(2009, 1, 15).startOfDay().offsetFromUtc(), GetParam().winterOffset);
        ASSERT_EQ(QDate(2009, 7, 15).startOfDay().offsetFromUtc(), GetParam().summerOffset);
        ASSERT_EQ(GetParam().springForward.startOfDay().secsTo(
                      GetParam().springForward.addDays(1).startOfDay()),
                  23 * 3600);
    }

    QDate spring() const { return GetParam().springForward; }
    QDate fall() const { return GetParam().fallBack; }

    ScopedZone zone_{GetParam().zone};
    ScopedLocale locale_{QLocale(QLocale::English, QLocale::UnitedStates)};
    ScopedClock clock_{at(2009, 3, 5, 12)};
};

INSTANTIATE_TEST_SUITE_P(DateFunctions, DateFunctionsZoneTest,
                         testing::Values(ZoneCase{"NewYork", "America/New_York", QDate(2009, 3, 8),
                                                  QDate(2009, 11, 1), -5 * 3600, -4 * 3600},
                                         ZoneCase{"Berlin", "Europe/Berlin", QDate(2009, 3, 29),
                                                  QDate(2009, 10, 25), 1 * 3600, 2 * 3600}),
                         [](const testing::TestParamInfo<ZoneCase>& zoneCase) {
                             return std::string(zoneCase.param.label);
                         });

TEST_P(DateFunctionsZoneTest, YMDStringIsTheLocalCalendarDay) {
    EXPECT_EQ(DF::getYMDString(at(2009, 3, 5, 23, 30)), u"2009-03-05"_s);
    EXPECT_EQ(DF::getYMDString(at(2009, 3, 6, 0, 30)), u"2009-03-06"_s);
    EXPECT_EQ(DF::getYMDString(at(2009, 3, 5, 23, 30).toUTC()), u"2009-03-05"_s);

    ScopedClock lateEvening{at(2009, 3, 5, 23, 30)};
    EXPECT_EQ(DF::getNow(), at(2009, 3, 5, 23, 30));
    EXPECT_EQ(DF::getNowYMD(), u"2009-03-05"_s);
    EXPECT_EQ(DF::getToday(), at(2009, 3, 5));
    EXPECT_EQ(DF::getYMDString(QDateTime()), u"2009-03-05"_s);
}

TEST_P(DateFunctionsZoneTest, ParsedYMDIsTheStartOfThatLocalDayAndRoundTrips) {
    for (const QDate day : {QDate(2009, 3, 5), spring(), fall(), QDate(2008, 2, 29)}) {
        const QString ymd = day.toString(u"yyyy-MM-dd"_s);
        const QDateTime parsed = DF::getDateFromYMDString(ymd);
        EXPECT_EQ(parsed, at(day)) << ymd.toStdString();
        EXPECT_EQ(parsed.time(), QTime(0, 0)) << ymd.toStdString();
        EXPECT_EQ(DF::getYMDString(parsed), ymd);
        EXPECT_EQ(DF::getAbsoluteDate(at(day, QTime(18, 45))), parsed);
    }
}

TEST_P(DateFunctionsZoneTest, OneDayStepsFromMidnightLandOnMidnightOverBothChanges) {
    for (const QDate change : {spring(), fall()}) {
        const QDateTime midnight = at(change);
        const QDateTime nextMidnight = at(change.addDays(1));
        EXPECT_EQ(DF::getDateByAddingDays(1, midnight), nextMidnight);
        EXPECT_EQ(DF::getDateBySubtractingDays(1, nextMidnight), midnight);
        EXPECT_EQ(DF::getDateByAddingDays(-1, nextMidnight), midnight);
        EXPECT_EQ(DF::getDateByAddingDays(7, at(change.addDays(-3))), at(change.addDays(4)));
    }
}

TEST_P(DateFunctionsZoneTest, DayStepsKeepTheWallClockTimeOverBothChanges) {
    for (const QTime time : {QTime(0, 30), QTime(4, 0), QTime(12, 0), QTime(23, 30)}) {
        for (const QDate change : {spring(), fall()}) {
            const QDateTime before = at(change.addDays(-1), time);
            EXPECT_EQ(DF::getDateByAddingDays(1, before), at(change, time));
            EXPECT_EQ(DF::getDateByAddingDays(2, before), at(change.addDays(1), time));
            EXPECT_EQ(DF::getDateBySubtractingDays(2, at(change.addDays(1), time)), before);
        }
        const QDateTime early = at(spring().addDays(-1), time);
        EXPECT_EQ(DF::getDateByAddingDays(240, early), at(spring().addDays(239), time));
        EXPECT_EQ(DF::getDateByAddingDays(0, early), early);
    }
}

TEST_P(DateFunctionsZoneTest, MonthBoundsKeepTheTimeOfDay) {
    EXPECT_EQ(DF::getMonthEndDateFromDate(at(2008, 2, 10, 9, 15)), at(2008, 2, 29, 9, 15));
    EXPECT_EQ(DF::getMonthEndDateFromDate(at(2009, 2, 10, 9, 15)), at(2009, 2, 28, 9, 15));
    EXPECT_EQ(DF::getMonthEndDateFromDate(at(2009, 2, 1)), at(2009, 2, 28));
    EXPECT_EQ(DF::getMonthEndDateFromDate(at(2009, 1, 31)), at(2009, 1, 31));
    EXPECT_EQ(DF::getMonthEndDateFromDate(at(2009, 12, 15, 23, 30)), at(2009, 12, 31, 23, 30));
    EXPECT_EQ(DF::getMonthStartDateFromDate(at(2009, 1, 1, 6, 0)), at(2009, 1, 1, 6, 0));

    for (const QDate change : {spring(), fall()}) {
        const QDate first(change.year(), change.month(), 1);
        const QDate last(change.year(), change.month(), change.daysInMonth());
        EXPECT_EQ(DF::getMonthEndDateFromDate(at(first)), at(last));
        EXPECT_EQ(DF::getMonthStartDateFromDate(at(last)), at(first));
        EXPECT_EQ(DF::getMonthStartDateFromDate(at(last, QTime(23, 30))), at(first, QTime(23, 30)));
    }
}

TEST_P(DateFunctionsZoneTest, WholeDaysTruncateAcrossTheShortDay) {
    const QDateTime change = at(spring());
    const QDateTime next = at(spring().addDays(1));
    const QDateTime afterNext = at(spring().addDays(2));
    EXPECT_EQ(DF::getDaysDifferenceBetween(next, change), 0);
    EXPECT_EQ(DF::getDaysDifferenceBetween(change, next), 0);
    EXPECT_EQ(DF::getDaysDifferenceBetween(afterNext, change), 1);
    EXPECT_EQ(DF::getDaysDifferenceBetween(change, afterNext), -1);
    EXPECT_EQ(DF::getAbsDaysDifferenceBetween(change, afterNext), 1);
    EXPECT_EQ(DF::getDaysDifferenceBetween(at(fall().addDays(1)), at(fall())), 1);
}

TEST_P(DateFunctionsZoneTest, DayOfYearCountsCalendarDaysInSummerTime) {
    const QDate summerDay = spring().addDays(1);
    EXPECT_EQ(DF::getDayOfYear(at(summerDay)), summerDay.dayOfYear());
    EXPECT_EQ(DF::getDayOfYear(at(2009, 1, 1)), 1);
    EXPECT_EQ(DF::getDayOfYear(at(2008, 12, 31, 23, 30)), 366);
    EXPECT_EQ(DF::getYearStartDateFromDate(at(2009, 7, 4, 15, 0)), at(2009, 1, 1));
}

// Zones like Sao Paulo's (until 2019) jump from 24:00 to 01:00, so such a day starts at 01:00.
class DateFunctionsMidnightJumpTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(QDate(2018, 11, 4).startOfDay().time(), QTime(1, 0)); }

    ScopedZone zone_{"America/Sao_Paulo"};
    ScopedClock clock_{at(2018, 11, 4, 12)};
};

TEST_F(DateFunctionsMidnightJumpTest, DayStepsStayOnTheStartOfEachDay) {
    const QDateTime saturday = QDate(2018, 11, 3).startOfDay();
    const QDateTime sunday = QDate(2018, 11, 4).startOfDay();
    const QDateTime monday = QDate(2018, 11, 5).startOfDay();
    EXPECT_EQ(DF::getDateByAddingDays(1, saturday), sunday);
    EXPECT_EQ(DF::getDateByAddingDays(1, sunday), monday);
    EXPECT_EQ(DF::getDateBySubtractingDays(1, monday), sunday);
    EXPECT_EQ(DF::getDateBySubtractingDays(1, sunday), saturday);
    EXPECT_EQ(DF::getToday(), sunday);
    EXPECT_EQ(DF::getDateFromYMDString(u"2018-11-04"_s), sunday);
    EXPECT_EQ(DF::getDateByAddingDays(1, at(2018, 11, 3, 0, 30)).date(), QDate(2018, 11, 4));
    EXPECT_EQ(DF::getMonthEndDateFromDate(at(2018, 11, 1)), at(2018, 11, 30));
    EXPECT_EQ(DF::getDateByAddingDays(1, at(2018, 2, 17)), at(2018, 2, 18));
}

class DateFunctionsTest : public testing::Test {
protected:
    ScopedZone zone_{"America/New_York"};
    ScopedLocale locale_{QLocale(QLocale::English, QLocale::UnitedStates)};
    ScopedClock clock_{at(2009, 3, 5, 12)};
};

TEST_F(DateFunctionsTest, ParsingReadsLooseText) {
    for (const QString& text :
         {u"2009-05-07"_s, u"2009-5-7"_s, u"2009-05-07 13:45:00"_s, u"2009-05-07T13:45:00Z"_s,
          u" 2009-05-07"_s, u"2009-+5-07"_s, u"2009-05-07-extra"_s, u"2009-05-7th"_s}) {
        EXPECT_EQ(DF::getDateFromYMDString(text), at(2009, 5, 7)) << text.toStdString();
    }
}

TEST_F(DateFunctionsTest, ParsingRollsOutOfRangeFieldsOverLikeTheCalendar) {
    const std::initializer_list<std::pair<QString, QDate>> cases = {
        {u"2009-13-01"_s, QDate(2010, 1, 1)},   {u"2009-25-01"_s, QDate(2011, 1, 1)},
        {u"2009-03-00"_s, QDate(2009, 2, 28)},  {u"2008-03-00"_s, QDate(2008, 2, 29)},
        {u"2009-00-15"_s, QDate(2008, 12, 15)}, {u"2009-02-30"_s, QDate(2009, 3, 2)},
        {u"2009-03--1"_s, QDate(2009, 2, 27)},  {u"2009-01-400"_s, QDate(2010, 2, 4)},
        {u"2009--1-1"_s, QDate(2008, 12, 1)},   {u"2009"_s, QDate(2008, 11, 30)},
    };
    for (const auto& [text, day] : cases) {
        EXPECT_EQ(DF::getDateFromYMDString(text), at(day)) << text.toStdString();
    }
}

TEST_F(DateFunctionsTest, TextWithoutADateGivesNothing) {
    for (const QString& text :
         {QString(), u""_s, u"abc"_s, u"-05-07"_s, u"0000-05-07"_s, u"99999999999-01-01"_s}) {
        EXPECT_TRUE(DF::getDateFromYMDString(text).isNull()) << text.toStdString();
        EXPECT_TRUE(DF::getDayForYMDString(text).isNull()) << text.toStdString();
    }
}

TEST_F(DateFunctionsTest, DisplaysNeedExactlyTenCharactersAndFollowTheLocale) {
    EXPECT_EQ(DF::getShortDateDisplayFromYMD(u"2009-03-05"_s), u"5 March 09"_s);
    EXPECT_EQ(DF::getShortDateWithDayNameDisplayFromYMD(u"2009-03-05"_s),
              u"Thursday March 5, 2009"_s);
    EXPECT_EQ(DF::getLongDateDisplayFromYMD(u"2009-03-05"_s), u"March 5, 2009"_s);

    for (const QString& text :
         {QString(), u""_s, u"2009-3-5"_s, u"2009-03-05 "_s, u"abcdefghij"_s}) {
        EXPECT_TRUE(DF::getShortDateDisplayFromYMD(text).isNull()) << text.toStdString();
        EXPECT_TRUE(DF::getShortDateWithDayNameDisplayFromYMD(text).isNull());
        EXPECT_TRUE(DF::getLongDateDisplayFromYMD(text).isNull());
    }

    ScopedLocale german{QLocale(QLocale::German, QLocale::Germany)};
    EXPECT_EQ(DF::getShortDateDisplayFromYMD(u"2009-03-05"_s), u"5 März 09"_s);
    EXPECT_EQ(DF::getDayForYMDString(u"2009-03-05"_s), u"Thursday"_s);
}

TEST_F(DateFunctionsTest, WeekdaysRunFromSundayWithEnglishNames) {
    const QString names[] = {u"Sunday"_s,   u"Monday"_s, u"Tuesday"_s, u"Wednesday"_s,
                             u"Thursday"_s, u"Friday"_s, u"Saturday"_s};
    for (int i = 0; i < 7; ++i) {
        const QDateTime day = at(2009, 3, 1 + i, 12);
        EXPECT_EQ(DF::getDayOfWeek(day), i);
        EXPECT_EQ(DF::getDayOfMonth(day), 1 + i);
        EXPECT_EQ(DF::getDayForDate(day), names[i]);
    }
    // Late Saturday evening is already Sunday in UTC.
    EXPECT_EQ(DF::getDayOfWeek(at(2009, 3, 7, 23, 30)), 6);
    EXPECT_EQ(DF::getDayForYMDString(u"2009-3-1"_s), u"Sunday"_s);
}

TEST_F(DateFunctionsTest, ComparisonsAreOfInstants) {
    const QDateTime first = at(2009, 3, 5, 12), second = at(2009, 3, 6, 12),
                    third = at(2009, 3, 7, 12);
    EXPECT_TRUE(DF::isDateEqualToDate(first, first.toUTC()));
    EXPECT_FALSE(DF::isDateEqualToDate(first, second));
    EXPECT_TRUE(DF::isDateBeforeDate(first, second));
    EXPECT_FALSE(DF::isDateBeforeDate(second, first));
    EXPECT_FALSE(DF::isDateBeforeDate(first, first));
    EXPECT_TRUE(DF::isDateAfterDate(second, first));
    EXPECT_FALSE(DF::isDateAfterDate(first, first));
    EXPECT_FALSE(DF::isDateAfterDate(first, second));

    EXPECT_TRUE(DF::isDateBetween(first, first, third));
    EXPECT_TRUE(DF::isDateBetween(third, first, third));
    EXPECT_TRUE(DF::isDateBetween(second, first, third));
    EXPECT_FALSE(DF::isDateBetween(first, second, third));
    EXPECT_FALSE(DF::isDateBetween(second, third, first));

    // The repeated autumn hour: same wall-clock reading, different instants.
    const QDateTime daylight = at(2009, 11, 1).addSecs(90 * 60);
    const QDateTime standard = at(2009, 11, 1).addSecs(150 * 60);
    ASSERT_EQ(daylight.time(), standard.time());
    EXPECT_FALSE(DF::isDateEqualToDate(daylight, standard));
    EXPECT_TRUE(DF::isDateBeforeDate(daylight, standard));
}

TEST_F(DateFunctionsTest, NothingInGivesNothingOut) {
    const QDateTime none;
    const QDateTime date = at(2009, 3, 5, 12);
    EXPECT_FALSE(DF::isDateEqualToDate(none, date));
    EXPECT_FALSE(DF::isDateEqualToDate(none, none));
    EXPECT_FALSE(DF::isDateBeforeDate(none, date));
    EXPECT_FALSE(DF::isDateBeforeDate(date, none));
    EXPECT_TRUE(DF::isDateAfterDate(none, date));
    EXPECT_TRUE(DF::isDateAfterDate(date, none));
    EXPECT_FALSE(DF::isDateBetween(none, date, date));

    EXPECT_TRUE(DF::getAbsoluteDate(none).isNull());
    EXPECT_TRUE(DF::getDateByAddingDays(1, none).isNull());
    EXPECT_TRUE(DF::getDateBySubtractingDays(1, none).isNull());
    EXPECT_TRUE(DF::getMonthStartDateFromDate(none).isNull());
    EXPECT_TRUE(DF::getMonthEndDateFromDate(none).isNull());
    EXPECT_TRUE(DF::getYearStartDateFromDate(none).isNull());
    EXPECT_TRUE(DF::getDayForDate(none).isNull());
    EXPECT_EQ(DF::getDayOfWeek(none), -1);
    EXPECT_EQ(DF::getDayOfMonth(none), 0);
    EXPECT_EQ(DF::getDayOfYear(none), 0);
    EXPECT_EQ(DF::getDaysDifferenceBetween(none, date), 0);
    EXPECT_EQ(DF::getAbsDaysDifferenceBetween(date, none), 0);
    EXPECT_EQ(DF::getAbsSecondsDiffereceBetween(date, none), 0);
    EXPECT_EQ(DF::getAbsSecondsSince(none), 0);
}

TEST_F(DateFunctionsTest, DifferencesTruncateTowardZero) {
    const QDateTime now = DF::getNow();
    EXPECT_EQ(DF::getAbsSecondsDiffereceBetween(now, now.addMSecs(90'900)), 90);
    EXPECT_EQ(DF::getAbsSecondsDiffereceBetween(now.addMSecs(90'900), now), 90);
    EXPECT_EQ(DF::getAbsSecondsSince(now.addSecs(-3600)), 3600);
    EXPECT_EQ(DF::getAbsSecondsSince(now.addSecs(7200)), 7200);
    EXPECT_EQ(DF::getAbsSecondsSince(at(1900, 1, 1)), std::numeric_limits<int>::max());

    const QDateTime today = DF::getToday();
    const QDateTime yesterday = DF::getDateBySubtractingDays(1, today);
    EXPECT_EQ(DF::getDaysDifferenceBetween(today, yesterday), 1);
    EXPECT_EQ(DF::getDaysDifferenceBetween(yesterday, today), -1);
    EXPECT_EQ(DF::getDaysDifferenceBetween(now.addSecs(36 * 3600), now), 1);
    EXPECT_EQ(DF::getDaysDifferenceBetween(now, now.addSecs(36 * 3600)), -1);
    EXPECT_EQ(DF::getAbsDaysDifferenceBetween(now, now.addSecs(36 * 3600)), 1);
}

TEST_F(DateFunctionsTest, DayStepsTakeLargeCountsAndUtcDates) {
    const QDateTime date = at(2009, 3, 5, 12);
    EXPECT_EQ(DF::getDateByAddingDays(36500, date),
              at(QDate(2009, 3, 5).addDays(36500), QTime(12, 0)));
    EXPECT_EQ(DF::getDateBySubtractingDays(-7, date), at(2009, 3, 12, 12));
    const QDateTime fromUtc = DF::getDateByAddingDays(1, date.toUTC());
    EXPECT_EQ(fromUtc, at(2009, 3, 6, 12));
    EXPECT_EQ(fromUtc.timeSpec(), Qt::LocalTime);
}

TEST(ClockTest, PinnedInstantIsReadInTheCurrentZone) {
    ScopedZone newYork{"America/New_York"};
    const QDateTime instant(QDate(2009, 3, 6), QTime(4, 30), Qt::UTC);
    ScopedClock pinned{instant};
    EXPECT_TRUE(Clock::isPinned());
    EXPECT_EQ(Clock::now(), instant);
    EXPECT_EQ(Clock::now().timeSpec(), Qt::LocalTime);
    EXPECT_EQ(DF::getNowYMD(), u"2009-03-05"_s);

    ScopedZone berlin{"Europe/Berlin"};
    EXPECT_EQ(Clock::now(), instant);
    EXPECT_EQ(DF::getNowYMD(), u"2009-03-06"_s);
}

TEST(ClockTest, UnpinnedFollowsTheSystemClock) {
    ScopedClock pinned{QDateTime(QDate(2009, 3, 6), QTime(4, 30), Qt::UTC)};
    Clock::pin(QDateTime());
    EXPECT_FALSE(Clock::isPinned());
    const QDateTime before = QDateTime::currentDateTime();
    const QDateTime now = Clock::now();
    EXPECT_LE(before, now);
    EXPECT_LE(now, QDateTime::currentDateTime());
}

TEST(ClockTest, ReadableFromManyThreadsWhilePinned) {
    ScopedZone newYork{"America/New_York"};
    const QDateTime first(QDate(2009, 3, 5), QTime(12, 0), Qt::UTC);
    const QDateTime second = first.addDays(1);
    ScopedClock pinned{first};

    std::atomic<bool> stop{false};
    std::atomic<int> reads{0};
    std::atomic<int> strays{0};
    std::vector<std::thread> readers;
    for (int i = 0; i < 4; ++i) {
        readers.emplace_back([&] {
            while (!stop.load()) {
                const QDateTime now = Clock::now();
                const QString ymd = DF::getNowYMD();
                if ((now != first && now != second) ||
                    (ymd != u"2009-03-05"_s && ymd != u"2009-03-06"_s)) {
                    ++strays;
                }
                ++reads;
            }
        });
    }
    for (int i = 0; i < 5000 || reads.load() < 2000; ++i) {
        Clock::pin(i % 2 ? first : second);
    }
    stop = true;
    for (std::thread& reader : readers) {
        reader.join();
    }
    EXPECT_EQ(strays.load(), 0);
}

}  // namespace
