#pragma once

#include <QAbstractButton>
#include <QPointF>
#include <QPointer>
#include <QString>
#include <span>
#include <string_view>

#include "TouchView.h"

class ExploreDragViewDelegate;

// A vertical drag control of the explore panel: a thumb that the user drags along a bar and
// that snaps to fixed slots, one choice per slot, and a button that shows the current choice
// as text and is selected (checked) while a choice other than "any" (0) is made. The control
// only reports; the list screen turns its value into a filter. Subclasses give the slots'
// values and the labels; a plain control has no slots and labels every value "n/a".
//
// The control's own area is the bar. The thumb must be a child of the control (its position
// is its origin in the control); the button may sit anywhere. Touch events are left to Qt as
// mouse events, so a button inside the control still takes its taps. Main thread only. The
// delegate is not owned; one that is a QObject is forgotten when it is destroyed.
class ExploreDragView : public TouchView {
    Q_OBJECT
    // What screen readers read as the control's value: the current choice's label (see
    // ValueControlAccessible). The button's description says the same.
    Q_PROPERTY(QString accessibleValueText READ getLabel)
    Q_PROPERTY(int accessibleValue READ currentValue WRITE chooseValue)
    Q_PROPERTY(int accessibleMinimum READ smallestValue CONSTANT)
    Q_PROPERTY(int accessibleMaximum READ largestValue CONSTANT)
public:
    // One value of a control and its label.
    struct Choice {
        int value;
        std::u16string_view label;
    };

    explicit ExploreDragView(QWidget* parent = nullptr);
    ~ExploreDragView() override;

    // A plain thumb widget and a checkable push button are made at construction; the list
    // screen's interface file hands in its own, and the control's own go away then. Those
    // handed in are not owned beyond Qt's parent.
    QWidget* thumbView() const { return thumbView_; }
    void setThumbView(QWidget* thumbView);
    QAbstractButton* button() const { return button_; }
    // Makes the button checkable, and keeps a click from changing its selection, which
    // always follows the value.
    void setButton(QAbstractButton* button);
    ExploreDragViewDelegate* delegate() const;
    void setDelegate(ExploreDragViewDelegate* delegate);

    int currentValue() const { return currentValue_; }
    // A different value is stored, drawn (the thumb goes to the value's slot when the control
    // has one) and reported; the same value does nothing.
    void setCurrentValue(int value);
    // Of the slots' values; 0 for a control without slots.
    int smallestValue() const;
    int largestValue() const;
    int thumbY() const { return thumbY_; }
    bool isDraggingFlyout() const { return _draggingFlyout; }

    // As a drag that ends on the value's slot (reported as one); nothing for a value without a
    // slot. For screen readers, which set the value without dragging.
    void chooseValue(int value);
    // Back to "any" (0) without a report.
    void reset();
    // "n/a" for a control without labels.
    virtual QString getLabel() const;
    // Puts the thumb at once on the current slot and the label and selection on the button.
    void redraw();
    void drawThumbAtPoint(QPointF point);
    void startDragging(QPointF point);
    // `flag` is accepted for the callers' sake and changes nothing.
    void endDragging(bool flag);
    bool didTouchFlyout(QPointF point) const;
    // On the control, right of the button's strip (x > 50).
    bool didTouchStarBar(QPointF point) const;
    // The slot under the thumb's top for a finger at `point` (less the grab offset) becomes
    // the current slot and its value the current value. Nothing for a point that is not a
    // number.
    virtual void snapFlyoutToPoint(QPointF point);

protected:
    // For the subclasses: the values of their slots from the top of the bar (at most 12, the
    // last slot taking everything below it) and the labels of their values, the label for 0
    // among them, which also serves any value not listed. Both are static tables.
    ExploreDragView(std::span<const int> slotValues, std::span<const Choice> choices,
                    QWidget* parent);

    void touchesBegan(QPointF point) override;
    void touchesMoved(QPointF point) override;
    void touchesEnded(QPointF point) override;
    void touchesCancelled() override;

private:
    void drawButton();
    void reportStarted();
    void reportValueChanged();
    void announceValue();
    void reportEnded();

    const std::span<const int> slotValues_;
    const std::span<const Choice> choices_;
    QPointer<QWidget> thumbView_;
    QPointer<QAbstractButton> button_;
    // The parts made at construction, until others replace them.
    QPointer<QWidget> ownThumbView_;
    QPointer<QAbstractButton> ownButton_;
    QMetaObject::Connection buttonClicked_;
    ExploreDragViewDelegate* delegate_ = nullptr;
    // Set when the delegate is a QObject, to notice its destruction.
    QPointer<QObject> delegateObject_;
    bool delegateIsObject_ = false;
    int currentValue_ = 0;
    int thumbY_ = 0;
    bool _draggingFlyout = false;
    int _touchOffset = 0;
};
