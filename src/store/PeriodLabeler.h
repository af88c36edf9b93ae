#pragma once

#include <QString>

#include "PeriodClassifier.h"

// Names the period in which a calendar day falls, seen from today: "Today", "Yesterday",
// "Tomorrow", a weekday of the current week, "Next week", "Later this month", "Next month",
// "Future", "Last week", "Earlier this month", "Last month" or "Older" ("Not available" for
// text without a date). The reference dates are taken at construction and kept until
// setDates() runs again, so a labeler kept past midnight still answers for the day its dates
// were taken. Main thread only.
class PeriodLabeler : public PeriodClassifier {
public:
    PeriodLabeler();

    // Recomputes the 32 reference dates from the current day.
    void setDates() { computeDates(); }
    // The label of the period of a YMD string; the labeler's own text for that period.
    QString getLabelForYMDString(const QString& ymd) {
        return textForKey(getPeriodKeyForYMDString(ymd));
    }

protected:
    void prepareDates() override;
};
