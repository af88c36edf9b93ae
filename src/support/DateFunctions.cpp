#include "DateFunctions.h"

#include <QLocale>
#include <QtNumeric>
#include <algorithm>
#include <array>
#include <limits>

#include "Clock.h"
#include "StringFunctions.h"

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr qint64 kSecondsPerDay = 86400;
constexpr qint64 kMSecsPerDay = kSecondsPerDay * 1000;
constexpr qint64 kSecondsPerHour = 3600;

QDateTime local(const QDateTime& date) {
    return date.timeSpec() == Qt::LocalTime ? date : date.toLocalTime();
}

int clampToInt(qint64 value) {
    return int(std::clamp<qint64>(value, std::numeric_limits<int>::min(),
                                  std::numeric_limits<int>::max()));
}

qint64 floorDiv(qint64 value, qint64 divisor) {
    return value / divisor - (value % divisor != 0 && value < 0 ? 1 : 0);
}

// this - that in milliseconds, saturated: QDateTime's range is wide enough to overflow qint64.
qint64 msecsBetween(const QDateTime& thisDate, const QDateTime& thatDate) {
    qint64 difference = 0;
    if (qSubOverflow(thisDate.toMSecsSinceEpoch(), thatDate.toMSecsSinceEpoch(), &difference)) {
        return thisDate > thatDate ? std::numeric_limits<qint64>::max()
                                   : std::numeric_limits<qint64>::min();
    }
    return difference;
}

// Reads a number as the handset's intValue did, which YMD text relies on: leading blanks,
// an optional sign, digits up to the first non-digit, 0 without digits, saturated at the int
// range.
int intValue(const QString& text) {
    const qsizetype size = text.size();
    qsizetype at = 0;
    while (at < size && text[at].isSpace()) {
        ++at;
    }
    bool negative = false;
    if (at < size && (text[at] == u'-' || text[at] == u'+')) {
        negative = text[at] == u'-';
        ++at;
    }
    constexpr qint64 kLimit = qint64(std::numeric_limits<int>::max()) + 1;
    qint64 value = 0;
    for (; at < size && text[at] >= u'0' && text[at] <= u'9'; ++at) {
        value = qMin(value * 10 + (text[at].unicode() - u'0'), kLimit);
    }
    return clampToInt(negative ? -value : value);
}

// The day that setting year, month and day on a calendar names: months roll over into years
// first, then the day counts from the first of that month, so day 0 is the previous month's
// last day. The year is astronomical (0 = 1 BC); Qt's calendar has no year 0.
QDate calendarDay(int year, int month, int day) {
    const qint64 monthIndex = qint64(month) - 1;
    const qint64 yearsCarried = floorDiv(monthIndex, 12);
    qint64 qtYear = year + yearsCarried;
    if (qtYear <= 0) {
        --qtYear;
    }
    if (qtYear < std::numeric_limits<int>::min() || qtYear > std::numeric_limits<int>::max()) {
        return {};
    }
    const QDate monthStart(int(qtYear), int(monthIndex - yearsCarried * 12) + 1, 1);
    return monthStart.isValid() ? monthStart.addDays(qint64(day) - 1) : QDate();
}

QDateTime moveByDays(const QDateTime& date, qint64 days) {
    if (!date.isValid()) {
        return {};
    }
    const QDateTime start = local(date);
    const QDate targetDay = start.date().addDays(days);
    // Where the clocks jump at midnight a day starts at 01:00; its start must still map to the
    // target day's start, or day-by-day reference dates stop matching absolute dates.
    if (start.toMSecsSinceEpoch() == start.date().startOfDay(Qt::LocalTime).toMSecsSinceEpoch()) {
        const QDateTime targetStart = targetDay.startOfDay(Qt::LocalTime);
        return targetStart.isValid() ? targetStart : QDateTime();
    }
    const QDateTime candidate = start.addSecs(days * kSecondsPerDay);
    if (!candidate.isValid()) {
        return {};
    }
    const int hour = start.time().hour();
    const int candidateHour = candidate.time().hour();
    QDateTime result = candidate;
    if (candidateHour == (hour + 23) % 24) {
        result = candidate.addSecs(kSecondsPerHour);
    } else if (candidateHour == (hour + 1) % 24) {
        result = candidate.addSecs(-kSecondsPerHour);
    }
    // Near a midnight jump the hour fix can cross into the neighbouring day; the day matters
    // more than the hour.
    if (result.date() != targetDay && candidate.date() == targetDay) {
        return candidate;
    }
    return result;
}

QString displayFromYMD(const QString& ymd, const QString& format) {
    if (ymd.size() != 10) {
        return {};
    }
    const QDateTime date = DateFunctions::getDateFromYMDString(ymd);
    return date.isValid() ? QLocale().toString(date.date(), format) : QString();
}

}  // namespace

QDateTime DateFunctions::getNow() {
    return Clock::now();
}

QDateTime DateFunctions::getToday() {
    return getAbsoluteDate(getNow());
}

QString DateFunctions::getNowYMD() {
    return getYMDString(getNow());
}

QDateTime DateFunctions::getAbsoluteDate(const QDateTime& date) {
    if (!date.isValid()) {
        return {};
    }
    return local(date).date().startOfDay(Qt::LocalTime);
}

QString DateFunctions::getYMDString(const QDateTime& date) {
    const QDateTime instant = date.isValid() ? local(date) : getNow();
    return instant.date().toString(u"yyyy-MM-dd"_s);
}

QDateTime DateFunctions::getDateFromYMDString(const QString& ymd) {
    if (ymd.isNull()) {
        return {};
    }
    const QString dash = u"-"_s;
    const int year = intValue(StringFunctions::fLeftOf(dash, ymd));
    // No year means no date at all; the calendar would otherwise make one 2000 years ago.
    if (year == 0) {
        return {};
    }
    const int month = intValue(StringFunctions::fBetween(ymd, dash, dash));
    const int day = intValue(StringFunctions::fRightOf(dash, StringFunctions::fRightOf(dash, ymd)));
    const QDate calendarDate = calendarDay(year, month, day);
    if (!calendarDate.isValid()) {
        return {};
    }
    const QDateTime start = calendarDate.startOfDay(Qt::LocalTime);
    return start.isValid() ? start : QDateTime();
}

int DateFunctions::getDayOfWeek(const QDateTime& date) {
    return date.isValid() ? local(date).date().dayOfWeek() % 7 : -1;
}

int DateFunctions::getDayOfMonth(const QDateTime& date) {
    return date.isValid() ? local(date).date().day() : 0;
}

int DateFunctions::getDayOfYear(const QDateTime& date) {
    // Counted on the calendar: whole 86400 s steps from 1 January fall an hour short of every
    // midnight in summer time.
    return date.isValid() ? local(date).date().dayOfYear() : 0;
}

QDateTime DateFunctions::getMonthStartDateFromDate(const QDateTime& date) {
    if (!date.isValid()) {
        return {};
    }
    return getDateBySubtractingDays(getDayOfMonth(date) - 1, date);
}

QDateTime DateFunctions::getMonthEndDateFromDate(const QDateTime& date) {
    if (!date.isValid()) {
        return {};
    }
    // 35 - day lands within the first week of the next month, whatever the month's length.
    const QDateTime nextMonth = getDateByAddingDays(35 - getDayOfMonth(date), date);
    return getDateBySubtractingDays(getDayOfMonth(nextMonth), nextMonth);
}

QDateTime DateFunctions::getYearStartDateFromDate(const QDateTime& date) {
    if (!date.isValid()) {
        return {};
    }
    return QDate(local(date).date().year(), 1, 1).startOfDay(Qt::LocalTime);
}

QDateTime DateFunctions::getDateByAddingDays(int days, const QDateTime& date) {
    return moveByDays(date, days);
}

QDateTime DateFunctions::getDateBySubtractingDays(int days, const QDateTime& date) {
    return moveByDays(date, -qint64(days));
}

bool DateFunctions::isDateEqualToDate(const QDateTime& date, const QDateTime& otherDate) {
    // Compared as instants: equal wall-clock readings differ in the repeated autumn hour.
    return date.isValid() && otherDate.isValid() &&
           date.toMSecsSinceEpoch() == otherDate.toMSecsSinceEpoch();
}

bool DateFunctions::isDateBeforeDate(const QDateTime& date, const QDateTime& otherDate) {
    return date.isValid() && otherDate.isValid() &&
           date.toMSecsSinceEpoch() < otherDate.toMSecsSinceEpoch();
}

bool DateFunctions::isDateAfterDate(const QDateTime& date, const QDateTime& otherDate) {
    return !isDateEqualToDate(date, otherDate) && !isDateBeforeDate(date, otherDate);
}

bool DateFunctions::isDateBetween(const QDateTime& date, const QDateTime& startDate,
                                  const QDateTime& endDate) {
    return isDateEqualToDate(date, startDate) || isDateEqualToDate(date, endDate) ||
           (isDateAfterDate(date, startDate) && isDateBeforeDate(date, endDate));
}

int DateFunctions::getDaysDifferenceBetween(const QDateTime& thisDate, const QDateTime& thatDate) {
    if (!thisDate.isValid() || !thatDate.isValid()) {
        return 0;
    }
    // Truncated, not rounded: callers count on a 23-hour day being less than a day.
    return clampToInt(msecsBetween(thisDate, thatDate) / kMSecsPerDay);
}

int DateFunctions::getAbsDaysDifferenceBetween(const QDateTime& thisDate,
                                               const QDateTime& thatDate) {
    const int days = getDaysDifferenceBetween(thisDate, thatDate);
    return days == std::numeric_limits<int>::min() ? std::numeric_limits<int>::max() : qAbs(days);
}

int DateFunctions::getAbsSecondsDiffereceBetween(const QDateTime& date,
                                                 const QDateTime& otherDate) {
    if (!date.isValid() || !otherDate.isValid()) {
        return 0;
    }
    const qint64 msecs = msecsBetween(date, otherDate);
    const qint64 seconds = msecs / 1000;
    return clampToInt(seconds < 0 ? -seconds : seconds);
}

int DateFunctions::getAbsSecondsSince(const QDateTime& date) {
    return getAbsSecondsDiffereceBetween(date, getNow());
}

QString DateFunctions::getDayForDate(const QDateTime& date) {
    static const std::array<QString, 7> kNames{u"Sunday"_s,    u"Monday"_s,   u"Tuesday"_s,
                                               u"Wednesday"_s, u"Thursday"_s, u"Friday"_s,
                                               u"Saturday"_s};
    const int weekday = getDayOfWeek(date);
    return weekday < 0 ? QString() : kNames[size_t(weekday)];
}

QString DateFunctions::getDayForYMDString(const QString& ymd) {
    return getDayForDate(getDateFromYMDString(ymd));
}

QString DateFunctions::getShortDateDisplayFromYMD(const QString& ymd) {
    return displayFromYMD(ymd, u"d MMMM yy"_s);
}

QString DateFunctions::getShortDateWithDayNameDisplayFromYMD(const QString& ymd) {
    return displayFromYMD(ymd, u"dddd MMMM d, yyyy"_s);
}

QString DateFunctions::getLongDateDisplayFromYMD(const QString& ymd) {
    return displayFromYMD(ymd, u"MMMM d, yyyy"_s);
}
