#include "KeyboardAccess.h"

#include <QShortcut>
#include <QWidget>

#include "Button.h"

void KeyboardAccess::chainTabOrder(const QList<QWidget*>& order) {
    for (qsizetype i = 0; i < order.size(); ++i) {
        if (qobject_cast<Button*>(order.at(i))) {
            order.at(i)->setFocusPolicy(Qt::TabFocus);
        }
        if (i > 0) {
            QWidget::setTabOrder(order.at(i - 1), order.at(i));
        }
    }
}

void KeyboardAccess::addShortcut(QWidget* screen, const QKeySequence& keys,
                                 const std::function<void()>& action) {
    auto* shortcut = new QShortcut(keys, screen);
    shortcut->setContext(Qt::WidgetWithChildrenShortcut);
    QObject::connect(shortcut, &QShortcut::activated, screen, action);
}
