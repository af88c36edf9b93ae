#include "SectionTotal.h"

#include "Format.h"

using namespace Qt::Literals::StringLiterals;

SectionTotal SectionTotal::sectionTotalForType(int type) {
    SectionTotal section;
    section.setType(type);
    return section;
}

QString SectionTotal::getLabel() const {
    switch (type_) {
        case kTypeNoReleaseDate:
            return u"Release date unknown"_s;
        case -100000:
            return u"Long ago"_s;
        case -730:
            return u"Last 1-2 years"_s;
        case -365:
            return u"Last 6-12 months"_s;
        case -90:
            return u"Last 90 days"_s;
        case -60:
            return u"Last 60 days"_s;
        case -30:
            return u"Last 30 days"_s;
        case -7:
            return u"Last week"_s;
        case 0:
            return u"Today"_s;
        case 7:
            return u"Next week"_s;
        case 30:
            return u"Next 30 days"_s;
        case 60:
            return u"Next 60 days"_s;
        case 90:
            return u"Next 90 days"_s;
        case 365:
            return u"Next 6-12 months"_s;
        case 730:
            return u"Next 1-2 years"_s;
        case 100000:
            return u"Distant future"_s;
        case 900000:
            return u"Not rated"_s;
        case 910000:
            return u"1 - 1\u00BD stars"_s;
        case 915000:
            return u"1\u00BD - 2 stars"_s;
        case 920000:
            return u"2 - 2\u00BD stars"_s;
        case 925000:
            return u"2\u00BD - 3 stars"_s;
        case 930000:
            return u"3 - 3\u00BD stars"_s;
        case 935000:
            return u"3\u00BD - 4 stars"_s;
        case 940000:
            return u"4 - 4\u00BD stars"_s;
        case 945000:
            return u"4\u00BD - 5 stars"_s;
        case 950000:
            return u"5 stars"_s;
        default:
            return u"n/a"_s;
    }
}

QString SectionTotal::description() const {
    return Format::format(u"[%d]\t- %@"_s, count_, getLabel());
}
