#include "TableView.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPropertyAnimation>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <climits>
#include <utility>

#include "AnimationFunctions.h"
#include "MyLog.h"
#include "TableViewCell.h"
#include "TableViewDataSource.h"
#include "TableViewDelegate.h"

using namespace Qt::Literals::StringLiterals;

TableView::TableView(QWidget* parent) : QAbstractScrollArea(parent) {
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFocusPolicy(Qt::StrongFocus);
    setFrameShape(QFrame::NoFrame);
    viewport()->setAutoFillBackground(true);
}

TableView::~TableView() {
    stopScrollAnimation();
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

    sections_.clear();
    totalRows_ = 0;
    contentHeight_ = 0;
    smallestRowHeight_ = rowHeight_;
    const int count = dataSource_ ? std::max(0, dataSource_->numberOfSectionsInTableView(this)) : 0;
    sections_.reserve(size_t(count));
    for (int s = 0; s < count; ++s) {
        Section section;
        section.rows = std::max(0, dataSource_->numberOfRowsInSection(this, s));
        const std::optional<int> asked =
            delegate_ ? delegate_->heightForHeaderInSection(this, s) : std::nullopt;
        section.headerHeight = std::max(0, asked.value_or(sectionHeaderHeight_));
        section.top = contentHeight_;
        section.firstRow = totalRows_;
        askRowHeights(s, section);
        // Flat row numbers are ints: a table of more than INT_MAX rows is not supported.
        totalRows_ = int(std::min<qint64>(qint64(totalRows_) + section.rows, INT_MAX));
        contentHeight_ += section.headerHeight + rowOffset(section, section.rows);
        sections_.push_back(std::move(section));
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

int TableView::numberOfRowsInSection(int section) const {
    return section >= 0 && section < numberOfSections() ? sections_[size_t(section)].rows : 0;
}

bool TableView::isValidIndexPath(const IndexPath& indexPath) const {
    return indexPath.row() >= 0 && indexPath.row() < numberOfRowsInSection(indexPath.section());
}

// Keeps the section's own row offsets only when the delegate makes some row differ from the
// table's height; a uniform section costs nothing per row.
void TableView::askRowHeights(int section, Section& into) {
    into.rowTops.clear();
    if (!delegate_) {
        return;
    }
    for (int row = 0; row < into.rows; ++row) {
        const int height = std::max(
            1,
            delegate_->heightForRowAtIndexPath(this, IndexPath(section, row)).value_or(rowHeight_));
        smallestRowHeight_ = std::min(smallestRowHeight_, height);
        if (height != rowHeight_ && into.rowTops.empty()) {
            into.rowTops.reserve(size_t(into.rows) + 1);
            for (int before = 0; before <= row; ++before) {
                into.rowTops.push_back(qint64(before) * rowHeight_);
            }
        }
        if (!into.rowTops.empty()) {
            into.rowTops.push_back(into.rowTops.back() + height);
        }
    }
}

qint64 TableView::rowOffset(const Section& section, int row) const {
    return section.rowTops.empty() ? qint64(row) * rowHeight_ : section.rowTops[size_t(row)];
}

int TableView::rowHeightAt(const Section& section, int row) const {
    return int(rowOffset(section, row + 1) - rowOffset(section, row));
}

// The row at `below` points under the section's first row (may be past its last row).
int TableView::rowAt(const Section& section, qint64 below) const {
    if (section.rowTops.empty()) {
        return int(below / rowHeight_);
    }
    const auto after = std::upper_bound(section.rowTops.begin(), section.rowTops.end(), below);
    return int(after - section.rowTops.begin()) - 1;
}

qint64 TableView::rowsTop(int section) const {
    const Section& s = sections_[size_t(section)];
    return s.top + s.headerHeight;
}

// The last section whose header starts at or above y (the first one for y above the content).
int TableView::sectionAtY(qint64 y) const {
    const auto after =
        std::upper_bound(sections_.begin(), sections_.end(), y,
                         [](qint64 value, const Section& s) { return value < s.top; });
    return std::max(0, int(after - sections_.begin()) - 1);
}

QRect TableView::rectForRowAtIndexPath(const IndexPath& indexPath) const {
    if (!isValidIndexPath(indexPath)) {
        return {};
    }
    const Section& section = sections_[size_t(indexPath.section())];
    const qint64 top = rowsTop(indexPath.section()) + rowOffset(section, indexPath.row());
    return QRect(0, int(std::min<qint64>(top, INT_MAX)), viewport()->width(),
                 rowHeightAt(section, indexPath.row()));
}

QRect TableView::rectForHeaderInSection(int section) const {
    if (section < 0 || section >= numberOfSections()) {
        return {};
    }
    const Section& s = sections_[size_t(section)];
    return QRect(0, int(std::min<qint64>(s.top, INT_MAX)), viewport()->width(), s.headerHeight);
}

std::optional<IndexPath> TableView::indexPathForRowAtPoint(QPoint point) const {
    if (sections_.empty() || point.y() < 0 || point.y() >= contentHeight_) {
        return std::nullopt;
    }
    const int section = sectionAtY(point.y());
    const qint64 inRows = point.y() - rowsTop(section);
    if (inRows < 0) {
        return std::nullopt;
    }
    return IndexPath(section, rowAt(sections_[size_t(section)], inRows));
}

int TableView::flatRow(const IndexPath& indexPath) const {
    return sections_[size_t(indexPath.section())].firstRow + indexPath.row();
}

std::optional<IndexPath> TableView::indexPathForFlatRow(int flat) const {
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
    stopScrollAnimation();
    layoutIfNeeded();
    const int target = std::clamp(contentOffset.y(), 0, maximumOffset());
    if (!animated || target == contentOffsetY()) {
        setContentOffsetY(target);
        return;
    }
    auto* animation = new QPropertyAnimation(this, "contentOffsetY", this);
    animation->setDuration(kAnimationMilliseconds);
    animation->setEasingCurve(AnimationFunctions::easeInEaseOut());
    animation->setStartValue(contentOffsetY());
    animation->setEndValue(target);
    scrollAnimation_ = animation;
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

int TableView::contentHeight() const {
    return int(std::min<qint64>(contentHeight_, INT_MAX));
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
    for (int s = sections_.empty() ? 0 : sectionAtY(top);
         s < numberOfSections() && sections_[size_t(s)].top < bottom; ++s) {
        const Section& section = sections_[size_t(s)];
        if (section.headerHeight > 0 && section.top + section.headerHeight > top) {
            wantedHeaders.push_back(s);
        }
        const int first = rowAt(section, std::max<qint64>(0, top - rowsTop(s)));
        for (int row = first; row < section.rows; ++row) {
            const qint64 rowTop = rowsTop(s) + rowOffset(section, row);
            if (rowTop >= bottom) {
                break;
            }
            if (rowTop + rowHeightAt(section, row) > top) {
                wanted.emplace_back(s, row);
            }
        }
    }

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
        placeHeader(section, int(sections_[size_t(section)].top - top));
    }
    layingOut_ = false;
}

void TableView::placeHeader(int section, int top) {
    if (QWidget* header = headerViewForSection(section)) {
        header->setGeometry(0, top, viewport()->width(), sections_[size_t(section)].headerHeight);
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
    const int limit = viewport()->height() / smallestRowHeight_ + 3;
    if (pool.size() < limit) {
        pool.append(cell);
    } else {
        cell->deleteLater();
    }
}

void TableView::stopScrollAnimation() {
    if (QPropertyAnimation* animation = scrollAnimation_) {
        scrollAnimation_ = nullptr;
        animation->stop();
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
    stopScrollAnimation();
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
    stopScrollAnimation();
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
    if (totalRows_ == 0) {
        return;
    }
    std::optional<IndexPath> next;
    if (selected_ && isValidIndexPath(*selected_)) {
        next = indexPathForFlatRow(std::clamp(flatRow(*selected_) + step, 0, totalRows_ - 1));
    } else {
        const QList<IndexPath> visible = indexPathsForVisibleRows();
        next = visible.isEmpty() ? indexPathForFlatRow(0) : visible.first();
    }
    if (next) {
        stopScrollAnimation();
        selectRowAtIndexPath(*next, false, TableViewScrollPosition::None);
        scrollToRowAtIndexPath(*next, TableViewScrollPosition::None, false);
    }
}

void TableView::reportSelection(const IndexPath& indexPath) {
    if (delegate_) {
        delegate_->didSelectRowAtIndexPath(this, indexPath);
    }
}
