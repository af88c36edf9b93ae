#pragma once

#include <QtGlobal>
#include <functional>
#include <optional>
#include <vector>

#include "IndexPath.h"

// Where the headers and rows of a TableView lie, in content coordinates (y counted from the
// top of the first section), as of its last reload. Rows are `rowHeight` high unless a section
// was given other heights; such a section keeps running sums of its rows, a uniform one keeps
// nothing per row, so finding what lies at a height costs a search over the sections and one
// over that section's rows. Rows are also numbered across sections ("flat" rows) for stepping
// through them. No widgets: TableView asks its data source and delegate and hands the answers
// here.
class TableViewGeometry {
public:
    // A row's height, or nothing for the table's own.
    using RowHeights = std::function<std::optional<int>(int row)>;

    // Starts over without sections; rows are `rowHeight` (at least 1) high from now on.
    void clear(int rowHeight);
    // Adds the next section: its header's height and its rows, each asked of `heights` when
    // given (answers below 1 count as 1).
    void appendSection(int rows, int headerHeight, const RowHeights& heights);

    int numberOfSections() const { return int(sections_.size()); }
    // Out of range sections have 0 rows.
    int numberOfRowsInSection(int section) const;
    // All sections together; a table of more than INT_MAX rows is not supported.
    int numberOfRows() const { return totalRows_; }
    qint64 contentHeight() const { return contentHeight_; }
    // The least row height of the whole table, for sizing the pool of cells.
    int smallestRowHeight() const { return smallestRowHeight_; }
    bool isValidIndexPath(const IndexPath& indexPath) const;

    // REQUIRES: a valid index path.
    qint64 rowTop(const IndexPath& indexPath) const;
    int rowHeight(const IndexPath& indexPath) const;
    // REQUIRES: an existing section.
    qint64 headerTop(int section) const { return sections_[size_t(section)].top; }
    int headerHeight(int section) const { return sections_[size_t(section)].headerHeight; }

    // The row at a height; nothing over a header, above the content or past its end.
    std::optional<IndexPath> indexPathAtY(qint64 y) const;
    // Row numbers counted over all sections; nothing for a row that does not exist.
    std::optional<IndexPath> indexPathForFlatRow(int flatRow) const;
    // REQUIRES: a valid index path.
    int flatRow(const IndexPath& indexPath) const;

    // The rows and the headers (of a height above 0) that reach into [top, bottom), top to
    // bottom.
    void itemsBetween(qint64 top, qint64 bottom, std::vector<IndexPath>& rows,
                      std::vector<int>& headers) const;

private:
    // top is the header's top and firstRow the section's first flat row. rowTops holds each
    // row's top below the header (and the end) only when some row's height differs from
    // rowHeight_.
    struct Section {
        int rows = 0;
        int headerHeight = 0;
        qint64 top = 0;
        int firstRow = 0;
        std::vector<qint64> rowTops;
    };

    qint64 rowOffset(const Section& section, int row) const;
    int rowAt(const Section& section, qint64 below) const;
    qint64 rowsTop(const Section& section) const { return section.top + section.headerHeight; }
    int sectionAtY(qint64 y) const;

    int rowHeight_ = 1;
    int smallestRowHeight_ = 1;
    std::vector<Section> sections_;
    int totalRows_ = 0;
    qint64 contentHeight_ = 0;
};
