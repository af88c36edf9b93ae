#include "TableViewCellAccessible.h"

#include <QLabel>

#include "TableView.h"
#include "TableViewCell.h"

using namespace Qt::Literals::StringLiterals;

TableViewCellAccessible::TableViewCellAccessible(TableViewCell* cell)
    : QAccessibleWidget(cell, QAccessible::ListItem) {}

TableViewCell* TableViewCellAccessible::cell() const {
    return static_cast<TableViewCell*>(widget());
}

TableView* TableViewCellAccessible::table() const {
    // Cells live in the table's viewport.
    QWidget* viewport = cell()->parentWidget();
    return viewport ? qobject_cast<TableView*>(viewport->parentWidget()) : nullptr;
}

QAccessible::Role TableViewCellAccessible::role() const {
    return QAccessible::ListItem;
}

QString TableViewCellAccessible::text(QAccessible::Text t) const {
    if (t != QAccessible::Name || !cell()->accessibleName().isEmpty()) {
        return QAccessibleWidget::text(t);
    }
    QStringList shown;
    for (const QLabel* label : cell()->findChildren<QLabel*>()) {
        if (label->isVisibleTo(cell()) && !label->text().isEmpty()) {
            shown.append(label->text());
        }
    }
    return shown.join(u", "_s);
}

QAccessible::State TableViewCellAccessible::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    state.selectable = true;
    state.selected = cell()->isSelected();
    state.focusable = true;
    const TableView* owner = table();
    state.focused = state.selected && owner && owner->hasFocus();
    return state;
}

QAccessibleInterface* TableViewCellAccessible::parent() const {
    if (TableView* owner = table()) {
        return QAccessible::queryAccessibleInterface(owner);
    }
    return QAccessibleWidget::parent();
}

int TableViewCellAccessible::childCount() const {
    return 0;
}

QAccessibleInterface* TableViewCellAccessible::child(int) const {
    return nullptr;
}

int TableViewCellAccessible::indexOfChild(const QAccessibleInterface*) const {
    return -1;
}

QAccessibleInterface* TableViewCellAccessible::childAt(int, int) const {
    return nullptr;
}
