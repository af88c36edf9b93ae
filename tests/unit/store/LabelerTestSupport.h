#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

#include "ScopedClock.h"
#include "ScopedZone.h"

using namespace Qt::Literals::StringLiterals;

// Labeler tests run in New York, whose clocks change on 8 March and 1 November 2009, with
// the clock pinned to noon of a chosen day.
inline QDateTime noonOf(QDate day) {
    return QDateTime(day, QTime(12, 0), Qt::LocalTime);
}
inline QString ymd(QDate day) {
    return day.toString(u"yyyy-MM-dd"_s);
}

class NewYorkDay {
public:
    explicit NewYorkDay(QDate today) : zone_("America/New_York"), clock_(noonOf(today)) {}

private:
    ScopedZone zone_;
    ScopedClock clock_;
};
