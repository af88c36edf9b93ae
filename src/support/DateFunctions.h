#pragma once

#include <QDateTime>
#include <QString>

// Calendar operations that the whole program shares. A date is an instant held as a QDateTime
// in local time; a null QDateTime is "nothing". All calendar work is Gregorian in the current
// local time zone. The YMD string "yyyy-MM-dd" is the one textual date: the local calendar day
// of an instant. Weeks run Sunday (0) to Saturday (6); a day is 86400 seconds wherever days
// and seconds are converted. Pure apart from the clock (Clock::now); any thread may call them.
//
// Nothing in gives nothing out (null dates and strings, false comparisons), with the
// exceptions noted per operation. Dates held in UTC or at an offset are read as their instant.
class DateFunctions {
public:
    // Now and today.
    static QDateTime getNow();
    static QDateTime getToday();
    static QString getNowYMD();
    // The start of the date's local day (00:00 unless the day begins later, in a time-zone gap).
    static QDateTime getAbsoluteDate(const QDateTime& date);

    // YMD strings. getYMDString formats now for a null date, so an unknown date reads as today.
    static QString getYMDString(const QDateTime& date);
    // The start of the local day named by year, month and day read leniently ("2009-5-7",
    // "2009-05-07 12:00" and "2009-05-07" agree; out-of-range months and days roll over as in
    // the calendar). Nothing for a null string, a year of 0 (text without a date) or a day
    // beyond the range of QDateTime.
    static QDateTime getDateFromYMDString(const QString& ymd);

    // Calendar fields. For a null date: -1 for the day of the week, 0 for the others.
    static int getDayOfWeek(const QDateTime& date);
    static int getDayOfMonth(const QDateTime& date);
    // The calendar's day of the year, 1 for 1 January.
    static int getDayOfYear(const QDateTime& date);

    // Month and year bounds; month bounds keep the date's time of day.
    static QDateTime getMonthStartDateFromDate(const QDateTime& date);
    static QDateTime getMonthEndDateFromDate(const QDateTime& date);
    static QDateTime getYearStartDateFromDate(const QDateTime& date);

    // Moves the date by whole days of 86400 s, then undoes a one-hour daylight-saving shift so
    // the wall-clock hour stays; a start of day always lands on the start of the target day.
    static QDateTime getDateByAddingDays(int days, const QDateTime& date);
    static QDateTime getDateBySubtractingDays(int days, const QDateTime& date);

    // Comparisons of instants. Equal and before are false when either date is null; after is
    // "neither equal nor before", so it is true when either date is null. Between includes
    // both ends.
    static bool isDateEqualToDate(const QDateTime& date, const QDateTime& otherDate);
    static bool isDateBeforeDate(const QDateTime& date, const QDateTime& otherDate);
    static bool isDateAfterDate(const QDateTime& date, const QDateTime& otherDate);
    static bool isDateBetween(const QDateTime& date, const QDateTime& startDate,
                              const QDateTime& endDate);

    // (thisDate - thatDate) in seconds / 86400, truncated toward zero: two local midnights
    // around a 23-hour day are 0 days apart. 0 when either date is null.
    static int getDaysDifferenceBetween(const QDateTime& thisDate, const QDateTime& thatDate);
    static int getAbsDaysDifferenceBetween(const QDateTime& thisDate, const QDateTime& thatDate);
    // Whole seconds, truncated; 0 when either date is null, INT_MAX when too many for an int.
    static int getAbsSecondsDiffereceBetween(const QDateTime& date, const QDateTime& otherDate);
    static int getAbsSecondsSince(const QDateTime& date);

    // Display. Weekday names are always English; the formatted dates follow the default QLocale.
    // The YMD displays answer nothing unless the string has exactly 10 characters and parses;
    // in English they read "5 March 09", "Thursday March 5, 2009" and "March 5, 2009".
    static QString getDayForDate(const QDateTime& date);
    static QString getDayForYMDString(const QString& ymd);
    static QString getShortDateDisplayFromYMD(const QString& ymd);
    static QString getShortDateWithDayNameDisplayFromYMD(const QString& ymd);
    static QString getLongDateDisplayFromYMD(const QString& ymd);
};
