#pragma once

#include <QAccessibleWidget>

class TableView;
class TableViewCell;

// One row of a TableView as screen readers see it: a list item whose name is the cell's
// accessible name, or, for a cell that sets none, the texts of its visible labels in order.
// The row is read as one item: its labels are not children of their own. Its parent is the
// table's list, not the table's inner viewport. Made by AccessibleFactory. GUI thread only.
class TableViewCellAccessible : public QAccessibleWidget {
public:
    explicit TableViewCellAccessible(TableViewCell* cell);

    QAccessible::Role role() const override;
    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;
    QAccessibleInterface* parent() const override;
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;

private:
    TableViewCell* cell() const;
    // Null for a cell not (or no longer) in a table.
    TableView* table() const;
};
