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

    const QDateTime& absToday() const { return dates_[AbsToday]; }
    void setAbsToday(const QDateTime& value) { dates_[AbsToday] = value; }
    const QDateTime& absYesterday() const { return dates_[AbsYesterday]; }
    void setAbsYesterday(const QDateTime& value) { dates_[AbsYesterday] = value; }
    const QDateTime& absTomorrow() const { return dates_[AbsTomorrow]; }
    void setAbsTomorrow(const QDateTime& value) { dates_[AbsTomorrow] = value; }
    const QDateTime& absThisSunday() const { return dates_[AbsThisSunday]; }
    void setAbsThisSunday(const QDateTime& value) { dates_[AbsThisSunday] = value; }
    const QDateTime& absThisMonday() const { return dates_[AbsThisMonday]; }
    void setAbsThisMonday(const QDateTime& value) { dates_[AbsThisMonday] = value; }
    const QDateTime& absThisTuesday() const { return dates_[AbsThisTuesday]; }
    void setAbsThisTuesday(const QDateTime& value) { dates_[AbsThisTuesday] = value; }
    const QDateTime& absThisWednesday() const { return dates_[AbsThisWednesday]; }
    void setAbsThisWednesday(const QDateTime& value) { dates_[AbsThisWednesday] = value; }
    const QDateTime& absThisThursday() const { return dates_[AbsThisThursday]; }
    void setAbsThisThursday(const QDateTime& value) { dates_[AbsThisThursday] = value; }
    const QDateTime& absThisFriday() const { return dates_[AbsThisFriday]; }
    void setAbsThisFriday(const QDateTime& value) { dates_[AbsThisFriday] = value; }
    const QDateTime& absThisSaturday() const { return dates_[AbsThisSaturday]; }
    void setAbsThisSaturday(const QDateTime& value) { dates_[AbsThisSaturday] = value; }
    const QDateTime& absNextSunday() const { return dates_[AbsNextSunday]; }
    void setAbsNextSunday(const QDateTime& value) { dates_[AbsNextSunday] = value; }
    const QDateTime& absNextMonday() const { return dates_[AbsNextMonday]; }
    void setAbsNextMonday(const QDateTime& value) { dates_[AbsNextMonday] = value; }
    const QDateTime& absNextTuesday() const { return dates_[AbsNextTuesday]; }
    void setAbsNextTuesday(const QDateTime& value) { dates_[AbsNextTuesday] = value; }
    const QDateTime& absNextWednesday() const { return dates_[AbsNextWednesday]; }
    void setAbsNextWednesday(const QDateTime& value) { dates_[AbsNextWednesday] = value; }
    const QDateTime& absNextThursday() const { return dates_[AbsNextThursday]; }
    void setAbsNextThursday(const QDateTime& value) { dates_[AbsNextThursday] = value; }
    const QDateTime& absNextFriday() const { return dates_[AbsNextFriday]; }
    void setAbsNextFriday(const QDateTime& value) { dates_[AbsNextFriday] = value; }
    const QDateTime& absNextSaturday() const { return dates_[AbsNextSaturday]; }
    void setAbsNextSaturday(const QDateTime& value) { dates_[AbsNextSaturday] = value; }
    const QDateTime& absLastSunday() const { return dates_[AbsLastSunday]; }
    void setAbsLastSunday(const QDateTime& value) { dates_[AbsLastSunday] = value; }
    const QDateTime& absLastMonday() const { return dates_[AbsLastMonday]; }
    void setAbsLastMonday(const QDateTime& value) { dates_[AbsLastMonday] = value; }
    const QDateTime& absLastTuesday() const { return dates_[AbsLastTuesday]; }
    void setAbsLastTuesday(const QDateTime& value) { dates_[AbsLastTuesday] = value; }
    const QDateTime& absLastWednesday() const { return dates_[AbsLastWednesday]; }
    void setAbsLastWednesday(const QDateTime& value) { dates_[AbsLastWednesday] = value; }
    const QDateTime& absLastThursday() const { return dates_[AbsLastThursday]; }
    void setAbsLastThursday(const QDateTime& value) { dates_[AbsLastThursday] = value; }
    const QDateTime& absLastFriday() const { return dates_[AbsLastFriday]; }
    void setAbsLastFriday(const QDateTime& value) { dates_[AbsLastFriday] = value; }
    const QDateTime& absLastSaturday() const { return dates_[AbsLastSaturday]; }
    void setAbsLastSaturday(const QDateTime& value) { dates_[AbsLastSaturday] = value; }
    const QDateTime& absThisMonthStart() const { return dates_[AbsThisMonthStart]; }
    void setAbsThisMonthStart(const QDateTime& value) { dates_[AbsThisMonthStart] = value; }
    const QDateTime& absThisMonthEnd() const { return dates_[AbsThisMonthEnd]; }
    void setAbsThisMonthEnd(const QDateTime& value) { dates_[AbsThisMonthEnd] = value; }
    const QDateTime& thisDayLastMonth() const { return dates_[ThisDayLastMonth]; }
    void setThisDayLastMonth(const QDateTime& value) { dates_[ThisDayLastMonth] = value; }
    const QDateTime& thisDayNextMonth() const { return dates_[ThisDayNextMonth]; }
    void setThisDayNextMonth(const QDateTime& value) { dates_[ThisDayNextMonth] = value; }
    const QDateTime& absLastMonthStart() const { return dates_[AbsLastMonthStart]; }
    void setAbsLastMonthStart(const QDateTime& value) { dates_[AbsLastMonthStart] = value; }
    const QDateTime& absLastMonthEnd() const { return dates_[AbsLastMonthEnd]; }
    void setAbsLastMonthEnd(const QDateTime& value) { dates_[AbsLastMonthEnd] = value; }
    const QDateTime& absNextMonthStart() const { return dates_[AbsNextMonthStart]; }
    void setAbsNextMonthStart(const QDateTime& value) { dates_[AbsNextMonthStart] = value; }
    const QDateTime& absNextMonthEnd() const { return dates_[AbsNextMonthEnd]; }
    void setAbsNextMonthEnd(const QDateTime& value) { dates_[AbsNextMonthEnd] = value; }
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
    Key classify(const QDateTime& day) const;

    std::array<QDateTime, kDateFieldCount> dates_;
    std::array<QString, kKeyCount> texts_;
};
