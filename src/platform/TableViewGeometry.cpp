#include "TableViewGeometry.h"

#include <algorithm>
#include <climits>
#include <utility>

void TableViewGeometry::clear(int rowHeight) {
    rowHeight_ = std::max(1, rowHeight);
    smallestRowHeight_ = rowHeight_;
    sections_.clear();
    totalRows_ = 0;
    contentHeight_ = 0;
}

// Keeps the section's own row offsets only once some row differs from the table's height; a
// uniform section costs nothing per row.
void TableViewGeometry::appendSection(int rows, int headerHeight, const RowHeights& heights) {
    Section section;
    section.rows = std::max(0, rows);
    section.headerHeight = std::max(0, headerHeight);
    section.top = contentHeight_;
    section.firstRow = totalRows_;
    for (int row = 0; heights && row < section.rows; ++row) {
        const int height = std::max(1, heights(row).value_or(rowHeight_));
        smallestRowHeight_ = std::min(smallestRowHeight_, height);
        if (height != rowHeight_ && section.rowTops.empty()) {
            section.rowTops.reserve(size_t(section.rows) + 1);
            for (int before = 0; before <= row; ++before) {
                section.rowTops.push_back(qint64(before) * rowHeight_);
            }
        }
        if (!section.rowTops.empty()) {
            section.rowTops.push_back(section.rowTops.back() + height);
        }
    }
    totalRows_ = int(std::min<qint64>(qint64(totalRows_) + section.rows, INT_MAX));
    contentHeight_ += section.headerHeight + rowOffset(section, section.rows);
    sections_.push_back(std::move(section));
}

int TableViewGeometry::numberOfRowsInSection(int section) const {
    return section >= 0 && section < numberOfSections() ? sections_[size_t(section)].rows : 0;
}

bool TableViewGeometry::isValidIndexPath(const IndexPath& indexPath) const {
    return indexPath.row() >= 0 && indexPath.row() < numberOfRowsInSection(indexPath.section());
}

qint64 TableViewGeometry::rowTop(const IndexPath& indexPath) const {
    const Section& section = sections_[size_t(indexPath.section())];
    return rowsTop(section) + rowOffset(section, indexPath.row());
}

int TableViewGeometry::rowHeight(const IndexPath& indexPath) const {
    const Section& section = sections_[size_t(indexPath.section())];
    return int(rowOffset(section, indexPath.row() + 1) - rowOffset(section, indexPath.row()));
}

std::optional<IndexPath> TableViewGeometry::indexPathAtY(qint64 y) const {
    if (sections_.empty() || y < 0 || y >= contentHeight_) {
        return std::nullopt;
    }
    const int section = sectionAtY(y);
    const qint64 inRows = y - rowsTop(sections_[size_t(section)]);
    if (inRows < 0) {
        return std::nullopt;
    }
    return IndexPath(section, rowAt(sections_[size_t(section)], inRows));
}

std::optional<IndexPath> TableViewGeometry::indexPathForFlatRow(int flat) const {
    if (flat < 0 || flat >= totalRows_) {
        return std::nullopt;
    }
    // The last section starting at or before the row; empty sections share their start with
    // the next one and so are skipped.
    const auto after =
        std::upper_bound(sections_.begin(), sections_.end(), flat,
                         [](int value, const Section& s) { return value < s.firstRow; });
    const int section = int(after - sections_.begin()) - 1;
    return IndexPath(section, flat - sections_[size_t(section)].firstRow);
}

int TableViewGeometry::flatRow(const IndexPath& indexPath) const {
    return sections_[size_t(indexPath.section())].firstRow + indexPath.row();
}

// Costs the sections and rows in the range only.
void TableViewGeometry::itemsBetween(qint64 top, qint64 bottom, std::vector<IndexPath>& rows,
                                     std::vector<int>& headers) const {
    for (int s = sections_.empty() ? 0 : sectionAtY(top);
         s < numberOfSections() && sections_[size_t(s)].top < bottom; ++s) {
        const Section& section = sections_[size_t(s)];
        if (section.headerHeight > 0 && section.top + section.headerHeight > top) {
            headers.push_back(s);
        }
        const qint64 rowsStart = rowsTop(section);
        for (int row = rowAt(section, std::max<qint64>(0, top - rowsStart)); row < section.rows;
             ++row) {
            const qint64 rowTop = rowsStart + rowOffset(section, row);
            if (rowTop >= bottom) {
                break;
            }
            if (rowOffset(section, row + 1) + rowsStart > top) {
                rows.emplace_back(s, row);
            }
        }
    }
}

qint64 TableViewGeometry::rowOffset(const Section& section, int row) const {
    return section.rowTops.empty() ? qint64(row) * rowHeight_ : section.rowTops[size_t(row)];
}

// The row at `below` points under the section's first row (may be past its last row).
int TableViewGeometry::rowAt(const Section& section, qint64 below) const {
    if (section.rowTops.empty()) {
        return int(below / rowHeight_);
    }
    const auto after = std::upper_bound(section.rowTops.begin(), section.rowTops.end(), below);
    return int(after - section.rowTops.begin()) - 1;
}

// The last section whose header starts at or above y (the first one for y above the content).
int TableViewGeometry::sectionAtY(qint64 y) const {
    const auto after =
        std::upper_bound(sections_.begin(), sections_.end(), y,
                         [](qint64 value, const Section& s) { return value < s.top; });
    return std::max(0, int(after - sections_.begin()) - 1);
}
