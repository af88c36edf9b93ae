#pragma once

#include <QDebug>
#include <QString>
#include <compare>

// A row's address in a sectioned table: its section and its row within that section. A plain
// value; whether it names an existing row is for the table to say.
class IndexPath {
public:
    constexpr IndexPath() = default;
    constexpr IndexPath(int section, int row) : section_(section), row_(row) {}

    static constexpr IndexPath indexPathForRow(int row, int inSection) {
        return IndexPath(inSection, row);
    }

    constexpr int section() const { return section_; }
    constexpr int row() const { return row_; }

    // Section first, then row: the order of the rows on screen.
    constexpr auto operator<=>(const IndexPath&) const = default;

    // "[section, row]", for logs and test failures.
    QString description() const;

private:
    int section_ = 0;
    int row_ = 0;
};

QDebug operator<<(QDebug debug, const IndexPath& indexPath);
