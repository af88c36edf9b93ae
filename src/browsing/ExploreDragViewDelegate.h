#pragma once

class ExploreDragView;

// Hears what the user does with an explore drag control: a started and an ended report for
// every drag and every tap on the bar, and a value-changed report for every change of choice
// (from a drag or from setCurrentValue, never from reset). Called on the main thread, from
// inside the control's event handling; the control is not owned.
class ExploreDragViewDelegate {
public:
    virtual ~ExploreDragViewDelegate() = default;
    virtual void exploreDragViewStartedDragging(ExploreDragView* view) = 0;
    virtual void exploreDragViewValueChanged(ExploreDragView* view) = 0;
    virtual void exploreDragViewEndedDragging(ExploreDragView* view) = 0;
};
