#include "PeriodLabeler.h"

using namespace Qt::Literals::StringLiterals;

PeriodLabeler::PeriodLabeler()
    : PeriodClassifier({u"Today"_s,
                        u"Yesterday"_s,
                        u"Tomorrow"_s,
                        u"Sunday"_s,
                        u"Monday"_s,
                        u"Tuesday"_s,
                        u"Wednesday"_s,
                        u"Thursday"_s,
                        u"Friday"_s,
                        u"Saturday"_s,
                        u"Last week"_s,
                        u"Later this week"_s,
                        u"Next week"_s,
                        u"Later this month"_s,
                        u"Next month"_s,
                        u"Future"_s,
                        u"Earlier this week"_s,
                        u"Earlier this month"_s,
                        u"Last month"_s,
                        u"Older"_s,
                        u"Not available"_s}) {
    setDates();
}

void PeriodLabeler::prepareDates() {
    if (!absToday().isValid()) {
        setDates();
    }
}
