#include "PeriodClassifier.h"

#include "DateFunctions.h"

using DF = DateFunctions;

void PeriodClassifier::computeDates() {
    const QDateTime today = DF::getToday();
    dates_[AbsToday] = today;
    dates_[AbsYesterday] = DF::getDateBySubtractingDays(1, today);
    dates_[AbsTomorrow] = DF::getDateByAddingDays(1, today);
    // Every step goes through the calendar's day arithmetic, so each date stays a local
    // midnight across daylight-saving changes.
    const QDateTime sunday = DF::getDateBySubtractingDays(DF::getDayOfWeek(today), today);
    for (int day = 0; day < 7; ++day) {
        dates_[AbsThisSunday + day] = DF::getDateByAddingDays(day, sunday);
    }
    for (int day = 0; day < 7; ++day) {
        dates_[AbsNextSunday + day] = DF::getDateByAddingDays(7 + day, sunday);
    }
    for (int day = 0; day < 7; ++day) {
        dates_[AbsLastSunday + day] = DF::getDateBySubtractingDays(7 - day, sunday);
    }
    dates_[AbsThisMonthStart] = DF::getMonthStartDateFromDate(today);
    dates_[AbsThisMonthEnd] = DF::getMonthEndDateFromDate(today);
    // Last and next month are reckoned as 30 days, not as calendar months.
    dates_[ThisDayLastMonth] = DF::getDateBySubtractingDays(30, today);
    dates_[ThisDayNextMonth] = DF::getDateByAddingDays(30, today);
    dates_[AbsLastMonthStart] = DF::getMonthStartDateFromDate(dates_[ThisDayLastMonth]);
    dates_[AbsLastMonthEnd] = DF::getMonthEndDateFromDate(dates_[ThisDayLastMonth]);
    dates_[AbsNextMonthStart] = DF::getMonthStartDateFromDate(dates_[ThisDayNextMonth]);
    dates_[AbsNextMonthEnd] = DF::getMonthEndDateFromDate(dates_[ThisDayNextMonth]);
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

PeriodClassifier::Key PeriodClassifier::classify(const QDateTime& day) const {
    if (!day.isValid()) {
        return Key::NA;
    }
    auto between = [&](DateField start, DateField end) {
        return DF::isDateBetween(day, dates_[start], dates_[end]);
    };
    if (DF::isDateEqualToDate(day, dates_[AbsToday])) {
        return Key::TODAY;
    }
    if (DF::isDateEqualToDate(day, dates_[AbsYesterday])) {
        return Key::YESTERDAY;
    }
    if (DF::isDateEqualToDate(day, dates_[AbsTomorrow])) {
        return Key::TOMORROW;
    }
    if (between(AbsThisSunday, AbsThisSaturday)) {
        for (int weekday = 0; weekday < 7; ++weekday) {
            if (DF::isDateEqualToDate(day, dates_[AbsThisSunday + weekday])) {
                return Key(int(Key::THIS_SUNDAY) + weekday);
            }
        }
        return Key::NA;
    }
    if (DF::isDateAfterDate(day, dates_[AbsThisSaturday])) {
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
