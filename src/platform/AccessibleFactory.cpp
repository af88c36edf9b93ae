#include "AccessibleFactory.h"

#include <QAccessible>
#include <QWidget>

#include "TableView.h"
#include "TableViewAccessible.h"
#include "TableViewCell.h"
#include "TableViewCellAccessible.h"
#include "TouchView.h"
#include "ValueControlAccessible.h"

using namespace Qt::Literals::StringLiterals;

void AccessibleFactory::install() {
    static bool installed = false;
    if (!installed) {
        installed = true;
        QAccessible::installFactory(&AccessibleFactory::create);
    }
}

// Qt asks about every object it presents, the web engine's own items too, whose types a member
// call must not assume: an object is touched only once the class name says it is one of ours.
// Value controls are TouchViews, asked about as such after their own class and before Qt's
// interfaces for QWidget.
QAccessibleInterface* AccessibleFactory::create(const QString& className, QObject* object) {
    if (className == u"TableView"_s) {
        return new TableViewAccessible(static_cast<TableView*>(object));
    }
    if (className == u"TableViewCell"_s) {
        return new TableViewCellAccessible(static_cast<TableViewCell*>(object));
    }
    if (className == u"TouchView"_s &&
        ValueControlAccessible::isValueControl(static_cast<TouchView*>(object))) {
        return new ValueControlAccessible(static_cast<TouchView*>(object));
    }
    return nullptr;
}
