#include "ValueControlAccessible.h"

#include <QWidget>

namespace {

QVariant number(const QWidget* widget, const char* name) {
    const QVariant value = widget->property(name);
    return value.isValid() ? value : QVariant(0.0);
}

}  // namespace

ValueControlAccessible::ValueControlAccessible(QWidget* control)
    : QAccessibleWidget(control, QAccessible::Slider) {}

bool ValueControlAccessible::isValueControl(const QWidget* widget) {
    return widget && widget->metaObject()->indexOfProperty("accessibleValueText") >= 0;
}

QAccessible::Role ValueControlAccessible::role() const {
    return QAccessible::Slider;
}

QString ValueControlAccessible::text(QAccessible::Text t) const {
    if (t == QAccessible::Value) {
        return widget()->property("accessibleValueText").toString();
    }
    return QAccessibleWidget::text(t);
}

void* ValueControlAccessible::interface_cast(QAccessible::InterfaceType t) {
    if (t == QAccessible::ValueInterface) {
        return static_cast<QAccessibleValueInterface*>(this);
    }
    return QAccessibleWidget::interface_cast(t);
}

QVariant ValueControlAccessible::currentValue() const {
    return number(widget(), "accessibleValue");
}

void ValueControlAccessible::setCurrentValue(const QVariant& value) {
    widget()->setProperty("accessibleValue", value);
}

QVariant ValueControlAccessible::maximumValue() const {
    return number(widget(), "accessibleMaximum");
}

QVariant ValueControlAccessible::minimumValue() const {
    return number(widget(), "accessibleMinimum");
}

QVariant ValueControlAccessible::minimumStepSize() const {
    return QVariant(0.0);
}
