#pragma once

#include <QDateTime>
#include <QString>

#include "PeriodClassifier.h"

// Turns a game's release date into the phrase shown beside the game: "Released Today",
// "Releasing Tomorrow", a count of days up to 30, "Released Last month" / "Releasing Next
// month", or a count of months or of years and months (months of 30 days, years of 360).
// The rows and the detail screen share one instance (instanceOf), created on first use under
// a lock and kept for the life of the process. Labeling is main-thread only.
//
// The reference dates are computed from today at construction. setDates() does nothing; the
// dates are instead recomputed before labeling whenever the current day (its local midnight)
// is no longer the one they were taken for, so a list left open past midnight, or after a
// time-zone change, does not read a day behind. Dates set through the setters are kept until
// that day changes.
class GamePeriodLabeler : public PeriodClassifier {
public:
    static GamePeriodLabeler* instanceOf();

    GamePeriodLabeler();

    // Does nothing: the labeler keeps its dates current itself.
    void setDates() {}
    // The period's own text, as the plain labeler classifies the date.
    QString getORIGLabelForYMDString(const QString& ymd) {
        return textForKey(getPeriodKeyForYMDString(ymd));
    }
    // The displayed phrase for a YMD string.
    QString getLabelForYMDString(const QString& ymd);

    const QString& DAYS_LABEL() const { return DAYS_LABEL_; }
    void setDAYS_LABEL(const QString& value) { DAYS_LABEL_ = value; }
    const QString& MONTHS_LABEL() const { return MONTHS_LABEL_; }
    void setMONTHS_LABEL(const QString& value) { MONTHS_LABEL_ = value; }
    const QString& YEARS_LABEL() const { return YEARS_LABEL_; }
    void setYEARS_LABEL(const QString& value) { YEARS_LABEL_ = value; }

protected:
    void prepareDates() override;

private:
    QString DAYS_LABEL_;
    QString MONTHS_LABEL_;
    QString YEARS_LABEL_;
    QDateTime datesTakenFor_;  // the local midnight the reference dates were computed from
};
