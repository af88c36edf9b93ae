#include "PeriodLabeler.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <utility>
#include <vector>

#include "GamePeriodLabeler.h"
#include "LabelerTestSupport.h"
#include "QStringPrinter.h"

namespace {

using Field = PeriodClassifier::DateField;

// The reference days worked out on the calendar, in field order.
std::vector<QDate> expectedReferenceDays(QDate today) {
    const QDate sunday = today.addDays(-(today.dayOfWeek() % 7));
    std::vector<QDate> days{today, today.addDays(-1), today.addDays(1)};
    for (int offset : {0, 7, -7}) {
        for (int weekday = 0; weekday < 7; ++weekday) {
            days.push_back(sunday.addDays(offset + weekday));
        }
    }
    auto monthStart = [](QDate day) { return QDate(day.year(), day.month(), 1); };
    auto monthEnd = [](QDate day) { return QDate(day.year(), day.month(), day.daysInMonth()); };
    const QDate lastMonth = today.addDays(-30);
    const QDate nextMonth = today.addDays(30);
    days.insert(days.end(),
                {monthStart(today), monthEnd(today), lastMonth, nextMonth, monthStart(lastMonth),
                 monthEnd(lastMonth), monthStart(nextMonth), monthEnd(nextMonth)});
    return days;
}

// label expected for each day, seen from `today`.
void expectLabels(QDate today, const std::vector<std::pair<QDate, QString>>& expected) {
    NewYorkDay pinned(today);
    PeriodLabeler labeler;
    for (const auto& [day, label] : expected) {
        EXPECT_EQ(labeler.getLabelForYMDString(ymd(day)), label)
            << "today " << ymd(today).toStdString() << ", date " << ymd(day).toStdString();
    }
}

}  // namespace

TEST(PeriodLabelerDates, AreLocalMidnightsInFieldOrderEveryDayOfAYear) {
    // 2008 is a leap year and holds both daylight-saving changes.
    for (QDate today(2008, 1, 1); today <= QDate(2008, 12, 31); today = today.addDays(1)) {
        NewYorkDay pinned(today);
        PeriodLabeler labeler;
        const std::vector<QDate> expected = expectedReferenceDays(today);
        ASSERT_EQ(expected.size(), size_t(Field::kDateFieldCount));
        for (int field = 0; field < Field::kDateFieldCount; ++field) {
            const QDateTime date = labeler.dateForField(Field(field));
            ASSERT_EQ(date, expected[size_t(field)].startOfDay(Qt::LocalTime))
                << "field " << field << " on " << ymd(today).toStdString();
            ASSERT_EQ(date.time(), QTime(0, 0));
        }
    }
}

TEST(PeriodLabelerWeek, TodayAndEveryDayOfTheWeekOnEachWeekday) {
    const QDate sunday(2009, 3, 1);
    const QStringList names{u"Sunday"_s,   u"Monday"_s, u"Tuesday"_s, u"Wednesday"_s,
                            u"Thursday"_s, u"Friday"_s, u"Saturday"_s};
    for (int todayIndex = 0; todayIndex < 7; ++todayIndex) {
        std::vector<std::pair<QDate, QString>> expected;
        for (int dayIndex = 0; dayIndex < 7; ++dayIndex) {
            QString label = names[dayIndex];
            if (dayIndex == todayIndex) {
                label = u"Today"_s;
            } else if (dayIndex == todayIndex - 1) {
                label = u"Yesterday"_s;
            } else if (dayIndex == todayIndex + 1) {
                label = u"Tomorrow"_s;
            }
            expected.emplace_back(sunday.addDays(dayIndex), label);
        }
        expectLabels(sunday.addDays(todayIndex), expected);
    }
}

// One day seen from one today.
struct DayCase {
    QDate today;
    QDate day;
    const char16_t* label;
};

const DayCase kDayCases[] = {
    // Wednesday: last Saturday is last week, the coming Sunday next week.
    {{2009, 3, 4}, {2009, 2, 28}, u"Last week"},
    {{2009, 3, 4}, {2009, 2, 22}, u"Last week"},
    {{2009, 3, 4}, {2009, 2, 21}, u"Last month"},
    {{2009, 3, 4}, {2009, 3, 8}, u"Next week"},
    {{2009, 3, 4}, {2009, 3, 14}, u"Next week"},
    {{2009, 3, 4}, {2009, 3, 15}, u"Later this month"},
    {{2009, 3, 4}, {2009, 4, 30}, u"Next month"},
    {{2009, 3, 4}, {2009, 5, 1}, u"Future"},
    // Sunday, the spring-forward day: the coming Saturday is still this week.
    {{2009, 3, 8}, {2009, 3, 6}, u"Last week"},
    {{2009, 3, 8}, {2009, 3, 7}, u"Yesterday"},
    {{2009, 3, 8}, {2009, 3, 14}, u"Saturday"},
    {{2009, 3, 8}, {2009, 3, 15}, u"Next week"},
    // 1 January: next month is January itself, so February is the future.
    {{2009, 1, 1}, {2009, 1, 10}, u"Next week"},
    {{2009, 1, 1}, {2009, 1, 11}, u"Later this month"},
    {{2009, 1, 1}, {2009, 2, 1}, u"Future"},
    {{2009, 1, 1}, {2008, 12, 27}, u"Last week"},
    {{2009, 1, 1}, {2008, 12, 20}, u"Last month"},
    {{2009, 1, 1}, {2008, 11, 30}, u"Older"},
    // 31 January: next month is March, so February after next week is the future.
    {{2009, 1, 31}, {2009, 2, 7}, u"Next week"},
    {{2009, 1, 31}, {2009, 2, 8}, u"Future"},
    {{2009, 1, 31}, {2009, 3, 1}, u"Next month"},
    {{2009, 1, 31}, {2009, 4, 1}, u"Future"},
    {{2009, 1, 31}, {2009, 1, 2}, u"Earlier this month"},
    // 1 March: last month is January, so all of January and February is last month.
    {{2009, 3, 1}, {2009, 2, 28}, u"Yesterday"},
    {{2009, 3, 1}, {2009, 2, 27}, u"Last week"},
    {{2009, 3, 1}, {2009, 2, 21}, u"Last month"},
    {{2009, 3, 1}, {2009, 1, 1}, u"Last month"},
    {{2009, 3, 1}, {2008, 12, 31}, u"Older"},
    // 25 March: the month's last days lie in next week, which is tested first.
    {{2009, 3, 25}, {2009, 3, 28}, u"Saturday"},
    {{2009, 3, 25}, {2009, 3, 29}, u"Next week"},
    {{2009, 3, 25}, {2009, 3, 31}, u"Next week"},
    {{2009, 3, 25}, {2009, 4, 5}, u"Next month"},
    {{2009, 3, 25}, {2009, 3, 2}, u"Earlier this month"},
    {{2009, 3, 25}, {2009, 3, 15}, u"Last week"},
    // The Monday after either daylight-saving change.
    {{2009, 3, 9}, {2009, 3, 8}, u"Yesterday"},
    {{2009, 3, 9}, {2009, 3, 7}, u"Last week"},
    {{2009, 3, 9}, {2009, 3, 14}, u"Saturday"},
    {{2009, 11, 2}, {2009, 11, 1}, u"Yesterday"},
    {{2009, 11, 2}, {2009, 10, 31}, u"Last week"},
    {{2009, 11, 2}, {2009, 11, 8}, u"Next week"},
};

TEST(PeriodLabelerPeriods, WeeksMonthsAndDaylightSavingCases) {
    for (const DayCase& dayCase : kDayCases) {
        expectLabels(dayCase.today, {{dayCase.day, QString::fromUtf16(dayCase.label)}});
    }
    NewYorkDay pinned(QDate(2009, 3, 4));
    PeriodLabeler labeler;
    EXPECT_EQ(labeler.getLabelForYMDString(u"2009-3-4"_s), u"Today"_s);
    EXPECT_EQ(labeler.getLabelForYMDString(u"2009-03-05 10:00"_s), u"Tomorrow"_s);
}

template <class Labeler>
class LabelerInput : public testing::Test {};
using Labelers = testing::Types<PeriodLabeler, GamePeriodLabeler>;
TYPED_TEST_SUITE(LabelerInput, Labelers);

TYPED_TEST(LabelerInput, NullEmptyAndDatelessTextAreNotAvailable) {
    NewYorkDay pinned(QDate(2009, 3, 4));
    TypeParam labeler;
    EXPECT_EQ(labeler.getLabelForYMDString(QString()), u"Not available"_s);
    EXPECT_EQ(labeler.getLabelForYMDString(u""_s), u"Not available"_s);
    EXPECT_EQ(labeler.getLabelForYMDString(u"soon"_s), u"Not available"_s);
    EXPECT_EQ(labeler.getLabelForYMDString(u"-03-04"_s), u"Not available"_s);
}

TEST(PeriodLabelerState, KeptPastMidnightAnswersForItsOwnDayUntilSetDates) {
    ScopedZone zone("America/New_York");
    ScopedClock lateEvening(QDateTime(QDate(2009, 3, 4), QTime(23, 30), Qt::LocalTime));
    PeriodLabeler labeler;
    ScopedClock afterMidnight(QDateTime(QDate(2009, 3, 5), QTime(0, 30), Qt::LocalTime));
    EXPECT_EQ(labeler.getLabelForYMDString(u"2009-03-04"_s), u"Today"_s);
    labeler.setDates();
    EXPECT_EQ(labeler.getLabelForYMDString(u"2009-03-04"_s), u"Yesterday"_s);
    EXPECT_EQ(labeler.getLabelForYMDString(u"2009-03-05"_s), u"Today"_s);
}
