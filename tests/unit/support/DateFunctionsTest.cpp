#include "DateFunctions.h"

#include <gtest/gtest.h>

#include <QLocale>
#include <atomic>
#include <thread>

#include "Clock.h"
#include "QStringPrinter.h"
#include "ScopedClock.h"
#include "ScopedLocale.h"
#include "ScopedZone.h"

using namespace Qt::Literals::StringLiterals;
using DF = DateFunctions;

namespace {

// Local wall-clock time; never a time that a daylight-saving change skips or repeats.
QDateTime at(QDate day, QTime time = QTime(0, 0)) {
    return QDateTime(day, time, Qt::LocalTime);
}

// Each zone with the day it springs forward and the day it falls back, in 2009.
class DateFunctionsZone : public testing::TestWithParam<std::tuple<const char*, QDate, QDate>> {
protected:
    ScopedZone zone_{std::get<0>(GetParam())};
    ScopedLocale locale_{QLocale(QLocale::English, QLocale::UnitedStates)};
    ScopedClock clock_{at(QDate(2009, 3, 5), QTime(23, 30))};
    const QDate spring = std::get<1>(GetParam()), fall = std::get<2>(GetParam());
};

INSTANTIATE_TEST_SUITE_P(
    DateFunctions, DateFunctionsZone,
    testing::Values(std::tuple("America/New_York", QDate(2009, 3, 8), QDate(2009, 11, 1)),
                    std::tuple("Europe/Berlin", QDate(2009, 3, 29), QDate(2009, 10, 25))));

TEST_P(DateFunctionsZone, DaysAreLocalCalendarDaysOverBothChanges) {
    // If Qt kept reading the old zone, every expectation below would pass vacuously.
    ASSERT_EQ(spring.startOfDay().secsTo(spring.addDays(1).startOfDay()), 23 * 3600);
    EXPECT_TEXT(DF::getNowYMD(), u"2009-03-05"_s);
    EXPECT_EQ(DF::getToday(), at(QDate(2009, 3, 5)));
    for (const QDate day : {spring, fall}) {
        const QString ymd = day.toString(u"yyyy-MM-dd"_s);
        EXPECT_EQ(DF::getDateFromYMDString(ymd), at(day)) << ymd.toStdString();
        EXPECT_TEXT(DF::getYMDString(at(day, QTime(23, 30)).toUTC()), ymd);
        EXPECT_EQ(DF::getAbsoluteDate(at(day, QTime(18, 45))), at(day));
        const QDate last(day.year(), day.month(), day.daysInMonth());
        EXPECT_EQ(DF::getMonthEndDateFromDate(at(day, QTime(9, 15))), at(last, QTime(9, 15)));
        EXPECT_EQ(DF::getMonthStartDateFromDate(at(last, QTime(23, 30))),
                  at(QDate(day.year(), day.month(), 1), QTime(23, 30)));
        for (const QTime time : {QTime(0, 0), QTime(0, 30), QTime(12, 0), QTime(23, 30)}) {
            const QDateTime before = at(day.addDays(-1), time);
            EXPECT_EQ(DF::getDateByAddingDays(1, before), at(day, time)) << ymd.toStdString();
            EXPECT_EQ(DF::getDateByAddingDays(2, before), at(day.addDays(1), time));
            EXPECT_EQ(DF::getDateBySubtractingDays(2, at(day.addDays(1), time)), before);
        }
    }
    // Whole days truncate: two midnights around the short day are 0 days apart.
    EXPECT_EQ(DF::getDaysDifferenceBetween(at(spring.addDays(1)), at(spring)), 0);
    EXPECT_EQ(DF::getDaysDifferenceBetween(at(spring), at(spring.addDays(2))), -1);
}

// Sao Paulo's clocks (until 2019) jumped from 24:00 to 01:00, so such a day starts at 01:00.
TEST(DateFunctions, DayStepsLandOnTheStartOfADayThatBeginsLate) {
    ScopedZone zone{"America/Sao_Paulo"};
    ScopedClock clock{at(QDate(2018, 11, 4), QTime(12, 0))};
    const QDateTime saturday = QDate(2018, 11, 3).startOfDay();
    const QDateTime sunday = QDate(2018, 11, 4).startOfDay();
    ASSERT_EQ(sunday.time(), QTime(1, 0));
    EXPECT_EQ(DF::getDateByAddingDays(1, saturday), sunday);
    EXPECT_EQ(DF::getToday(), sunday);
    EXPECT_EQ(DF::getDateFromYMDString(u"2018-11-04"_s), sunday);
}

TEST(DateFunctions, ParsingIsLenientAndRollsOverLikeTheCalendar) {
    ScopedZone zone{"America/New_York"};
    for (const QString& c :
         {u"2009-5-7|2009-05-07"_s, u"2009-05-07T13:45:00Z|2009-05-07"_s,
          u" 2009-+5-07|2009-05-07"_s, u"2009-13-01|2010-01-01"_s, u"2008-03-00|2008-02-29"_s,
          u"2009-00-15|2008-12-15"_s, u"2009-03--1|2009-02-27"_s, u"2009-01-400|2010-02-04"_s,
          u"2009|2008-11-30"_s}) {
        EXPECT_EQ(DF::getDateFromYMDString(c.section(u'|', 0, 0)),
                  at(QDate::fromString(c.section(u'|', 1), Qt::ISODate)))
            << c.toStdString();
    }
    for (const QString& text : {QString(), u"abc"_s, u"0000-05-07"_s, u"99999999999-01-01"_s}) {
        EXPECT_TRUE(DF::getDateFromYMDString(text).isNull()) << text.toStdString();
    }
}

// Only what the program calls: the long display of the details screen, the week and period
// comparisons of the lists.
TEST(DateFunctions, DisplaysNeedTenCharactersAndComparisonsAreOfInstants) {
    ScopedZone zone{"America/New_York"};
    ScopedLocale german{QLocale(QLocale::German, QLocale::Germany)};
    EXPECT_TEXT(DF::getLongDateDisplayFromYMD(u"2009-03-05"_s), u"März 5, 2009"_s);
    for (const QString& text : {QString(), u"2009-3-5"_s, u"2009-03-05 "_s, u"abcdefghij"_s}) {
        EXPECT_TEXT(DF::getLongDateDisplayFromYMD(text), QString());
    }
    EXPECT_EQ(DF::getDayOfWeek(at(QDate(2009, 3, 7), QTime(23, 30))), 6);  // not UTC's Sunday
    const QDateTime first = at(QDate(2009, 3, 5), QTime(12, 0)), none;
    const QDateTime second = first.addDays(1), third = first.addDays(2);
    EXPECT_TRUE(DF::isDateEqualToDate(first, first.toUTC()));
    EXPECT_TRUE(DF::isDateAfterDate(first, none) && DF::isDateBetween(third, first, third));
    EXPECT_FALSE(DF::isDateBetween(first, second, third));
    // The repeated autumn hour: the same wall-clock reading, different instants.
    const QDateTime daylight = at(QDate(2009, 11, 1)).addSecs(90 * 60);
    ASSERT_EQ(daylight.time(), daylight.addSecs(3600).time());
    EXPECT_TRUE(DF::isDateAfterDate(daylight.addSecs(3600), daylight));
    EXPECT_EQ(DF::getAbsDaysDifferenceBetween(first, first.addSecs(36 * 3600)), 1);
    EXPECT_EQ(DF::getDateByAddingDays(1, first.toUTC()).timeSpec(), Qt::LocalTime);
    EXPECT_TRUE(DF::getDateByAddingDays(1, none).isNull());
    EXPECT_EQ(DF::getDayOfWeek(none), -1);
}

TEST(Clock, PinnedInstantIsReadInTheCurrentZoneFromAnyThread) {
    ScopedZone newYork{"America/New_York"};
    const QDateTime first(QDate(2009, 3, 6), QTime(4, 30), Qt::UTC), second = first.addDays(1);
    ScopedClock pinned{first};
    EXPECT_EQ(Clock::now().timeSpec(), Qt::LocalTime);
    std::atomic<bool> stop{false};
    std::atomic<int> reads{0}, strays{0};
    std::thread reader([&] {
        for (; !stop; ++reads) {
            const QDateTime now = Clock::now();
            strays += now != first && now != second ? 1 : 0;
        }
    });
    for (int i = 0; i < 5000 || reads < 2000; ++i) {
        Clock::pin(i % 2 ? first : second);
    }
    stop = true;
    reader.join();
    EXPECT_EQ(strays, 0);
}

}  // namespace
