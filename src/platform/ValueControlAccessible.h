#pragma once

#include <QAccessibleValueInterface>
#include <QAccessibleWidget>

// A control whose value is chosen by dragging, as screen readers see it: a slider whose value
// reads as text (the widget's "accessibleValueText" property, e.g. "3.5 of 5" or "any genre")
// and as a number between "accessibleMinimum" and "accessibleMaximum" ("accessibleValue"). A
// widget takes part by declaring accessibleValueText; the numbers default to 0. A reader sets
// the value through accessibleValue where the widget makes it writable, and the widget acts as
// for a gesture. The widget announces changes (QAccessibleValueChangeEvent). Made by
// AccessibleFactory. GUI thread only.
class ValueControlAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit ValueControlAccessible(QWidget* control);

    static bool isValueControl(const QWidget* widget);

    QAccessible::Role role() const override;
    QString text(QAccessible::Text t) const override;
    void* interface_cast(QAccessible::InterfaceType t) override;

    QVariant currentValue() const override;
    void setCurrentValue(const QVariant& value) override;
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;
};
