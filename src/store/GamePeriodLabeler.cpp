#include "GamePeriodLabeler.h"

#include "DateFunctions.h"
#include "Format.h"

using namespace Qt::Literals::StringLiterals;
using DF = DateFunctions;

GamePeriodLabeler* GamePeriodLabeler::instanceOf() {
    // Made once even when threads race to the first call; never destroyed, as rows may label
    // at exit.
    static GamePeriodLabeler* const shared = new GamePeriodLabeler();
    return shared;
}

GamePeriodLabeler::GamePeriodLabeler()
    : PeriodClassifier({u"Released Today"_s,
                        u"Released Yesterday"_s,
                        u"Releasing Tomorrow"_s,
                        u"Released Last Sunday"_s,
                        u"Released Last Monday"_s,
                        u"Released Last Tuesday"_s,
                        u"Released Last Wednesday"_s,
                        u"Released Last Thursday"_s,
                        u"Released Last Friday"_s,
                        u"Released Last Saturday"_s,
                        u"Last week"_s,
                        u"Releasing Later this week"_s,
                        u"Releasing Next week"_s,
                        u"Releasing Later this month"_s,
                        u"Releasing Next month"_s,
                        u"Releasing Future"_s,
                        u"Released Earlier this week"_s,
                        u"Released Earlier this month"_s,
                        u"Released Last month"_s,
                        u"Older"_s,
                        u"Not available"_s}),
      DAYS_LABEL_(u"days"_s),
      MONTHS_LABEL_(u"months"_s),
      YEARS_LABEL_(u"years"_s) {
    prepareDates();
}

void GamePeriodLabeler::prepareDates() {
    const QDateTime today = DF::getToday();
    if (!absToday().isValid() || !DF::isDateEqualToDate(today, datesTakenFor_)) {
        computeDates();
        datesTakenFor_ = today;
    }
}

QString GamePeriodLabeler::getLabelForYMDString(const QString& ymd) {
    const QDateTime day = DF::getAbsoluteDate(DF::getDateFromYMDString(ymd)).toUTC();
    // A null or empty string has no date, which classifies as NA.
    const Key key = getPeriodKeyForDate(day);
    const QString& label = textForKey(key);
    if (key == Key::NA) {
        return label;
    }
    const QDateTime& today = instantForField(AbsToday);
    const int ago = DF::getDaysDifferenceBetween(today, day);
    const int days = DF::getAbsDaysDifferenceBetween(today, day);
    const bool past = ago > 0;
    const QString oneCount = past ? u"Released %d %@ ago"_s : u"Releasing in %d %@"_s;
    if (days <= 1) {
        return label;
    }
    if (days <= 30) {
        return Format::format(oneCount, days, DAYS_LABEL_);
    }
    // Dates more than 30 days away that fall in last or next month keep their period text.
    if (key != Key::OLDER && key != Key::FUTURE) {
        return label;
    }
    const int months = days / 30;
    const int years = months / 12;
    auto monthWord = [this](int count) { return count == 1 ? u"month"_s : MONTHS_LABEL_; };
    if (years == 0) {
        return Format::format(oneCount, months, monthWord(months));
    }
    const int leftOver = months - 12 * years;
    const QString yearWord = years == 1 ? u"year"_s : YEARS_LABEL_;
    if (leftOver == 0) {
        return Format::format(oneCount, years, yearWord);
    }
    return Format::format(past ? u"Released %d %@ %d %@ ago"_s : u"Releasing in %d %@ %d %@"_s,
                          years, yearWord, leftOver, monthWord(leftOver));
}
