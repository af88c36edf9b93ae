#include "GamePeriodLabeler.h"

#include <gtest/gtest.h>

#include <QSet>
#include <atomic>
#include <thread>
#include <vector>

#include "LabelerTestSupport.h"
#include "QStringPrinter.h"

namespace {

// The phrase for the day `offset` days from `today` (negative in the past).
QString phrase(QDate today, int offset) {
    NewYorkDay pinned(today);
    GamePeriodLabeler labeler;
    return labeler.getLabelForYMDString(ymd(today.addDays(offset)));
}

// 5 June 2009: last month is May, so 45 days back (21 April) is older than last month. Every
// day counted from here lies in summer time, so calendar days and counted days agree.
const QDate kEarlyJune(2009, 6, 5);

}  // namespace

// The phrase for the day `offset` days from `today`.
struct PhraseCase {
    QDate today;
    int offset;
    const char16_t* phrase;
};

const PhraseCase kPhrases[] = {
    {kEarlyJune, 0, u"Released Today"},
    {kEarlyJune, -1, u"Released Yesterday"},
    {kEarlyJune, 1, u"Releasing Tomorrow"},
    // Up to thirty days are counted, also 2 days ahead within the week (Wednesday to Friday).
    {kEarlyJune, -2, u"Released 2 days ago"},
    {kEarlyJune, -30, u"Released 30 days ago"},
    {kEarlyJune, 30, u"Releasing in 30 days"},
    {{2009, 6, 3}, 2, u"Releasing in 2 days"},
    // Last month is May (5 May is 31 days back), next month July (6 July is 31 ahead).
    {kEarlyJune, -31, u"Released Last month"},
    {kEarlyJune, 31, u"Releasing Next month"},
    // Older and later dates count thirty-day months and twelve-month years.
    {kEarlyJune, -45, u"Released 1 month ago"},
    {kEarlyJune, -359, u"Released 11 months ago"},
    {kEarlyJune, -360, u"Released 1 year ago"},
    {kEarlyJune, -400, u"Released 1 year 1 month ago"},
    {kEarlyJune, -800, u"Released 2 years 2 months ago"},
    {kEarlyJune, 100, u"Releasing in 3 months"},
    {kEarlyJune, 720, u"Releasing in 2 years"},
    {kEarlyJune, 760, u"Releasing in 2 years 1 month"},
    // The clocks went forward on Sunday 8 March 2009: a 47-hour gap is one day, 71 hours two;
    // the autumn change makes a 49-hour gap, still two days.
    {{2009, 3, 10}, -2, u"Released Last Sunday"},
    {{2009, 3, 9}, -2, u"Last week"},
    {{2009, 3, 10}, -3, u"Released 2 days ago"},
    {{2009, 11, 2}, -2, u"Released 2 days ago"},
};

TEST(GamePeriodLabelerPhrases, CountsDaysMonthsAndYearsAroundThePeriodTexts) {
    for (const PhraseCase& c : kPhrases) {
        SCOPED_TRACE(ymd(c.today).toStdString() + " " + std::to_string(c.offset));
        EXPECT_EQ(phrase(c.today, c.offset), QString::fromUtf16(c.phrase));
    }
}

TEST(GamePeriodLabelerState, KeptPastMidnightFollowsTheNewDay) {
    ScopedZone zone("America/New_York");
    ScopedClock lateEvening(QDateTime(QDate(2009, 3, 4), QTime(23, 30), Qt::LocalTime));
    GamePeriodLabeler labeler;
    EXPECT_EQ(labeler.getLabelForYMDString(u"2009-03-05"_s), u"Releasing Tomorrow"_s);

    ScopedClock afterMidnight(QDateTime(QDate(2009, 3, 5), QTime(0, 30), Qt::LocalTime));
    EXPECT_EQ(labeler.getLabelForYMDString(u"2009-03-05"_s), u"Released Today"_s);
    EXPECT_EQ(labeler.getLabelForYMDString(u"2009-03-04"_s), u"Released Yesterday"_s);
    EXPECT_EQ(labeler.absToday(), QDate(2009, 3, 5).startOfDay(Qt::LocalTime));
    EXPECT_EQ(labeler.absThisSunday(), QDate(2009, 3, 1).startOfDay(Qt::LocalTime));
}

TEST(GamePeriodLabelerShared, ConcurrentFirstCallsCreateOneInstance) {
    constexpr int kThreads = 8;
    std::atomic<bool> go{false};
    std::vector<GamePeriodLabeler*> seen(kThreads, nullptr);
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back([&, i] {
            while (!go.load()) {
                std::this_thread::yield();
            }
            seen[size_t(i)] = GamePeriodLabeler::instanceOf();
        });
    }
    go.store(true);
    for (std::thread& thread : threads) {
        thread.join();
    }
    ASSERT_NE(seen[0], nullptr);
    for (GamePeriodLabeler* labeler : seen) {
        EXPECT_EQ(labeler, seen[0]);
    }
    EXPECT_EQ(GamePeriodLabeler::instanceOf(), seen[0]);
}
