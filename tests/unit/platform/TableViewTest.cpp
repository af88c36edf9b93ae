#include "TableView.h"

#include <gtest/gtest.h>

#include <QAbstractAnimation>
#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QWheelEvent>
#include <vector>

#include "AnimationClock.h"
#include "QStringPrinter.h"
#include "TableViewCell.h"
#include "TableViewDataSource.h"
#include "TableViewDelegate.h"

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kRow = 95;
constexpr int kHeader = 26;
constexpr int kHeight = 480;
// About a screenful of cells: what is in view and a few pooled.
constexpr int kMostCells = kHeight / kRow + 5;

// A cell with one child that counts its reuses; its object name is the row it shows.
struct RowCell : TableViewCell {
    explicit RowCell(const QString& identifier) : TableViewCell(identifier) { new QLabel(this); }
    void prepareForReuse() override {
        TableViewCell::prepareForReuse();
        ++reuses;
    }
    int reuses = 0;
};

// Rows per section as given; odd rows use a second identifier.
struct Rows : TableViewDataSource, TableViewDelegate {
    explicit Rows(std::vector<int> sectionRows) : counts(std::move(sectionRows)) {}
    int numberOfSectionsInTableView(TableView*) override { return int(counts.size()); }
    int numberOfRowsInSection(TableView*, int section) override { return counts.at(section); }
    TableViewCell* cellForRowAtIndexPath(TableView* table, const IndexPath& path) override {
        const QString identifier = path.row() % 2 ? u"Odd"_s : u"Even"_s;
        TableViewCell* cell = table->dequeueReusableCellWithIdentifier(identifier);
        cell = cell ? cell : new RowCell(identifier);
        cell->setObjectName(path.description());
        return cell;
    }
    QString titleForHeaderInSection(TableView*, int section) override {
        return u"Section %1"_s.arg(section);
    }
    void didSelectRowAtIndexPath(TableView*, const IndexPath& path) override {
        selected.push_back(path);
    }

    std::vector<int> counts;
    std::vector<IndexPath> selected;
};

class TableViewTest : public testing::Test {
protected:
    void show(Rows& rows) {
        table_.setRowHeight(kRow);
        table_.setSectionHeaderHeight(kHeader);
        table_.setDataSource(&rows);
        table_.setDelegate(&rows);
        table_.resize(320, kHeight);
        table_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&table_));
    }
    // Cell widgets alive under the table, pooled ones included.
    int liveCells() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return int(table_.viewport()->findChildren<TableViewCell*>().size());
    }
    QRect inView(const IndexPath& path) {
        return table_.rectForRowAtIndexPath(path).translated(-table_.contentOffset());
    }
    void click(const IndexPath& path, QPoint moved = {}) {
        const QPoint at = inView(path).center();
        QTest::mousePress(table_.viewport(), Qt::LeftButton, {}, at);
        QTest::mouseMove(table_.viewport(), at + moved);
        QTest::mouseRelease(table_.viewport(), Qt::LeftButton, {}, at + moved);
    }

    TableView table_;
};

}  // namespace

// Every row reaching into view, across sections, has its cell placed where its row is,
// showing that row; cells leaving the view are reused by identifier, so scrolling any length
// holds about a screenful of cells.
TEST_F(TableViewTest, CellsAreReusedByIdentifierAndAReloadFollowsNewCounts) {
    Rows rows({40, 3, 0, 160});
    show(rows);
    for (int y = 0; y <= table_.contentHeight(); y += 61) {
        table_.setContentOffset(QPoint(0, y), false);
        const QList<IndexPath> paths = table_.indexPathsForVisibleRows();
        ASSERT_EQ(table_.firstVisibleCell(), table_.cellForRowAtIndexPath(paths.first()));
        for (const IndexPath& path : paths) {
            TableViewCell* cell = table_.cellForRowAtIndexPath(path);
            EXPECT_EQ(cell->objectName(), path.description());
            EXPECT_EQ(table_.indexPathForCell(cell), path);
            EXPECT_EQ(cell->reuseIdentifier(), path.row() % 2 ? u"Odd"_s : u"Even"_s);
            EXPECT_TRUE(cell->isVisible() && cell->geometry() == inView(path));
        }
        ASSERT_LE(liveCells(), 2 * kMostCells) << y;
    }
    EXPECT_EQ(table_.indexPathsForVisibleRows().last(), IndexPath(3, 159));
    int reused = 0;
    for (RowCell* cell : table_.viewport()->findChildren<RowCell*>()) {
        reused += cell->reuses;
    }
    EXPECT_GT(reused, 150);

    // A reload asks for everything again, keeps the offset where it still fits and clears the
    // selection; rows that do not exist and empty tables do nothing.
    table_.selectRowAtIndexPath(IndexPath(3, 159), false, TableViewScrollPosition::Bottom);
    rows.counts = {2, 0, 1};
    table_.reloadData();
    EXPECT_EQ(table_.contentOffsetY(), 0);
    EXPECT_FALSE(table_.indexPathForSelectedRow());
    QStringList shown;
    for (TableViewCell* cell : table_.visibleCells()) {
        shown.append(cell->objectName());
    }
    EXPECT_EQ(shown, (QStringList{u"[0, 0]"_s, u"[0, 1]"_s, u"[2, 0]"_s}));
    EXPECT_LE(liveCells(), kMostCells);
    for (const IndexPath& bad : {IndexPath(-1, 0), IndexPath(0, 2), IndexPath(1, 0)}) {
        EXPECT_TRUE(table_.rectForRowAtIndexPath(bad).isNull());
        table_.scrollToRowAtIndexPath(bad, TableViewScrollPosition::Middle, true);
        table_.selectRowAtIndexPath(bad, false, TableViewScrollPosition::Top);
    }
    EXPECT_FALSE(table_.indexPathForSelectedRow());
    for (const int y : {-5, kHeader - 1, table_.contentHeight()}) {  // above, header, below
        EXPECT_FALSE(table_.indexPathForRowAtPoint(QPoint(10, y))) << y;
    }
    rows.counts = {};
    table_.reloadData();
    for (const Qt::Key key : {Qt::Key_Down, Qt::Key_End, Qt::Key_Return}) {
        QTest::keyClick(&table_, key);
    }
    QTest::mouseClick(table_.viewport(), Qt::LeftButton, {}, QPoint(100, 100));
    EXPECT_TRUE(rows.selected.empty());
    EXPECT_EQ(table_.firstVisibleCell(), nullptr);
}

// Scrolling to a row places it as asked, clamped at the content's ends; animated it arrives
// later, and a press or the wheel stops it where it stands; a wheel notch scrolls about a row,
// also with the bar hidden (as the list screen does, to keep the full width).
TEST_F(TableViewTest, ScrollToRowPlacesItAsAskedAndAPressOrTheWheelStopsAnAnimatedScroll) {
    Rows rows({5, 30, 4});
    show(rows);
    using P = TableViewScrollPosition;
    const int end = table_.contentHeight() - kHeight;
    // Where the row's top ends in view, or (for rows the content's ends hold back) the offset.
    const struct {
        IndexPath path;
        P position;
        int offsetBefore, rowTopInView, offset;
    } cases[] = {
        {IndexPath(1, 10), P::Top, 0, 0, -1},
        {IndexPath(1, 10), P::Bottom, 0, kHeight - kRow, -1},
        {IndexPath(1, 10), P::Middle, 0, kHeight / 2 - kRow / 2, -1},
        {IndexPath(2, 3), P::Top, 0, -1, end},
        {IndexPath(0, 1), P::Middle, 900, -1, 0},
        {IndexPath(0, 2), P::None, 0, -1, 0},  // already whole: no move
        {IndexPath(0, 1), P::None, 900, 0, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.description().toStdString() + " " + std::to_string(int(c.position)));
        table_.setContentOffset(QPoint(0, c.offsetBefore), false);
        table_.scrollToRowAtIndexPath(c.path, c.position, false);
        EXPECT_EQ(c.offset >= 0 ? table_.contentOffsetY() : inView(c.path).top(),
                  c.offset >= 0 ? c.offset : c.rowTopInView);
    }
    table_.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const QPoint at(100, 100);
    QWheelEvent wheel(at, table_.viewport()->mapToGlobal(at), QPoint(), QPoint(0, 120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    for (const int notches : {0, 1}) {  // a press, then a wheel notch
        table_.setContentOffset(QPoint(0, 0), false);
        table_.scrollToRowAtIndexPath(IndexPath(1, 20), TableViewScrollPosition::Top, true);
        EXPECT_EQ(table_.contentOffsetY(), 0);
        ASSERT_EQ(advanceAnimations(&table_, 0.5), 1);
        ASSERT_GT(table_.contentOffsetY(), 2 * kRow);
        const int stopped = table_.contentOffsetY();
        if (notches) {
            QApplication::sendEvent(table_.viewport(), &wheel);
        } else {
            QTest::mouseClick(table_.viewport(), Qt::LeftButton, {}, at);
        }
        EXPECT_NEAR(stopped - table_.contentOffsetY(),
                    notches * kRow * QApplication::wheelScrollLines() / 3, 3);
        for (const QAbstractAnimation* animation : table_.findChildren<QAbstractAnimation*>()) {
            EXPECT_NE(animation->state(), QAbstractAnimation::Running);
        }
    }
    table_.scrollToRowAtIndexPath(IndexPath(1, 20), TableViewScrollPosition::Top, true);
    ASSERT_EQ(advanceAnimations(&table_, 1.0), 1);
    EXPECT_EQ(inView(IndexPath(1, 20)).top(), 0);
}

// A click selects once (also on a cell's child), a drag scrolls without selecting; Up and Down
// move the selection without reporting it, across sections; Return and Enter report it; the
// other keys only scroll.
TEST_F(TableViewTest, ClicksAndKeysSelectDragsAndKeysScroll) {
    Rows rows({3, 0, 20});
    show(rows);
    click(IndexPath(0, 2));
    EXPECT_TRUE(table_.cellForRowAtIndexPath(IndexPath(0, 2))->isSelected());
    EXPECT_TRUE(table_.hasFocus());  // a click gives the table the keyboard
    const auto* header = table_.viewport()->findChild<QLabel*>(u"sectionHeaderLabel"_s);
    ASSERT_TRUE(header && header->isVisible());
    EXPECT_EQ(header->text(), u"Section 0"_s);
    QTest::mouseClick(table_.viewport(), Qt::LeftButton, {}, QPoint(50, kHeader / 2));  // header
    QTest::mousePress(table_.viewport(), Qt::LeftButton, {}, QPoint(100, 300));
    for (int y = 295; y >= 240; y -= 5) {
        QTest::mouseMove(table_.viewport(), QPoint(100, y));
    }
    QTest::mouseRelease(table_.viewport(), Qt::LeftButton, {}, QPoint(100, 240));
    EXPECT_EQ(table_.contentOffsetY(), 60);
    click(IndexPath(0, 1), QPoint(1, 2));  // a wobble under the drag distance is a click
    EXPECT_FALSE(table_.cellForRowAtIndexPath(IndexPath(0, 2))->isSelected());
    QTest::mouseClick(table_.cellForRowAtIndexPath(IndexPath(0, 2))->findChild<QLabel*>(),
                      Qt::LeftButton, {}, QPoint(2, 2));
    table_.setContentOffset(QPoint(0, 0), false);
    const int end = table_.contentHeight() - kHeight;
    const struct {
        Qt::Key key;
        IndexPath selected;
        int offset;
    } steps[] = {
        {Qt::Key_Up, IndexPath(0, 1), 0},
        {Qt::Key_Down, IndexPath(0, 2), 0},
        {Qt::Key_Down, IndexPath(2, 0), 0},
        {Qt::Key_Return, IndexPath(2, 0), 0},
        {Qt::Key_PageDown, IndexPath(2, 0), kHeight},
        {Qt::Key_End, IndexPath(2, 0), end},
        {Qt::Key_PageUp, IndexPath(2, 0), end - kHeight},
        {Qt::Key_Home, IndexPath(2, 0), 0},
        {Qt::Key_Enter, IndexPath(2, 0), 0},
    };
    for (const auto& step : steps) {
        QTest::keyClick(&table_, step.key);
        EXPECT_EQ(table_.indexPathForSelectedRow(), step.selected) << step.key;
        EXPECT_EQ(table_.contentOffsetY(), step.offset) << step.key;
    }
    EXPECT_EQ(rows.selected, (std::vector{IndexPath(0, 2), IndexPath(0, 1), IndexPath(0, 2),
                                          IndexPath(2, 0), IndexPath(2, 0)}));
    for (int i = 0; i < 6; ++i) {
        QTest::keyClick(&table_, Qt::Key_Down);
    }
    EXPECT_EQ(inView(IndexPath(2, 6)).bottom() + 1, kHeight);  // brought whole into view

    // An animated deselect fades the highlight, a plain one drops it at once.
    using P = TableViewScrollPosition;
    TableViewCell* cell = table_.cellForRowAtIndexPath(IndexPath(2, 6));
    table_.deselectRowAtIndexPath(IndexPath(2, 5), true);  // not the selected row
    EXPECT_EQ(cell->selectionAlpha(), 1.0);
    table_.deselectRowAtIndexPath(IndexPath(2, 6), false);
    EXPECT_EQ(cell->selectionAlpha(), 0.0);
    table_.selectRowAtIndexPath(IndexPath(2, 6), true, P::None);
    table_.deselectRowAtIndexPath(IndexPath(2, 6), true);
    EXPECT_FALSE(table_.indexPathForSelectedRow());
    EXPECT_GT(cell->selectionAlpha(), 0.5);
    ASSERT_EQ(advanceAnimations(cell, 1.0), 1);
    EXPECT_EQ(cell->selectionAlpha(), 0.0);
    // A selected row scrolled away and back is still highlighted, on whichever cell shows it.
    table_.selectRowAtIndexPath(IndexPath(2, 6), false, P::None);
    table_.scrollToRowAtIndexPath(IndexPath(2, 19), P::Top, false);
    table_.scrollToRowAtIndexPath(IndexPath(2, 6), P::Top, false);
    EXPECT_TRUE(table_.cellForRowAtIndexPath(IndexPath(2, 6))->isSelected());
    EXPECT_FALSE(table_.cellForRowAtIndexPath(IndexPath(2, 7))->isSelected());
}

// A screen reader walks the rows in view as the list's items, each read by its cell's
// accessible name or, without one, by the texts its labels show; scrolling changes the items,
// and a selection moved by the keyboard is the focused item.
TEST_F(TableViewTest, ScreenReadersReadTheRowsInViewAndFollowTheSelection) {
    struct NamedRows : Rows {
        using Rows::Rows;
        TableViewCell* cellForRowAtIndexPath(TableView* table, const IndexPath& path) override {
            TableViewCell* cell = Rows::cellForRowAtIndexPath(table, path);
            const bool named = path.row() % 2 == 0;
            cell->setAccessibleName(named ? u"row %1"_s.arg(path.row()) : QString());
            cell->findChild<QLabel*>()->setText(named ? u"unread"_s : u"row %1"_s.arg(path.row()));
            return cell;
        }
    } rows({30});
    show(rows);
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(&table_);
    EXPECT_EQ(list->role(), QAccessible::List);
    for (const int top : {0, 17}) {
        table_.scrollToRowAtIndexPath(IndexPath(0, top), TableViewScrollPosition::Top, false);
        const QList<IndexPath> visible = table_.indexPathsForVisibleRows();
        ASSERT_EQ(list->childCount(), visible.size());
        EXPECT_EQ(list->child(list->childCount()), nullptr);
        for (int i = 0; i < list->childCount(); ++i) {
            QAccessibleInterface* row = list->child(i);
            EXPECT_EQ(row->text(QAccessible::Name), u"row %1"_s.arg(visible[i].row()));
            EXPECT_TRUE(row->parent() == list && list->indexOfChild(row) == i);
            EXPECT_EQ(list->childAt(row->rect().center().x(), row->rect().center().y()), row);
        }
    }
    QApplication::setActiveWindow(&table_);  // at once, as the keys need it
    table_.setFocus();
    EXPECT_EQ(list->focusChild(), nullptr);
    QTest::keyClick(&table_, Qt::Key_Down);  // the first row in view
    QTest::keyClick(&table_, Qt::Key_Down);
    ASSERT_NE(list->focusChild(), nullptr);
    EXPECT_EQ(list->focusChild()->text(QAccessible::Name), u"row 18"_s);
    EXPECT_TRUE(list->focusChild()->state().selected && list->focusChild()->state().focused);
}
