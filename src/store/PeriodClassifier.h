#pragma once

#include <QDateTime>
#include <QString>
#include <array>

// What the two period labelers share: the 32 reference dates, all local midnights reckoned
// from today (weeks Sunday to Saturday; last and next month are the calendar months holding
// the days 30 days before and after today), the 21 period texts, and the order in which a day
// is tested against the dates. Each labeler supplies its texts and decides when its dates are
// (re)computed. Main thread only; not meant to be used on its own.
class PeriodClassifier {
public:
    enum DateField {
        AbsToday,
        AbsYesterday,
        AbsTomorrow,
        AbsThisSunday,
        AbsThisMonday,
        AbsThisTuesday,
        AbsThisWednesday,
        AbsThisThursday,
        AbsThisFriday,
        AbsThisSaturday,
        AbsNextSunday,
        AbsNextMonday,
        AbsNextTuesday,
        AbsNextWednesday,
        AbsNextThursday,
        AbsNextFriday,
        AbsNextSaturday,
        AbsLastSunday,
        AbsLastMonday,
        AbsLastTuesday,
        AbsLastWednesday,
        AbsLastThursday,
        AbsLastFriday,
        AbsLastSaturday,
        AbsThisMonthStart,
        AbsThisMonthEnd,
        ThisDayLastMonth,
        ThisDayNextMonth,
        AbsLastMonthStart,
        AbsLastMonthEnd,
        AbsNextMonthStart,
        AbsNextMonthEnd,
        kDateFieldCount
    };
    enum class Key {
        TODAY,
        YESTERDAY,
        TOMORROW,
        THIS_SUNDAY,
        THIS_MONDAY,
        THIS_TUESDAY,
        THIS_WEDNESDAY,
        THIS_THURSDAY,
        THIS_FRIDAY,
        THIS_SATURDAY,
        LAST_WEEK,
        LATER_THIS_WEEK,
        NEXT_WEEK,
        LATER_THIS_MONTH,
        NEXT_MONTH,
        FUTURE,
        EARLIER_THIS_WEEK,
        EARLIER_THIS_MONTH,
        LAST_MONTH,
        OLDER,
        NA,
    };

    static constexpr size_t kKeyCount = size_t(Key::NA) + 1;

    virtual ~PeriodClassifier() = default;

    // The period of a YMD string: NA for null, empty or dateless text.
    Key getPeriodKeyForYMDString(const QString& ymd);
    // The period of a local midnight (an absolute date); NA for a null date.
    Key getPeriodKeyForDate(const QDateTime& day);
    const QString& textForKey(Key key) const { return texts_[size_t(key)]; }
    const QDateTime& dateForField(DateField field) const { return dates_[field]; }
    // The same date in UTC, which compares and subtracts without time-zone lookups.
    const QDateTime& instantForField(DateField field) const { return instants_[field]; }

    const QDateTime& absToday() const { return dates_[AbsToday]; }
    void setAbsToday(const QDateTime& value) { setDate(AbsToday, value); }
    const QDateTime& absYesterday() const { return dates_[AbsYesterday]; }
    void setAbsYesterday(const QDateTime& value) { setDate(AbsYesterday, value); }
    const QDateTime& absTomorrow() const { return dates_[AbsTomorrow]; }
    void setAbsTomorrow(const QDateTime& value) { setDate(AbsTomorrow, value); }
    const QDateTime& absThisSunday() const { return dates_[AbsThisSunday]; }
    void setAbsThisSunday(const QDateTime& value) { setDate(AbsThisSunday, value); }
    const QDateTime& absThisMonday() const { return dates_[AbsThisMonday]; }
    void setAbsThisMonday(const QDateTime& value) { setDate(AbsThisMonday, value); }
    const QDateTime& absThisTuesday() const { return dates_[AbsThisTuesday]; }
    void setAbsThisTuesday(const QDateTime& value) { setDate(AbsThisTuesday, value); }
    const QDateTime& absThisWednesday() const { return dates_[AbsThisWednesday]; }
    void setAbsThisWednesday(const QDateTime& value) { setDate(AbsThisWednesday, value); }
    const QDateTime& absThisThursday() const { return dates_[AbsThisThursday]; }
    void setAbsThisThursday(const QDateTime& value) { setDate(AbsThisThursday, value); }
    const QDateTime& absThisFriday() const { return dates_[AbsThisFriday]; }
    void setAbsThisFriday(const QDateTime& value) { setDate(AbsThisFriday, value); }
    const QDateTime& absThisSaturday() const { return dates_[AbsThisSaturday]; }
    void setAbsThisSaturday(const QDateTime& value) { setDate(AbsThisSaturday, value); }
    const QDateTime& absNextSunday() const { return dates_[AbsNextSunday]; }
    void setAbsNextSunday(const QDateTime& value) { setDate(AbsNextSunday, value); }
    const QDateTime& absNextMonday() const { return dates_[AbsNextMonday]; }
    void setAbsNextMonday(const QDateTime& value) { setDate(AbsNextMonday, value); }
    const QDateTime& absNextTuesday() const { return dates_[AbsNextTuesday]; }
    void setAbsNextTuesday(const QDateTime& value) { setDate(AbsNextTuesday, value); }
    const QDateTime& absNextWednesday() const { return dates_[AbsNextWednesday]; }
    void setAbsNextWednesday(const QDateTime& value) { setDate(AbsNextWednesday, value); }
    const QDateTime& absNextThursday() const { return dates_[AbsNextThursday]; }
    void setAbsNextThursday(const QDateTime& value) { setDate(AbsNextThursday, value); }
    const QDateTime& absNextFriday() const { return dates_[AbsNextFriday]; }
    void setAbsNextFriday(const QDateTime& value) { setDate(AbsNextFriday, value); }
    const QDateTime& absNextSaturday() const { return dates_[AbsNextSaturday]; }
    void setAbsNextSaturday(const QDateTime& value) { setDate(AbsNextSaturday, value); }
    const QDateTime& absLastSunday() const { return dates_[AbsLastSunday]; }
    void setAbsLastSunday(const QDateTime& value) { setDate(AbsLastSunday, value); }
    const QDateTime& absLastMonday() const { return dates_[AbsLastMonday]; }
    void setAbsLastMonday(const QDateTime& value) { setDate(AbsLastMonday, value); }
    const QDateTime& absLastTuesday() const { return dates_[AbsLastTuesday]; }
    void setAbsLastTuesday(const QDateTime& value) { setDate(AbsLastTuesday, value); }
    const QDateTime& absLastWednesday() const { return dates_[AbsLastWednesday]; }
    void setAbsLastWednesday(const QDateTime& value) { setDate(AbsLastWednesday, value); }
    const QDateTime& absLastThursday() const { return dates_[AbsLastThursday]; }
    void setAbsLastThursday(const QDateTime& value) { setDate(AbsLastThursday, value); }
    const QDateTime& absLastFriday() const { return dates_[AbsLastFriday]; }
    void setAbsLastFriday(const QDateTime& value) { setDate(AbsLastFriday, value); }
    const QDateTime& absLastSaturday() const { return dates_[AbsLastSaturday]; }
    void setAbsLastSaturday(const QDateTime& value) { setDate(AbsLastSaturday, value); }
    const QDateTime& absThisMonthStart() const { return dates_[AbsThisMonthStart]; }
    void setAbsThisMonthStart(const QDateTime& value) { setDate(AbsThisMonthStart, value); }
    const QDateTime& absThisMonthEnd() const { return dates_[AbsThisMonthEnd]; }
    void setAbsThisMonthEnd(const QDateTime& value) { setDate(AbsThisMonthEnd, value); }
    const QDateTime& thisDayLastMonth() const { return dates_[ThisDayLastMonth]; }
    void setThisDayLastMonth(const QDateTime& value) { setDate(ThisDayLastMonth, value); }
    const QDateTime& thisDayNextMonth() const { return dates_[ThisDayNextMonth]; }
    void setThisDayNextMonth(const QDateTime& value) { setDate(ThisDayNextMonth, value); }
    const QDateTime& absLastMonthStart() const { return dates_[AbsLastMonthStart]; }
    void setAbsLastMonthStart(const QDateTime& value) { setDate(AbsLastMonthStart, value); }
    const QDateTime& absLastMonthEnd() const { return dates_[AbsLastMonthEnd]; }
    void setAbsLastMonthEnd(const QDateTime& value) { setDate(AbsLastMonthEnd, value); }
    const QDateTime& absNextMonthStart() const { return dates_[AbsNextMonthStart]; }
    void setAbsNextMonthStart(const QDateTime& value) { setDate(AbsNextMonthStart, value); }
    const QDateTime& absNextMonthEnd() const { return dates_[AbsNextMonthEnd]; }
    void setAbsNextMonthEnd(const QDateTime& value) { setDate(AbsNextMonthEnd, value); }
    const QString& TODAY() const { return texts_[size_t(Key::TODAY)]; }
    void setTODAY(const QString& value) { texts_[size_t(Key::TODAY)] = value; }
    const QString& YESTERDAY() const { return texts_[size_t(Key::YESTERDAY)]; }
    void setYESTERDAY(const QString& value) { texts_[size_t(Key::YESTERDAY)] = value; }
    const QString& TOMORROW() const { return texts_[size_t(Key::TOMORROW)]; }
    void setTOMORROW(const QString& value) { texts_[size_t(Key::TOMORROW)] = value; }
    const QString& THIS_SUNDAY() const { return texts_[size_t(Key::THIS_SUNDAY)]; }
    void setTHIS_SUNDAY(const QString& value) { texts_[size_t(Key::THIS_SUNDAY)] = value; }
    const QString& THIS_MONDAY() const { return texts_[size_t(Key::THIS_MONDAY)]; }
    void setTHIS_MONDAY(const QString& value) { texts_[size_t(Key::THIS_MONDAY)] = value; }
    const QString& THIS_TUESDAY() const { return texts_[size_t(Key::THIS_TUESDAY)]; }
    void setTHIS_TUESDAY(const QString& value) { texts_[size_t(Key::THIS_TUESDAY)] = value; }
    const QString& THIS_WEDNESDAY() const { return texts_[size_t(Key::THIS_WEDNESDAY)]; }
    void setTHIS_WEDNESDAY(const QString& value) { texts_[size_t(Key::THIS_WEDNESDAY)] = value; }
    const QString& THIS_THURSDAY() const { return texts_[size_t(Key::THIS_THURSDAY)]; }
    void setTHIS_THURSDAY(const QString& value) { texts_[size_t(Key::THIS_THURSDAY)] = value; }
    const QString& THIS_FRIDAY() const { return texts_[size_t(Key::THIS_FRIDAY)]; }
    void setTHIS_FRIDAY(const QString& value) { texts_[size_t(Key::THIS_FRIDAY)] = value; }
    const QString& THIS_SATURDAY() const { return texts_[size_t(Key::THIS_SATURDAY)]; }
    void setTHIS_SATURDAY(const QString& value) { texts_[size_t(Key::THIS_SATURDAY)] = value; }
    const QString& LAST_WEEK() const { return texts_[size_t(Key::LAST_WEEK)]; }
    void setLAST_WEEK(const QString& value) { texts_[size_t(Key::LAST_WEEK)] = value; }
    const QString& LATER_THIS_WEEK() const { return texts_[size_t(Key::LATER_THIS_WEEK)]; }
    void setLATER_THIS_WEEK(const QString& value) { texts_[size_t(Key::LATER_THIS_WEEK)] = value; }
    const QString& NEXT_WEEK() const { return texts_[size_t(Key::NEXT_WEEK)]; }
    void setNEXT_WEEK(const QString& value) { texts_[size_t(Key::NEXT_WEEK)] = value; }
    const QString& LATER_THIS_MONTH() const { return texts_[size_t(Key::LATER_THIS_MONTH)]; }
    void setLATER_THIS_MONTH(const QString& value) {
        texts_[size_t(Key::LATER_THIS_MONTH)] = value;
    }
    const QString& NEXT_MONTH() const { return texts_[size_t(Key::NEXT_MONTH)]; }
    void setNEXT_MONTH(const QString& value) { texts_[size_t(Key::NEXT_MONTH)] = value; }
    const QString& FUTURE() const { return texts_[size_t(Key::FUTURE)]; }
    void setFUTURE(const QString& value) { texts_[size_t(Key::FUTURE)] = value; }
    const QString& EARLIER_THIS_WEEK() const { return texts_[size_t(Key::EARLIER_THIS_WEEK)]; }
    void setEARLIER_THIS_WEEK(const QString& value) {
        texts_[size_t(Key::EARLIER_THIS_WEEK)] = value;
    }
    const QString& EARLIER_THIS_MONTH() const { return texts_[size_t(Key::EARLIER_THIS_MONTH)]; }
    void setEARLIER_THIS_MONTH(const QString& value) {
        texts_[size_t(Key::EARLIER_THIS_MONTH)] = value;
    }
    const QString& LAST_MONTH() const { return texts_[size_t(Key::LAST_MONTH)]; }
    void setLAST_MONTH(const QString& value) { texts_[size_t(Key::LAST_MONTH)] = value; }
    const QString& OLDER() const { return texts_[size_t(Key::OLDER)]; }
    void setOLDER(const QString& value) { texts_[size_t(Key::OLDER)] = value; }
    const QString& NA() const { return texts_[size_t(Key::NA)]; }
    void setNA(const QString& value) { texts_[size_t(Key::NA)] = value; }

protected:
    explicit PeriodClassifier(const std::array<QString, kKeyCount>& texts) : texts_(texts) {}

    // Recomputes every reference date from the current day, in field order.
    void computeDates();
    // Called before every classification so the labeler can compute missing dates.
    virtual void prepareDates() = 0;

private:
    void setDate(DateField field, const QDateTime& value) {
        dates_[field] = value;
        instants_[field] = value.isValid() ? value.toUTC() : QDateTime();
    }
    Key classify(const QDateTime& day) const;

    std::array<QDateTime, kDateFieldCount> dates_;
    std::array<QDateTime, kDateFieldCount> instants_;
    std::array<QString, kKeyCount> texts_;
};
