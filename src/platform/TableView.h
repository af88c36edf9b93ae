#pragma once

#include <QAbstractScrollArea>
#include <QHash>
#include <QList>
#include <QPointer>
#include <map>
#include <optional>

#include "IndexPath.h"
#include "TableViewGeometry.h"

class QPropertyAnimation;
class TableViewCell;
class TableViewDataSource;
class TableViewDelegate;

// Where scrollToRowAtIndexPath puts the row: None moves as little as makes the whole row
// visible (not at all when it already is).
enum class TableViewScrollPosition { None, Top, Middle, Bottom };

// A vertically scrolling list of rows in sections, each section led by a header. Rows come
// from a data source, one reusable cell per row in view; cells leaving the view go back to a
// pool by reuse identifier, so a table of any length holds only about a screenful of cells.
// Heights are fixed at each reload: rows are rowHeight high and headers sectionHeaderHeight
// unless the delegate answers otherwise for a row or section (TableViewGeometry keeps where
// everything lies), so one scroll step costs only the rows in view. Headers scroll with the
// rows (they do not stay pinned at the top).
//
// Input: the wheel and the scroll bar scroll; a press-move-release on the rows drags the
// content; a press and release that moves less than the platform's drag distance selects the
// row under it and reports it to the delegate. Keys: Up / Down move the selection (without
// reporting it), Page Up / Down scroll a page, Home / End go to the top / bottom, Enter and
// Return report the selected row.
//
// The data source and delegate are not owned. Cells and header views belong to the table
// once handed over. GUI thread only.
class TableView : public QAbstractScrollArea {
    Q_OBJECT
    Q_PROPERTY(int contentOffsetY READ contentOffsetY WRITE setContentOffsetY)

public:
    static constexpr int kAnimationMilliseconds = 300;
    static constexpr int kDefaultRowHeight = 44;

    explicit TableView(QWidget* parent = nullptr);
    ~TableView() override;

    // Setting the data source, the delegate or a height reloads at once.
    void setDataSource(TableViewDataSource* dataSource);
    TableViewDataSource* dataSource() const { return dataSource_; }
    void setDelegate(TableViewDelegate* delegate);
    TableViewDelegate* delegate() const { return delegate_; }

    // At least 1; takes effect at once.
    void setRowHeight(int rowHeight);
    int rowHeight() const { return rowHeight_; }
    // 0 (the default) means no headers, unless the delegate gives a height for a section.
    void setSectionHeaderHeight(int sectionHeaderHeight);
    int sectionHeaderHeight() const { return sectionHeaderHeight_; }

    // Asks the data source again for the counts and titles and the visible cells again;
    // clears the selection and drops the header views; keeps the content offset where it
    // still fits. REQUIRES: not called from inside cellForRowAtIndexPath.
    void reloadData();
    // A pooled cell with that identifier, made ready by prepareForReuse, or null.
    TableViewCell* dequeueReusableCellWithIdentifier(const QString& identifier);

    // As of the last reload. Out of range sections have 0 rows.
    int numberOfSections() const { return geometry_.numberOfSections(); }
    int numberOfRowsInSection(int section) const {
        return geometry_.numberOfRowsInSection(section);
    }
    // Rows of all sections together.
    int numberOfRows() const { return geometry_.numberOfRows(); }
    bool isValidIndexPath(const IndexPath& indexPath) const {
        return geometry_.isValidIndexPath(indexPath);
    }

    // In content coordinates (y counted from the top of the first section); an empty rect for
    // a row or section that does not exist.
    QRect rectForRowAtIndexPath(const IndexPath& indexPath) const;
    QRect rectForHeaderInSection(int section) const;
    // The row under a point in content coordinates; nothing over a header or past the end.
    std::optional<IndexPath> indexPathForRowAtPoint(QPoint point) const;

    // The cell showing that row, null when the row is not in view.
    TableViewCell* cellForRowAtIndexPath(const IndexPath& indexPath) const;
    // The row a visible cell shows; nothing for a cell not in view (pooled, or not ours).
    std::optional<IndexPath> indexPathForCell(const TableViewCell* cell) const;
    // Top to bottom, partly visible rows included.
    QList<TableViewCell*> visibleCells() const;
    QList<IndexPath> indexPathsForVisibleRows() const;
    // The topmost cell in view (possibly partly scrolled away), or null.
    TableViewCell* firstVisibleCell() const;

    // Does nothing (and logs) for a row that does not exist. The offset is clamped to the
    // content, so rows near the ends cannot reach the top or the middle.
    void scrollToRowAtIndexPath(const IndexPath& indexPath, TableViewScrollPosition position,
                                bool animated);
    QPoint contentOffset() const { return QPoint(0, contentOffsetY()); }
    // Clamped to 0 ... contentHeight minus the viewport height. Animated scrolls take
    // kAnimationMilliseconds on the ease-in-ease-out curve; a new scroll, a press, a key or the
    // wheel stops one under way.
    void setContentOffset(QPoint contentOffset, bool animated);
    int contentOffsetY() const;
    void setContentOffsetY(int y);
    int contentHeight() const;

    // Highlights the row's cell (at once) and remembers the row; does not tell the delegate.
    // Nothing (and a log line) for a row that does not exist.
    void selectRowAtIndexPath(const IndexPath& indexPath, bool animated,
                              TableViewScrollPosition scrollPosition);
    // Nothing unless that row is the selected one. Animated fades the highlight out.
    void deselectRowAtIndexPath(const IndexPath& indexPath, bool animated);
    std::optional<IndexPath> indexPathForSelectedRow() const { return selected_; }

    // Places the visible cells and headers now, asking the data source for rows coming
    // into view (layout otherwise happens on every scroll, resize and reload).
    void layoutIfNeeded();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    int maximumOffset() const;
    void updateScrollRange();
    void layoutCells();
    void placeHeader(int section, int top);
    QWidget* headerViewForSection(int section);
    void enqueueCell(TableViewCell* cell);
    void dropHeaders();
    void moveSelection(int step);
    void announceSelection(const IndexPath& indexPath);
    void reportSelection(const IndexPath& indexPath);

    TableViewDataSource* dataSource_ = nullptr;
    TableViewDelegate* delegate_ = nullptr;
    bool needsReload_ = true;
    bool layingOut_ = false;
    int rowHeight_ = kDefaultRowHeight;
    int sectionHeaderHeight_ = 0;
    TableViewGeometry geometry_;

    std::map<IndexPath, QPointer<TableViewCell>> visibleCells_;
    QHash<QString, QList<QPointer<TableViewCell>>> reusePool_;
    // Every section whose header was asked for since the last reload; null when it has none.
    std::map<int, QPointer<QWidget>> headers_;

    std::optional<IndexPath> selected_;
    QPointer<QPropertyAnimation> scrollAnimation_;

    // The press under way: where it started, the offset then, and whether it became a drag.
    bool pressing_ = false;
    bool dragging_ = false;
    QPoint pressPosition_;
    int pressOffset_ = 0;
};
