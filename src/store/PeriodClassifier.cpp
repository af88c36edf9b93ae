#include "PeriodClassifier.h"

#include "DateFunctions.h"

using DF = DateFunctions;

void PeriodClassifier::computeDates() {
    const QDateTime today = DF::getToday();
    setDate(AbsToday, today);
    setDate(AbsYesterday, DF::getDateBySubtractingDays(1, today));
    setDate(AbsTomorrow, DF::getDateByAddingDays(1, today));
    // Every step goes through the calendar's day arithmetic, so each date stays a local
    // midnight across daylight-saving changes.
    const QDateTime sunday = DF::getDateBySubtractingDays(DF::getDayOfWeek(today), today);
    for (int day = 0; day < 7; ++day) {
        setDate(DateField(AbsThisSunday + day), DF::getDateByAddingDays(day, sunday));
    }
    for (int day = 0; day < 7; ++day) {
        setDate(DateField(AbsNextSunday + day), DF::getDateByAddingDays(7 + day, sunday));
    }
    for (int day = 0; day < 7; ++day) {
        setDate(DateField(AbsLastSunday + day), DF::getDateBySubtractingDays(7 - day, sunday));
    }
    setDate(AbsThisMonthStart, DF::getMonthStartDateFromDate(today));
    setDate(AbsThisMonthEnd, DF::getMonthEndDateFromDate(today));
    // Last and next month are reckoned as 30 days, not as calendar months.
    setDate(ThisDayLastMonth, DF::getDateBySubtractingDays(30, today));
    setDate(ThisDayNextMonth, DF::getDateByAddingDays(30, today));
    setDate(AbsLastMonthStart, DF::getMonthStartDateFromDate(dates_[ThisDayLastMonth]));
    setDate(AbsLastMonthEnd, DF::getMonthEndDateFromDate(dates_[ThisDayLastMonth]));
    setDate(AbsNextMonthStart, DF::getMonthStartDateFromDate(dates_[ThisDayNextMonth]));
    setDate(AbsNextMonthEnd, DF::getMonthEndDateFromDate(dates_[ThisDayNextMonth]));
}

PeriodClassifier::Key PeriodClassifier::getPeriodKeyForYMDString(const QString& ymd) {
    prepareDates();
    if (ymd.isEmpty()) {
        return Key::NA;
    }
    return classify(DF::getAbsoluteDate(DF::getDateFromYMDString(ymd)));
}

PeriodClassifier::Key PeriodClassifier::getPeriodKeyForDate(const QDateTime& day) {
    prepareDates();
    return classify(day);
}

PeriodClassifier::Key PeriodClassifier::classify(const QDateTime& localDay) const {
    if (!localDay.isValid()) {
        return Key::NA;
    }
    const QDateTime day = localDay.toUTC();
    auto between = [&](DateField start, DateField end) {
        return DF::isDateBetween(day, instants_[start], instants_[end]);
    };
    if (DF::isDateEqualToDate(day, instants_[AbsToday])) {
        return Key::TODAY;
    }
    if (DF::isDateEqualToDate(day, instants_[AbsYesterday])) {
        return Key::YESTERDAY;
    }
    if (DF::isDateEqualToDate(day, instants_[AbsTomorrow])) {
        return Key::TOMORROW;
    }
    if (between(AbsThisSunday, AbsThisSaturday)) {
        for (int weekday = 0; weekday < 7; ++weekday) {
            if (DF::isDateEqualToDate(day, instants_[AbsThisSunday + weekday])) {
                return Key(int(Key::THIS_SUNDAY) + weekday);
            }
        }
        return Key::NA;
    }
    if (DF::isDateAfterDate(day, instants_[AbsThisSaturday])) {
        // Next week is tested first, so the end of this month inside next week reads so.
        if (between(AbsNextSunday, AbsNextSaturday)) {
            return Key::NEXT_WEEK;
        }
        if (between(AbsNextSaturday, AbsThisMonthEnd)) {
            return Key::LATER_THIS_MONTH;
        }
        if (between(AbsNextMonthStart, AbsNextMonthEnd)) {
            return Key::NEXT_MONTH;
        }
        return Key::FUTURE;
    }
    if (between(AbsLastSunday, AbsLastSaturday)) {
        return Key::LAST_WEEK;
    }
    if (between(AbsThisMonthStart, AbsThisMonthEnd)) {
        return Key::EARLIER_THIS_MONTH;
    }
    // Up to the end of this month: whatever lies between last month's start and this week.
    if (between(AbsLastMonthStart, AbsThisMonthEnd)) {
        return Key::LAST_MONTH;
    }
    return Key::OLDER;
}
