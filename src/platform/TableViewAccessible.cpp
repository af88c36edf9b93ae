#include "TableViewAccessible.h"

#include "TableView.h"
#include "TableViewCell.h"

TableViewAccessible::TableViewAccessible(TableView* table)
    : QAccessibleWidget(table, QAccessible::List) {}

TableView* TableViewAccessible::table() const {
    return static_cast<TableView*>(widget());
}

QAccessible::Role TableViewAccessible::role() const {
    return QAccessible::List;
}

int TableViewAccessible::childCount() const {
    return int(table()->visibleCells().size());
}

QAccessibleInterface* TableViewAccessible::child(int index) const {
    const QList<TableViewCell*> cells = table()->visibleCells();
    if (index < 0 || index >= cells.size()) {
        return nullptr;
    }
    return QAccessible::queryAccessibleInterface(cells.at(index));
}

int TableViewAccessible::indexOfChild(const QAccessibleInterface* child) const {
    if (!child) {
        return -1;
    }
    return int(table()->visibleCells().indexOf(qobject_cast<TableViewCell*>(child->object())));
}

QAccessibleInterface* TableViewAccessible::childAt(int x, int y) const {
    const QList<TableViewCell*> cells = table()->visibleCells();
    for (TableViewCell* cell : cells) {
        if (QAccessibleInterface* row = QAccessible::queryAccessibleInterface(cell);
            row && row->rect().contains(x, y)) {
            return row;
        }
    }
    return nullptr;
}

QAccessibleInterface* TableViewAccessible::focusChild() const {
    if (!table()->hasFocus()) {
        return nullptr;
    }
    const std::optional<IndexPath> selected = table()->indexPathForSelectedRow();
    TableViewCell* cell = selected ? table()->cellForRowAtIndexPath(*selected) : nullptr;
    return cell ? QAccessible::queryAccessibleInterface(cell) : nullptr;
}
