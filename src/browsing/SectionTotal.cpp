#include "SectionTotal.h"

#include "Format.h"

using namespace Qt::Literals::StringLiterals;

SectionTotal SectionTotal::sectionTotalForType(int type) {
    SectionTotal section;
    section.setType(type);
    return section;
}

QString SectionTotal::getLabel() const {
    struct Label {
        int type;
        QStringView text;
    };
    static constexpr Label kLabels[] = {
        {kTypeNoReleaseDate, u"Release date unknown"},
        {-100000, u"Long ago"},
        {-730, u"Last 1-2 years"},
        {-365, u"Last 6-12 months"},
        {-90, u"Last 90 days"},
        {-60, u"Last 60 days"},
        {-30, u"Last 30 days"},
        {-7, u"Last week"},
        {0, u"Today"},
        {7, u"Next week"},
        {30, u"Next 30 days"},
        {60, u"Next 60 days"},
        {90, u"Next 90 days"},
        {365, u"Next 6-12 months"},
        {730, u"Next 1-2 years"},
        {100000, u"Distant future"},
        {900000, u"Not rated"},
        {910000, u"1 - 1\u00BD stars"},
        {915000, u"1\u00BD - 2 stars"},
        {920000, u"2 - 2\u00BD stars"},
        {925000, u"2\u00BD - 3 stars"},
        {930000, u"3 - 3\u00BD stars"},
        {935000, u"3\u00BD - 4 stars"},
        {940000, u"4 - 4\u00BD stars"},
        {945000, u"4\u00BD - 5 stars"},
        {950000, u"5 stars"},
    };
    for (const Label& label : kLabels) {
        if (label.type == type_) {
            return label.text.toString();
        }
    }
    return u"n/a"_s;
}

QString SectionTotal::description() const {
    return Format::format(u"[%d]\t- %@"_s, count_, getLabel());
}
