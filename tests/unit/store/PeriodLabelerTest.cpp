#include "PeriodLabeler.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <functional>

#include "GamePeriodLabeler.h"
#include "QStringPrinter.h"
#include "ScopedClock.h"
#include "ScopedZone.h"

using namespace Qt::Literals::StringLiterals;

// Labeler tests run in New York, whose clocks change on 8 March and 1 November 2009, with the
// clock pinned to noon of a chosen day (or to a time of it).
struct NewYorkDay {
    explicit NewYorkDay(QDate today, QTime time = QTime(12, 0))
        : clock(QDateTime(today, time, Qt::LocalTime)) {}
    ScopedZone zone{"America/New_York"};  // before the clock, which reads the day in it
    ScopedClock clock;
};

namespace {

QString ymd(QDate day) {
    return day.toString(u"yyyy-MM-dd"_s);
}

// Checks one "today argument label" case: `label` answers for the argument with the clock
// pinned to that day.
void expectCase(const char* text, const std::function<QString(QDate, const QString&)>& label) {
    const QStringList c = QString::fromUtf8(text).split(u' ');
    const QDate today = QDate::fromString(c[0], Qt::ISODate);
    NewYorkDay pinned(today);
    EXPECT_EQ(label(today, c[1]), c.mid(2).join(u' ')) << text;
}

}  // namespace

// One day seen from one today: "today day label".
TEST(PeriodLabelerPeriods, WeeksMonthsAndDaylightSavingCases) {
    const char* const cases[] = {
        // Wednesday: last Saturday is last week, the coming Sunday next week.
        "2009-03-04 2009-03-02 Monday",
        "2009-03-04 2009-03-06 Friday",
        "2009-03-04 2009-02-22 Last week",
        "2009-03-04 2009-02-21 Last month",
        "2009-03-04 2009-03-08 Next week",
        "2009-03-04 2009-03-15 Later this month",
        "2009-03-04 2009-04-30 Next month",
        "2009-03-04 2009-05-01 Future",
        // Sunday, the spring-forward day: the coming Saturday is still this week.
        "2009-03-08 2009-03-07 Yesterday",
        "2009-03-08 2009-03-14 Saturday",
        // 1 January: next month is January itself, so February is the future.
        "2009-01-01 2009-01-11 Later this month",
        "2009-01-01 2009-02-01 Future",
        "2009-01-01 2008-11-30 Older",
        // 31 January: next month is March, so February after next week is the future.
        "2009-01-31 2009-02-08 Future",
        "2009-01-31 2009-03-01 Next month",
        "2009-01-31 2009-01-02 Earlier this month",
        // 1 March: last month is January, so all of January and February is last month.
        "2009-03-01 2009-01-01 Last month",
        "2009-03-01 2008-12-31 Older",
        // 25 March: the month's last days lie in next week, which is tested first.
        "2009-03-25 2009-03-31 Next week",
        // The Monday after either daylight-saving change.
        "2009-03-09 2009-03-07 Last week",
        "2009-11-02 2009-11-01 Yesterday",
        // Short forms and times still name a day; text without a date does not.
        "2009-03-04 2009-3-4 Today",
        "2009-03-04 2009-03-05_10:00 Tomorrow",
        "2009-03-04 soon Not available",
        "2009-03-04 -03-04 Not available",
    };
    for (const char* text : cases) {
        expectCase(text, [](QDate, const QString& day) {
            return PeriodLabeler().getLabelForYMDString(QString(day).replace(u'_', u' '));
        });
    }
}

// The plain labeler answers for its own day until setDates; the shared one follows the clock.
TEST(PeriodLabelerState, KeptPastMidnight) {
    NewYorkDay lateEvening(QDate(2009, 3, 4), QTime(23, 30));
    PeriodLabeler labeler;
    GamePeriodLabeler gameLabeler;
    EXPECT_EQ(gameLabeler.getLabelForYMDString(u"2009-03-05"_s), u"Releasing Tomorrow"_s);
    NewYorkDay afterMidnight(QDate(2009, 3, 5), QTime(0, 30));
    EXPECT_EQ(labeler.getLabelForYMDString(u"2009-03-04"_s), u"Today"_s);
    labeler.setDates();
    EXPECT_EQ(labeler.getLabelForYMDString(u"2009-03-04"_s), u"Yesterday"_s);
    EXPECT_EQ(gameLabeler.getLabelForYMDString(u"2009-03-05"_s), u"Released Today"_s);
    EXPECT_EQ(gameLabeler.getLabelForYMDString(u"2009-03-04"_s), u"Released Yesterday"_s);
    EXPECT_EQ(gameLabeler.absThisSunday(), QDate(2009, 3, 1).startOfDay(Qt::LocalTime));
    EXPECT_EQ(gameLabeler.getLabelForYMDString(QString()), u"Not available"_s);
}

// The phrase for the day `offset` days from `today` (negative in the past). 5 June 2009: last
// month is May, so 45 days back (21 April) is older than last month; every day counted from
// there lies in summer time, so calendar days and counted days agree.
TEST(GamePeriodLabelerPhrases, CountsDaysMonthsAndYearsAroundThePeriodTexts) {
    // "today offset phrase"
    const char* const cases[] = {
        "2009-06-05 0 Released Today",
        "2009-06-05 1 Releasing Tomorrow",
        // Up to thirty days are counted, also 2 days ahead within the week.
        "2009-06-05 -2 Released 2 days ago",
        "2009-06-05 -30 Released 30 days ago",
        "2009-06-05 30 Releasing in 30 days",
        "2009-06-03 2 Releasing in 2 days",
        // Last month is May (5 May is 31 days back), next month July (6 July is 31 ahead).
        "2009-06-05 -31 Released Last month",
        "2009-06-05 31 Releasing Next month",
        // Older and later dates count thirty-day months and twelve-month years.
        "2009-06-05 -45 Released 1 month ago",
        "2009-06-05 -360 Released 1 year ago",
        "2009-06-05 -800 Released 2 years 2 months ago",
        "2009-06-05 100 Releasing in 3 months",
        "2009-06-05 760 Releasing in 2 years 1 month",
        // The clocks went forward on Sunday 8 March 2009: a 47-hour gap is one day, 71 hours
        // two; the autumn change makes a 49-hour gap, still two days.
        "2009-03-10 -2 Released Last Sunday",
        "2009-03-09 -2 Last week",
        "2009-03-10 -3 Released 2 days ago",
        "2009-11-02 -2 Released 2 days ago",
    };
    for (const char* text : cases) {
        expectCase(text, [](QDate today, const QString& offset) {
            return GamePeriodLabeler().getLabelForYMDString(ymd(today.addDays(offset.toInt())));
        });
    }
}
