#include "TableView.h"

#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <climits>

#include "AccessibleFactory.h"
#include "Animator.h"
#include "MyLog.h"
#include "TableViewCell.h"
#include "TableViewDataSource.h"
#include "TableViewDelegate.h"

using namespace Qt::Literals::StringLiterals;

TableView::TableView(QWidget* parent) : QAbstractScrollArea(parent) {
    AccessibleFactory::install();
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFocusPolicy(Qt::StrongFocus);
    setFrameShape(QFrame::NoFrame);
    viewport()->setAutoFillBackground(true);
}

TableView::~TableView() {
    Animator::stop(scrollAnimation_);
}

void TableView::setDataSource(TableViewDataSource* dataSource) {
    dataSource_ = dataSource;
    needsReload_ = true;
    layoutIfNeeded();
}

void TableView::setDelegate(TableViewDelegate* delegate) {
    delegate_ = delegate;
    needsReload_ = true;
    layoutIfNeeded();
}

void TableView::setRowHeight(int rowHeight) {
    rowHeight_ = std::max(1, rowHeight);
    needsReload_ = true;
    layoutIfNeeded();
}

void TableView::setSectionHeaderHeight(int sectionHeaderHeight) {
    sectionHeaderHeight_ = std::max(0, sectionHeaderHeight);
    needsReload_ = true;
    layoutIfNeeded();
}

void TableView::reloadData() {
    needsReload_ = false;
    for (auto& [path, cell] : visibleCells_) {
        enqueueCell(cell);
    }
    visibleCells_.clear();
    dropHeaders();
    selected_.reset();

    geometry_.clear(rowHeight_);
    const int count = dataSource_ ? std::max(0, dataSource_->numberOfSectionsInTableView(this)) : 0;
    for (int s = 0; s < count; ++s) {
        const int rows = dataSource_->numberOfRowsInSection(this, s);
        const std::optional<int> header =
            delegate_ ? delegate_->heightForHeaderInSection(this, s) : std::nullopt;
        TableViewGeometry::RowHeights heights;
        if (delegate_) {
            heights = [this, s](int row) {
                return delegate_->heightForRowAtIndexPath(this, IndexPath(s, row));
            };
        }
        geometry_.appendSection(rows, header.value_or(sectionHeaderHeight_), heights);
    }
    updateScrollRange();
    layoutCells();
}

TableViewCell* TableView::dequeueReusableCellWithIdentifier(const QString& identifier) {
    auto pool = reusePool_.find(identifier);
    while (pool != reusePool_.end() && !pool->isEmpty()) {
        if (TableViewCell* cell = pool->takeLast()) {
            cell->prepareForReuse();
            return cell;
        }
    }
    return nullptr;
}

QRect TableView::rectForRowAtIndexPath(const IndexPath& indexPath) const {
    if (!isValidIndexPath(indexPath)) {
        return {};
    }
    return QRect(0, int(std::min<qint64>(geometry_.rowTop(indexPath), INT_MAX)),
                 viewport()->width(), geometry_.rowHeight(indexPath));
}

QRect TableView::rectForHeaderInSection(int section) const {
    if (section < 0 || section >= numberOfSections()) {
        return {};
    }
    return QRect(0, int(std::min<qint64>(geometry_.headerTop(section), INT_MAX)),
                 viewport()->width(), geometry_.headerHeight(section));
}

std::optional<IndexPath> TableView::indexPathForRowAtPoint(QPoint point) const {
    return geometry_.indexPathAtY(point.y());
}

TableViewCell* TableView::cellForRowAtIndexPath(const IndexPath& indexPath) const {
    const auto it = visibleCells_.find(indexPath);
    return it != visibleCells_.end() ? it->second.data() : nullptr;
}

std::optional<IndexPath> TableView::indexPathForCell(const TableViewCell* cell) const {
    for (const auto& [path, visible] : visibleCells_) {
        if (cell && visible == cell) {
            return path;
        }
    }
    return std::nullopt;
}

QList<TableViewCell*> TableView::visibleCells() const {
    QList<TableViewCell*> cells;
    for (const auto& [path, cell] : visibleCells_) {
        if (cell) {
            cells.append(cell);
        }
    }
    return cells;
}

QList<IndexPath> TableView::indexPathsForVisibleRows() const {
    QList<IndexPath> paths;
    for (const auto& [path, cell] : visibleCells_) {
        if (cell) {
            paths.append(path);
        }
    }
    return paths;
}

TableViewCell* TableView::firstVisibleCell() const {
    const QList<TableViewCell*> cells = visibleCells();
    return cells.isEmpty() ? nullptr : cells.first();
}

void TableView::scrollToRowAtIndexPath(const IndexPath& indexPath, TableViewScrollPosition position,
                                       bool animated) {
    if (!isValidIndexPath(indexPath)) {
        MYLOG(u"TableView: no row at %@ to scroll to"_s, indexPath.description());
        return;
    }
    layoutIfNeeded();
    const QRect row = rectForRowAtIndexPath(indexPath);
    const int height = viewport()->height();
    const int current = contentOffsetY();
    int target = current;
    switch (position) {
        case TableViewScrollPosition::Top:
            target = row.top();
            break;
        case TableViewScrollPosition::Middle:
            target = row.top() + row.height() / 2 - height / 2;
            break;
        case TableViewScrollPosition::Bottom:
            target = row.top() + row.height() - height;
            break;
        case TableViewScrollPosition::None:
            if (row.top() < current) {
                target = row.top();
            } else if (row.top() + row.height() > current + height) {
                target = row.top() + row.height() - height;
            }
            break;
    }
    setContentOffset(QPoint(0, target), animated);
}

int TableView::contentOffsetY() const {
    return verticalScrollBar()->value();
}

void TableView::setContentOffsetY(int y) {
    verticalScrollBar()->setValue(std::clamp(y, 0, maximumOffset()));
}

void TableView::setContentOffset(QPoint contentOffset, bool animated) {
    Animator::stop(scrollAnimation_);
    layoutIfNeeded();
    const int target = std::clamp(contentOffset.y(), 0, maximumOffset());
    if (!animated || target == contentOffsetY()) {
        setContentOffsetY(target);
        return;
    }
    Animator::animate(&scrollAnimation_, this, this, "contentOffsetY", contentOffsetY(), target,
                      kAnimationMilliseconds);
}

int TableView::contentHeight() const {
    return int(std::min<qint64>(geometry_.contentHeight(), INT_MAX));
}

int TableView::maximumOffset() const {
    return std::max(0, contentHeight() - viewport()->height());
}

void TableView::selectRowAtIndexPath(const IndexPath& indexPath, bool animated,
                                     TableViewScrollPosition scrollPosition) {
    layoutIfNeeded();
    if (!isValidIndexPath(indexPath)) {
        MYLOG(u"TableView: no row at %@ to select"_s, indexPath.description());
        return;
    }
    if (selected_ && *selected_ != indexPath) {
        deselectRowAtIndexPath(*selected_, false);
    }
    selected_ = indexPath;
    if (TableViewCell* cell = cellForRowAtIndexPath(indexPath)) {
        cell->setSelected(true, animated);
    }
    // As on the handset, None leaves the offset alone when selecting.
    if (scrollPosition != TableViewScrollPosition::None) {
        scrollToRowAtIndexPath(indexPath, scrollPosition, animated);
    }
    announceSelection(indexPath);
}

// Screen readers read the row the selection moved to, and follow it as the focus while the
// table has the keyboard.
void TableView::announceSelection(const IndexPath& indexPath) {
    const int child = int(visibleCells().indexOf(cellForRowAtIndexPath(indexPath)));
    if (child < 0) {
        return;
    }
    QAccessibleEvent selection(this, QAccessible::Selection);
    selection.setChild(child);
    QAccessible::updateAccessibility(&selection);
    if (hasFocus()) {
        QAccessibleEvent focus(this, QAccessible::Focus);
        focus.setChild(child);
        QAccessible::updateAccessibility(&focus);
    }
}

void TableView::deselectRowAtIndexPath(const IndexPath& indexPath, bool animated) {
    if (selected_ != indexPath) {
        return;
    }
    selected_.reset();
    if (TableViewCell* cell = cellForRowAtIndexPath(indexPath)) {
        cell->setSelected(false, animated);
    }
}

void TableView::layoutIfNeeded() {
    if (needsReload_) {
        reloadData();
    }
}

void TableView::updateScrollRange() {
    QScrollBar* bar = verticalScrollBar();
    const int height = viewport()->height();
    bar->setPageStep(std::max(1, height));
    // Three lines a wheel notch: one notch moves about one row.
    bar->setSingleStep(std::max(1, rowHeight_ / 3));
    bar->setRange(0, maximumOffset());
}

// Fills the viewport: cells leaving it go back to the pool, rows entering it are asked of the
// data source, and everything in view is placed. Costs the rows and sections in view only.
void TableView::layoutCells() {
    if (layingOut_) {
        return;
    }
    layingOut_ = true;
    const qint64 top = contentOffsetY();
    const qint64 bottom = top + viewport()->height();
    const int width = viewport()->width();

    std::vector<IndexPath> wanted;
    std::vector<int> wantedHeaders;
    geometry_.itemsBetween(top, bottom, wanted, wantedHeaders);

    for (auto it = visibleCells_.begin(); it != visibleCells_.end();) {
        if (!it->second || !std::binary_search(wanted.begin(), wanted.end(), it->first)) {
            enqueueCell(it->second);
            it = visibleCells_.erase(it);
        } else {
            ++it;
        }
    }
    for (const IndexPath& path : wanted) {
        auto& slot = visibleCells_[path];
        if (!slot && dataSource_) {
            TableViewCell* cell = dataSource_->cellForRowAtIndexPath(this, path);
            if (!cell) {
                MYLOG(u"TableView: the data source gave no cell for %@"_s, path.description());
            } else if (std::any_of(visibleCells_.begin(), visibleCells_.end(),
                                   [cell](const auto& entry) { return entry.second == cell; })) {
                MYLOG(u"TableView: the data source gave a cell already in view for %@"_s,
                      path.description());
            } else {
                if (cell->parentWidget() != viewport()) {
                    cell->setParent(viewport());
                }
                cell->setSelected(selected_ == path, false);
                slot = cell;
            }
        }
        if (TableViewCell* cell = slot) {
            const QRect row = rectForRowAtIndexPath(path);
            cell->setGeometry(0, int(row.top() - top), width, row.height());
            cell->show();
        } else {
            visibleCells_.erase(path);
        }
    }

    for (auto& [section, header] : headers_) {
        if (header && !std::binary_search(wantedHeaders.begin(), wantedHeaders.end(), section)) {
            header->hide();
        }
    }
    for (int section : wantedHeaders) {
        placeHeader(section, int(geometry_.headerTop(section) - top));
    }
    layingOut_ = false;
}

void TableView::placeHeader(int section, int top) {
    if (QWidget* header = headerViewForSection(section)) {
        header->setGeometry(0, top, viewport()->width(), geometry_.headerHeight(section));
        header->show();
    }
}

QWidget* TableView::headerViewForSection(int section) {
    if (const auto it = headers_.find(section); it != headers_.end()) {
        return it->second;
    }
    QWidget* header = delegate_ ? delegate_->viewForHeaderInSection(this, section) : nullptr;
    if (!header && dataSource_) {
        const QString title = dataSource_->titleForHeaderInSection(this, section);
        if (!title.isNull()) {
            auto* label = new QLabel(title);
            label->setObjectName(u"sectionHeaderLabel"_s);
            label->setIndent(8);
            label->setAutoFillBackground(true);
            label->setBackgroundRole(QPalette::Button);
            QFont font = label->font();
            font.setBold(true);
            label->setFont(font);
            header = label;
        }
    }
    if (header && header->parentWidget() != viewport()) {
        header->setParent(viewport());
    }
    headers_[section] = header;
    return header;
}

void TableView::dropHeaders() {
    for (auto& [section, header] : headers_) {
        if (header) {
            header->hide();
            header->deleteLater();
        }
    }
    headers_.clear();
}

// Pools the cell under its identifier, keeping no more than a screenful and a few per
// identifier; the rest (from data sources that make cells without dequeuing) are deleted.
void TableView::enqueueCell(TableViewCell* cell) {
    if (!cell) {
        return;
    }
    cell->hide();
    QList<QPointer<TableViewCell>>& pool = reusePool_[cell->reuseIdentifier()];
    pool.removeAll(nullptr);
    const int limit = viewport()->height() / geometry_.smallestRowHeight() + 3;
    if (pool.size() < limit) {
        pool.append(cell);
    } else {
        cell->deleteLater();
    }
}

void TableView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    layoutIfNeeded();
    updateScrollRange();
    layoutCells();
}

void TableView::scrollContentsBy(int, int) {
    // Cells are placed anew rather than the viewport's pixels moved.
    layoutCells();
}

void TableView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    Animator::stop(scrollAnimation_);
    layoutIfNeeded();
    pressing_ = true;
    dragging_ = false;
    pressPosition_ = event->position().toPoint();
    pressOffset_ = contentOffsetY();
    event->accept();
}

void TableView::mouseMoveEvent(QMouseEvent* event) {
    if (!pressing_) {
        QAbstractScrollArea::mouseMoveEvent(event);
        return;
    }
    const QPoint moved = event->position().toPoint() - pressPosition_;
    if (!dragging_ && moved.manhattanLength() >= QApplication::startDragDistance()) {
        dragging_ = true;
    }
    if (dragging_) {
        setContentOffsetY(pressOffset_ - moved.y());
    }
    event->accept();
}

void TableView::mouseReleaseEvent(QMouseEvent* event) {
    if (!pressing_ || event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mouseReleaseEvent(event);
        return;
    }
    pressing_ = false;
    event->accept();
    if (dragging_) {
        dragging_ = false;
        return;
    }
    const QPoint inContent = event->position().toPoint() + QPoint(0, contentOffsetY());
    if (const std::optional<IndexPath> path = indexPathForRowAtPoint(inContent)) {
        selectRowAtIndexPath(*path, false, TableViewScrollPosition::None);
        reportSelection(*path);
    }
}

void TableView::wheelEvent(QWheelEvent* event) {
    Animator::stop(scrollAnimation_);
    QAbstractScrollArea::wheelEvent(event);
}

void TableView::keyPressEvent(QKeyEvent* event) {
    layoutIfNeeded();
    switch (event->key()) {
        case Qt::Key_Up:
            moveSelection(-1);
            break;
        case Qt::Key_Down:
            moveSelection(1);
            break;
        case Qt::Key_PageUp:
            setContentOffset(QPoint(0, contentOffsetY() - viewport()->height()), false);
            break;
        case Qt::Key_PageDown:
            setContentOffset(QPoint(0, contentOffsetY() + viewport()->height()), false);
            break;
        case Qt::Key_Home:
            setContentOffset(QPoint(0, 0), false);
            break;
        case Qt::Key_End:
            setContentOffset(QPoint(0, maximumOffset()), false);
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (selected_) {
                reportSelection(*selected_);
            }
            break;
        default:
            QAbstractScrollArea::keyPressEvent(event);
            return;
    }
    event->accept();
}

// Up and Down step through the rows across sections; without a selection either key starts at
// the first row in view. The new row is scrolled fully into view.
void TableView::moveSelection(int step) {
    const int rows = numberOfRows();
    if (rows == 0) {
        return;
    }
    std::optional<IndexPath> next;
    if (selected_ && isValidIndexPath(*selected_)) {
        next = geometry_.indexPathForFlatRow(
            std::clamp(geometry_.flatRow(*selected_) + step, 0, rows - 1));
    } else {
        const QList<IndexPath> visible = indexPathsForVisibleRows();
        next = visible.isEmpty() ? geometry_.indexPathForFlatRow(0) : visible.first();
    }
    if (next) {
        Animator::stop(scrollAnimation_);
        // Into view first, so the row has its cell when it is selected and announced.
        scrollToRowAtIndexPath(*next, TableViewScrollPosition::None, false);
        selectRowAtIndexPath(*next, false, TableViewScrollPosition::None);
    }
}

void TableView::reportSelection(const IndexPath& indexPath) {
    if (delegate_) {
        delegate_->didSelectRowAtIndexPath(this, indexPath);
    }
}
