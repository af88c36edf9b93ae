#include "AccessibleFactory.h"

#include <QAccessible>
#include <QWidget>

#include "TableView.h"
#include "TableViewAccessible.h"
#include "TableViewCell.h"
#include "TableViewCellAccessible.h"
#include "ValueControlAccessible.h"

using namespace Qt::Literals::StringLiterals;

void AccessibleFactory::install() {
    static bool installed = false;
    if (!installed) {
        installed = true;
        QAccessible::installFactory(&AccessibleFactory::create);
    }
}

QAccessibleInterface* AccessibleFactory::create(const QString& className, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    if (!widget) {
        return nullptr;
    }
    if (className == u"TableView"_s) {
        return new TableViewAccessible(static_cast<TableView*>(widget));
    }
    if (className == u"TableViewCell"_s) {
        return new TableViewCellAccessible(static_cast<TableViewCell*>(widget));
    }
    // Asked for the object's own class first, so a value control is found before Qt's
    // interfaces for its base classes take it.
    if (className == QLatin1StringView(widget->metaObject()->className()) &&
        ValueControlAccessible::isValueControl(widget)) {
        return new ValueControlAccessible(widget);
    }
    return nullptr;
}
