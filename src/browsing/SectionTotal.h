#pragma once

#include <QString>

// One section of the game list: its type, from which its label follows, and its number of
// games. A plain value.
//
// Date order: the type is the band of days from today to the release day (-100000 "Long
// ago" ... 0 "Today" ... 100000 "Distant future"); games without a release date get
// kTypeNoReleaseDate. Score order: 900000 "Not rated", 910000 ... 945000 for each half star
// from 1 to 5, 950000 "5 stars". -99, and any other value, reads "n/a".
class SectionTotal {
public:
    static constexpr int kTypeNotApplicable = -99;
    // Undated games sort below every date, so they form one run at an end of the list.
    static constexpr int kTypeNoReleaseDate = -1000000;

    // A new section of the type, with no games yet.
    static SectionTotal sectionTotalForType(int type);

    QString getLabel() const;
    // "[count]\t- label", for log lines.
    QString description() const;

    int count() const { return count_; }
    void setCount(int count) { count_ = count; }
    int type() const { return type_; }
    void setType(int type) { type_ = type; }

    bool operator==(const SectionTotal&) const = default;

private:
    int count_ = 0;
    int type_ = kTypeNotApplicable;
};
