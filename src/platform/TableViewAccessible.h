#pragma once

#include <QAccessibleWidget>

class TableView;

// What screen readers see of a TableView: a list whose children are the rows in view, top to
// bottom (the table keeps cells for those alone), so a reader can walk them; the selected row
// is the focused child while the table has the keyboard. Made by AccessibleFactory. GUI thread
// only.
class TableViewAccessible : public QAccessibleWidget {
public:
    explicit TableViewAccessible(TableView* table);

    QAccessible::Role role() const override;
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* focusChild() const override;

private:
    TableView* table() const;
};
