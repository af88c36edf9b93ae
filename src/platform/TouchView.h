#pragma once

#include <QPointF>
#include <QWidget>

class QMouseEvent;

// A view that is touched as on the handset. The left mouse button's press, move and release,
// and touch events (the first point), come to the four touch handlers in the view's own
// coordinates. A move counts only while a touch is in progress (for the mouse, with the left
// button held). A touch that is over without an end of its own (touch cancel, a lost mouse
// grab, focus going elsewhere, the view hidden or its window deactivated) is cancelled, and a
// release that still comes is no end; a press without a release before it cancels the earlier
// touch first, so every began has its ended or cancelled. Other buttons are left to QWidget.
// Main thread only.
class TouchView : public QWidget {
    Q_OBJECT

public:
    explicit TouchView(QWidget* parent = nullptr);
    ~TouchView() override;

    // A touch began and has neither ended nor been cancelled.
    bool isTouchInProgress() const { return touchInProgress_; }

protected:
    virtual void touchesBegan(QPointF point) = 0;
    virtual void touchesMoved(QPointF point) = 0;
    virtual void touchesEnded(QPointF point) = 0;
    virtual void touchesCancelled() = 0;

    // On by default. Off leaves touch events to Qt, which turns them into mouse events for the
    // widget under the finger: for a view whose children take clicks of their own. A touch
    // cancel counts either way.
    void setTakesTouchEvents(bool takes) { takesTouchEvents_ = takes; }

    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void beginTouch(QPointF point);
    void endTouch(QPointF point);
    void loseTouch();

    bool takesTouchEvents_ = true;
    bool touchInProgress_ = false;
};
