#pragma once

#include <QString>

// One sort key of a fetch: an attribute name and a direction. Absent values sort before every
// value when ascending (after when descending); strings by UTF-16 code units, case-sensitive.
// A value type.
class SortDescriptor {
public:
    SortDescriptor(const QString& key, bool ascending);

    const QString& key() const { return key_; }
    bool ascending() const { return ascending_; }
    // "(releaseDate, descending)"
    QString description() const;

    bool operator==(const SortDescriptor& other) const = default;

private:
    QString key_;
    bool ascending_;
};
