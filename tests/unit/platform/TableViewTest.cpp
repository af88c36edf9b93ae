#include "TableView.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <map>
#include <vector>

#include "QStringPrinter.h"
#include "TableViewCell.h"
#include "TableViewDataSource.h"
#include "TableViewDelegate.h"

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kRow = 95;
constexpr int kHeader = 26;
constexpr int kHeight = 480;

// A cell that shows the row it was given and counts its reuses.
class RowCell : public TableViewCell {
public:
    explicit RowCell(const QString& identifier) : TableViewCell(identifier) {
        label = new QLabel(this);
    }
    void prepareForReuse() override {
        TableViewCell::prepareForReuse();
        ++reuses;
        label->clear();
    }
    QLabel* label;
    int reuses = 0;
};

// Rows per section as given; cells of odd rows use a second identifier when `twoKinds` is on.
class Rows : public TableViewDataSource, public TableViewDelegate {
public:
    explicit Rows(std::vector<int> sectionRows) : counts(std::move(sectionRows)) {}

    int numberOfSectionsInTableView(TableView*) override { return int(counts.size()); }
    int numberOfRowsInSection(TableView*, int section) override {
        return counts.at(size_t(section));
    }
    TableViewCell* cellForRowAtIndexPath(TableView* table, const IndexPath& path) override {
        const QString identifier = twoKinds && path.row() % 2 ? u"Odd"_s : u"Even"_s;
        auto* cell =
            neverDequeue
                ? nullptr
                : static_cast<RowCell*>(table->dequeueReusableCellWithIdentifier(identifier));
        if (!cell) {
            cell = new RowCell(identifier);
            ++made;
        }
        cell->label->setText(path.description());
        return cell;
    }
    QString titleForHeaderInSection(TableView*, int section) override {
        return section == untitled ? QString() : u"Section %1"_s.arg(section);
    }
    QWidget* viewForHeaderInSection(TableView*, int section) override {
        if (section != customHeader) {
            return nullptr;
        }
        auto* view = new QLabel(u"custom"_s);
        view->setObjectName(u"customHeader"_s);
        return view;
    }
    std::optional<int> heightForRowAtIndexPath(TableView*, const IndexPath& path) override {
        const auto it = heights.find(path);
        return it != heights.end() ? std::optional(it->second) : std::nullopt;
    }
    void didSelectRowAtIndexPath(TableView*, const IndexPath& path) override {
        selected.push_back(path);
    }

    std::vector<int> counts;
    bool twoKinds = false;
    bool neverDequeue = false;
    int untitled = -1;
    int customHeader = -1;
    int made = 0;
    std::map<IndexPath, int> heights;
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
        ASSERT_EQ(table_.viewport()->height(), kHeight);
    }
    // Cell widgets alive under the table, pooled ones included.
    int liveCells() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return int(table_.viewport()->findChildren<TableViewCell*>().size());
    }
    QPoint centreOf(const IndexPath& path) {
        return table_.rectForRowAtIndexPath(path).center() - table_.contentOffset();
    }
    static QString shown(TableViewCell* cell) { return static_cast<RowCell*>(cell)->label->text(); }

    TableView table_;
};

// A screen holds at most six rows (five whole and two parts at most, 480 / 95).
constexpr int kMostInView = kHeight / kRow + 2;

}  // namespace

TEST_F(TableViewTest, TwentyThousandRowsNeverHoldMoreThanAScreenfulOfCells) {
    Rows rows({20000});
    show(rows);
    EXPECT_EQ(table_.contentHeight(), kHeader + 20000 * kRow);
    int steps = 0;
    for (int y = 0; y < table_.contentHeight(); y += 3 * kRow + 17, ++steps) {
        table_.setContentOffset(QPoint(0, y), false);
        ASSERT_LE(table_.visibleCells().size(), kMostInView);
        ASSERT_LE(liveCells(), kMostInView + 3) << "at offset " << y;
    }
    EXPECT_GT(steps, 6000);
    EXPECT_LE(rows.made, kMostInView + 3);
    EXPECT_EQ(table_.indexPathsForVisibleRows().last(), IndexPath(0, 19999));
}

TEST_F(TableViewTest, CellsMadeWithoutDequeuingDoNotPileUp) {
    Rows rows({2000});
    rows.neverDequeue = true;
    show(rows);
    for (int y = 0; y < table_.contentHeight(); y += 2 * kRow) {
        table_.setContentOffset(QPoint(0, y), false);
        ASSERT_LE(liveCells(), 2 * kMostInView + 3) << "at offset " << y;
    }
    EXPECT_GT(rows.made, 1000);
}

TEST_F(TableViewTest, CellsAreReusedByIdentifierAndEachShowsItsRow) {
    Rows rows({40, 3, 0, 60});
    rows.twoKinds = true;
    show(rows);
    for (int y = 0; y <= table_.contentHeight(); y += 61) {
        table_.setContentOffset(QPoint(0, y), false);
        const QList<IndexPath> paths = table_.indexPathsForVisibleRows();
        ASSERT_FALSE(paths.isEmpty());
        for (const IndexPath& path : paths) {
            TableViewCell* cell = table_.cellForRowAtIndexPath(path);
            ASSERT_NE(cell, nullptr);
            EXPECT_EQ(shown(cell), path.description());
            EXPECT_EQ(cell->reuseIdentifier(), path.row() % 2 ? u"Odd"_s : u"Even"_s);
            EXPECT_EQ(cell->geometry().top(),
                      table_.rectForRowAtIndexPath(path).top() - table_.contentOffsetY());
            EXPECT_TRUE(cell->isVisible());
        }
        // In order and without gaps, across sections.
        for (qsizetype i = 1; i < paths.size(); ++i) {
            EXPECT_LT(paths[i - 1], paths[i]);
        }
    }
    int reused = 0;
    for (RowCell* cell : table_.viewport()->findChildren<RowCell*>()) {
        reused += cell->reuses;
    }
    EXPECT_GT(reused, 90);
    EXPECT_LE(rows.made, 2 * (kMostInView + 3));
}

TEST_F(TableViewTest, ScrollToRowPutsItAtTheTopOrMiddleClampedAtTheEnds) {
    Rows rows({5, 30, 4});
    show(rows);
    const int rowY = kHeader + 5 * kRow + kHeader + 10 * kRow;
    table_.scrollToRowAtIndexPath(IndexPath(1, 10), TableViewScrollPosition::Top, false);
    EXPECT_EQ(table_.contentOffset(), QPoint(0, rowY));
    EXPECT_EQ(table_.firstVisibleCell(), table_.cellForRowAtIndexPath(IndexPath(1, 10)));

    table_.scrollToRowAtIndexPath(IndexPath(1, 10), TableViewScrollPosition::Middle, false);
    EXPECT_EQ(table_.contentOffsetY(), rowY + kRow / 2 - kHeight / 2);
    const QRect middle = table_.cellForRowAtIndexPath(IndexPath(1, 10))->geometry();
    EXPECT_LE(std::abs(middle.center().y() - kHeight / 2), 1);

    const int bottom = table_.contentHeight() - kHeight;
    table_.scrollToRowAtIndexPath(IndexPath(2, 3), TableViewScrollPosition::Top, false);
    EXPECT_EQ(table_.contentOffsetY(), bottom);
    table_.scrollToRowAtIndexPath(IndexPath(0, 1), TableViewScrollPosition::Middle, false);
    EXPECT_EQ(table_.contentOffsetY(), 0);

    // None moves only as far as makes the row whole, and not at all when it already is.
    table_.scrollToRowAtIndexPath(IndexPath(0, 2), TableViewScrollPosition::None, false);
    EXPECT_EQ(table_.contentOffsetY(), 0);
    table_.scrollToRowAtIndexPath(IndexPath(1, 0), TableViewScrollPosition::None, false);
    EXPECT_EQ(table_.contentOffsetY(), 2 * kHeader + 6 * kRow - kHeight);
}

TEST_F(TableViewTest, AnimatedScrollArrivesLaterAndAPressStopsIt) {
    Rows rows({200});
    show(rows);
    table_.scrollToRowAtIndexPath(IndexPath(0, 100), TableViewScrollPosition::Top, true);
    EXPECT_EQ(table_.contentOffsetY(), 0);
    const int target = kHeader + 100 * kRow;
    ASSERT_TRUE(QTest::qWaitFor([&] { return table_.contentOffsetY() == target; }, 2000));
    EXPECT_EQ(shown(table_.firstVisibleCell()), IndexPath(0, 100).description());

    table_.setContentOffset(QPoint(0, 0), true);
    QTest::qWait(TableView::kAnimationMilliseconds / 3);
    QTest::mousePress(table_.viewport(), Qt::LeftButton, {}, QPoint(100, 100));
    const int stopped = table_.contentOffsetY();
    EXPECT_GT(stopped, 0);
    EXPECT_LT(stopped, target);
    QTest::qWait(TableView::kAnimationMilliseconds);
    EXPECT_EQ(table_.contentOffsetY(), stopped);
    QTest::mouseRelease(table_.viewport(), Qt::LeftButton, {}, QPoint(100, 100));
}

TEST_F(TableViewTest, FirstVisibleCellFollowsTheOffsetIncludingAPartlyHiddenRow) {
    Rows rows({3, 50});
    show(rows);
    EXPECT_EQ(table_.indexPathsForVisibleRows().first(), IndexPath(0, 0));
    // Two pixels of row (1, 4) still show at the top.
    table_.setContentOffset(QPoint(0, 2 * kHeader + 3 * kRow + 5 * kRow - 2), false);
    EXPECT_EQ(shown(table_.firstVisibleCell()), IndexPath(1, 4).description());
    EXPECT_EQ(table_.indexPathForCell(table_.firstVisibleCell()), IndexPath(1, 4));
    table_.setContentOffset(QPoint(0, table_.contentOffsetY() + 2), false);
    EXPECT_EQ(shown(table_.firstVisibleCell()), IndexPath(1, 5).description());
    EXPECT_EQ(table_.cellForRowAtIndexPath(IndexPath(1, 4)), nullptr);
    RowCell stranger(u"Even"_s);
    EXPECT_FALSE(table_.indexPathForCell(&stranger));
    EXPECT_FALSE(table_.indexPathForCell(nullptr));
    EXPECT_EQ(table_.indexPathsForVisibleRows().size(), kHeight / kRow + 1);
}

TEST_F(TableViewTest, AClickSelectsOnceAndADragScrollsWithoutSelecting) {
    Rows rows({10, 10});
    show(rows);
    QTest::mouseClick(table_.viewport(), Qt::LeftButton, {}, centreOf(IndexPath(0, 2)));
    ASSERT_EQ(rows.selected.size(), 1u);
    EXPECT_EQ(rows.selected[0], IndexPath(0, 2));
    EXPECT_EQ(table_.indexPathForSelectedRow(), IndexPath(0, 2));
    EXPECT_TRUE(table_.cellForRowAtIndexPath(IndexPath(0, 2))->isSelected());

    // A click on a header selects nothing.
    QTest::mouseClick(table_.viewport(), Qt::LeftButton, {}, QPoint(50, 10));
    EXPECT_EQ(rows.selected.size(), 1u);

    QWidget* viewport = table_.viewport();
    QTest::mousePress(viewport, Qt::LeftButton, {}, QPoint(100, 300));
    for (int y = 295; y >= 240; y -= 5) {
        QTest::mouseMove(viewport, QPoint(100, y));
    }
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, QPoint(100, 240));
    EXPECT_EQ(rows.selected.size(), 1u);
    EXPECT_EQ(table_.contentOffsetY(), 60);
    EXPECT_EQ(table_.indexPathForSelectedRow(), IndexPath(0, 2));

    // A wobble under the drag distance still counts as a click, on the row under the press.
    const QPoint at = centreOf(IndexPath(0, 1));
    QTest::mousePress(viewport, Qt::LeftButton, {}, at);
    QTest::mouseMove(viewport, at + QPoint(1, 2));
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, at + QPoint(1, 2));
    ASSERT_EQ(rows.selected.size(), 2u);
    EXPECT_EQ(rows.selected[1], IndexPath(0, 1));
    EXPECT_FALSE(table_.cellForRowAtIndexPath(IndexPath(0, 2))->isSelected());

    // A click on a cell's child widget reaches the table as well.
    auto* cell = static_cast<RowCell*>(table_.cellForRowAtIndexPath(IndexPath(0, 3)));
    ASSERT_NE(cell, nullptr);
    QTest::mouseClick(cell->label, Qt::LeftButton, {}, QPoint(2, 2));
    ASSERT_EQ(rows.selected.size(), 3u);
    EXPECT_EQ(rows.selected[2], IndexPath(0, 3));
}

TEST_F(TableViewTest, WheelScrollsAboutARowANotchWithOrWithoutTheBar) {
    Rows rows({100});
    show(rows);
    const QPoint at(100, 100);
    QWheelEvent wheel(at, table_.viewport()->mapToGlobal(at), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(table_.viewport(), &wheel);
    const int notch = table_.contentOffsetY();
    EXPECT_NEAR(notch, kRow * QApplication::wheelScrollLines() / 3, 3);

    // A screen may hide the bar to keep the full width; the wheel still scrolls.
    table_.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(table_.viewport()->width(), 320);
    EXPECT_EQ(table_.visibleCells().first()->width(), 320);
    QApplication::sendEvent(table_.viewport(), &wheel);
    EXPECT_EQ(table_.contentOffsetY(), 2 * notch);
}

TEST_F(TableViewTest, KeysMoveTheSelectionScrollAndEnterReportsTheRow) {
    Rows rows({2, 0, 20});
    show(rows);
    // A click gives the table the keyboard.
    QTest::mouseClick(table_.viewport(), Qt::LeftButton, {}, centreOf(IndexPath(0, 1)));
    EXPECT_TRUE(table_.hasFocus());
    table_.deselectRowAtIndexPath(IndexPath(0, 1), false);
    rows.selected.clear();
    QTest::keyClick(&table_, Qt::Key_Down);  // no selection: the first row in view
    EXPECT_EQ(table_.indexPathForSelectedRow(), IndexPath(0, 0));
    QTest::keyClick(&table_, Qt::Key_Up);
    EXPECT_EQ(table_.indexPathForSelectedRow(), IndexPath(0, 0));
    QTest::keyClick(&table_, Qt::Key_Down);
    QTest::keyClick(&table_, Qt::Key_Down);  // over the empty section
    EXPECT_EQ(table_.indexPathForSelectedRow(), IndexPath(2, 0));
    EXPECT_TRUE(rows.selected.empty());
    QTest::keyClick(&table_, Qt::Key_Return);
    ASSERT_EQ(rows.selected.size(), 1u);
    EXPECT_EQ(rows.selected[0], IndexPath(2, 0));

    for (int i = 0; i < 6; ++i) {
        QTest::keyClick(&table_, Qt::Key_Down);
    }
    // Row (2, 6) is brought whole into view at the bottom.
    const QRect row = table_.rectForRowAtIndexPath(IndexPath(2, 6));
    EXPECT_EQ(table_.contentOffsetY(), row.bottom() + 1 - kHeight);
    QTest::keyClick(&table_, Qt::Key_Enter);
    EXPECT_EQ(rows.selected.back(), IndexPath(2, 6));

    QTest::keyClick(&table_, Qt::Key_Home);
    EXPECT_EQ(table_.contentOffsetY(), 0);
    QTest::keyClick(&table_, Qt::Key_PageDown);
    EXPECT_EQ(table_.contentOffsetY(), kHeight);
    QTest::keyClick(&table_, Qt::Key_End);
    EXPECT_EQ(table_.contentOffsetY(), table_.contentHeight() - kHeight);
    QTest::keyClick(&table_, Qt::Key_PageUp);
    EXPECT_EQ(table_.contentOffsetY(), table_.contentHeight() - 2 * kHeight);
    EXPECT_EQ(rows.selected.size(), 2u);
}

TEST_F(TableViewTest, DeselectAnimatedFadesTheHighlightAndPlainDeselectDropsItAtOnce) {
    Rows rows({10});
    show(rows);
    table_.selectRowAtIndexPath(IndexPath(0, 1), false, TableViewScrollPosition::None);
    TableViewCell* cell = table_.cellForRowAtIndexPath(IndexPath(0, 1));
    EXPECT_EQ(cell->selectionAlpha(), 1.0);
    table_.deselectRowAtIndexPath(IndexPath(0, 2), true);  // not the selected row
    EXPECT_EQ(table_.indexPathForSelectedRow(), IndexPath(0, 1));
    table_.deselectRowAtIndexPath(IndexPath(0, 1), false);
    EXPECT_FALSE(table_.indexPathForSelectedRow());
    EXPECT_EQ(cell->selectionAlpha(), 0.0);

    table_.selectRowAtIndexPath(IndexPath(0, 1), false, TableViewScrollPosition::None);
    table_.deselectRowAtIndexPath(IndexPath(0, 1), true);
    EXPECT_FALSE(table_.indexPathForSelectedRow());
    EXPECT_FALSE(cell->isSelected());
    EXPECT_GT(cell->selectionAlpha(), 0.5);
    ASSERT_TRUE(QTest::qWaitFor([&] { return cell->selectionAlpha() == 0.0; }, 2000));

    // A selected row scrolled away and back is still highlighted, on whichever cell shows it.
    table_.selectRowAtIndexPath(IndexPath(0, 0), false, TableViewScrollPosition::None);
    table_.scrollToRowAtIndexPath(IndexPath(0, 9), TableViewScrollPosition::Top, false);
    table_.scrollToRowAtIndexPath(IndexPath(0, 0), TableViewScrollPosition::Top, false);
    EXPECT_TRUE(table_.cellForRowAtIndexPath(IndexPath(0, 0))->isSelected());
    EXPECT_FALSE(table_.cellForRowAtIndexPath(IndexPath(0, 1))->isSelected());
}

TEST_F(TableViewTest, ReloadDataFollowsNewCountsAndClampsTheOffset) {
    Rows rows({100});
    show(rows);
    table_.selectRowAtIndexPath(IndexPath(0, 99), false, TableViewScrollPosition::Bottom);
    EXPECT_EQ(table_.contentOffsetY(), table_.contentHeight() - kHeight);

    rows.counts = {2, 1};
    table_.reloadData();
    EXPECT_EQ(table_.numberOfSections(), 2);
    EXPECT_EQ(table_.numberOfRows(), 3);
    EXPECT_EQ(table_.contentOffsetY(), 0);
    EXPECT_FALSE(table_.indexPathForSelectedRow());
    QStringList texts;
    for (TableViewCell* cell : table_.visibleCells()) {
        texts.append(shown(cell));
    }
    EXPECT_EQ(texts, (QStringList{u"[0, 0]"_s, u"[0, 1]"_s, u"[1, 0]"_s}));
    EXPECT_LE(liveCells(), kMostInView + 3);

    rows.counts = {500};
    table_.reloadData();
    table_.scrollToRowAtIndexPath(IndexPath(0, 400), TableViewScrollPosition::Top, false);
    EXPECT_EQ(shown(table_.firstVisibleCell()), u"[0, 400]"_s);
}

TEST_F(TableViewTest, HeadersComeFromTheDelegateOrTitlesAndScrollWithTheRows) {
    Rows rows({2, 2, 2});
    rows.customHeader = 1;
    rows.untitled = 2;
    show(rows);
    const QList<QLabel*> labels = table_.viewport()->findChildren<QLabel*>(u"sectionHeaderLabel"_s);
    ASSERT_EQ(labels.size(), 1);
    EXPECT_EQ(labels[0]->text(), u"Section 0"_s);
    EXPECT_EQ(labels[0]->geometry(), QRect(0, 0, table_.viewport()->width(), kHeader));
    auto* custom = table_.viewport()->findChild<QLabel*>(u"customHeader"_s);
    ASSERT_NE(custom, nullptr);
    EXPECT_EQ(custom->geometry().top(), kHeader + 2 * kRow);

    table_.setContentOffset(QPoint(0, 40), false);
    EXPECT_EQ(custom->geometry().top(), kHeader + 2 * kRow - 40);
    EXPECT_FALSE(labels[0]->isVisible());  // not pinned: gone with its rows
    // The untitled section still keeps its header's room.
    EXPECT_EQ(table_.rectForRowAtIndexPath(IndexPath(2, 0)).top(), 3 * kHeader + 4 * kRow);

    // The delegate's views are dropped on reload and asked for again.
    QPointer<QLabel> old = custom;
    table_.reloadData();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(old.isNull());
    EXPECT_NE(table_.viewport()->findChild<QLabel*>(u"customHeader"_s), nullptr);
}

TEST_F(TableViewTest, RowsOfOtherHeightsFromTheDelegateShiftEverythingBelowThem) {
    Rows rows({3, 20});
    rows.heights = {{IndexPath(0, 1), 200}, {IndexPath(1, 2), 10}};
    show(rows);
    EXPECT_EQ(table_.rectForRowAtIndexPath(IndexPath(0, 1)).top(), kHeader + kRow);
    EXPECT_EQ(table_.rectForRowAtIndexPath(IndexPath(0, 1)).height(), 200);
    EXPECT_EQ(table_.rectForRowAtIndexPath(IndexPath(0, 2)).top(), kHeader + kRow + 200);
    const int section1 = kHeader + 2 * kRow + 200;
    EXPECT_EQ(table_.rectForHeaderInSection(1).top(), section1);
    EXPECT_EQ(table_.rectForRowAtIndexPath(IndexPath(1, 3)).top(),
              section1 + kHeader + 2 * kRow + 10);
    EXPECT_EQ(table_.contentHeight(), section1 + kHeader + 19 * kRow + 10);
    EXPECT_EQ(table_.cellForRowAtIndexPath(IndexPath(0, 1))->height(), 200);

    const int row12 = section1 + kHeader + 2 * kRow;
    EXPECT_EQ(table_.indexPathForRowAtPoint(QPoint(5, kHeader + kRow + 199)), IndexPath(0, 1));
    EXPECT_EQ(table_.indexPathForRowAtPoint(QPoint(5, row12 + 9)), IndexPath(1, 2));
    EXPECT_EQ(table_.indexPathForRowAtPoint(QPoint(5, row12 + 10)), IndexPath(1, 3));

    table_.setContentOffset(QPoint(0, row12 - 100), false);
    TableViewCell* small = table_.cellForRowAtIndexPath(IndexPath(1, 2));
    ASSERT_NE(small, nullptr);
    EXPECT_EQ(small->geometry(), QRect(0, 100, table_.viewport()->width(), 10));
    EXPECT_EQ(table_.indexPathsForVisibleRows().first(), IndexPath(1, 0));
}

TEST_F(TableViewTest, BadIndexPathsAndEmptyTablesDoNothing) {
    Rows rows({3, 0});
    show(rows);
    for (const IndexPath& bad :
         {IndexPath(-1, 0), IndexPath(0, -1), IndexPath(0, 3), IndexPath(1, 0), IndexPath(2, 0)}) {
        EXPECT_FALSE(table_.isValidIndexPath(bad)) << bad.description().toStdString();
        EXPECT_TRUE(table_.rectForRowAtIndexPath(bad).isNull());
        table_.scrollToRowAtIndexPath(bad, TableViewScrollPosition::Middle, true);
        table_.selectRowAtIndexPath(bad, false, TableViewScrollPosition::Top);
        EXPECT_EQ(table_.cellForRowAtIndexPath(bad), nullptr);
    }
    EXPECT_EQ(table_.contentOffsetY(), 0);
    EXPECT_FALSE(table_.indexPathForSelectedRow());
    EXPECT_EQ(table_.numberOfRowsInSection(7), 0);
    EXPECT_FALSE(table_.indexPathForRowAtPoint(QPoint(10, -5)));
    EXPECT_FALSE(table_.indexPathForRowAtPoint(QPoint(10, table_.contentHeight())));

    rows.counts = {};
    table_.reloadData();
    EXPECT_EQ(table_.numberOfSections(), 0);
    EXPECT_EQ(table_.firstVisibleCell(), nullptr);
    EXPECT_EQ(table_.contentHeight(), 0);
    table_.setFocus();
    QTest::keyClick(&table_, Qt::Key_Down);
    QTest::keyClick(&table_, Qt::Key_End);
    QTest::keyClick(&table_, Qt::Key_Return);
    QTest::mouseClick(table_.viewport(), Qt::LeftButton, {}, QPoint(100, 100));
    EXPECT_TRUE(rows.selected.empty());
    EXPECT_EQ(table_.contentOffsetY(), 0);

    TableView bare;  // no data source at all
    bare.resize(320, kHeight);
    bare.reloadData();
    EXPECT_EQ(bare.numberOfSections(), 0);
    EXPECT_TRUE(bare.visibleCells().isEmpty());
}

TEST(TableViewCellTest, PrepareForReuseClearsTheSelectionAtOnce) {
    TableViewCell cell(u"Cell"_s);
    cell.setSelected(true, true);
    EXPECT_EQ(cell.selectionAlpha(), 1.0);
    cell.prepareForReuse();
    EXPECT_FALSE(cell.isSelected());
    EXPECT_EQ(cell.selectionAlpha(), 0.0);
    EXPECT_EQ(cell.reuseIdentifier(), u"Cell"_s);
}
