#include "TouchView.h"

#include <gtest/gtest.h>

#include <QMouseEvent>
#include <QTest>

// The rules the drag controls' and the star bar's own tests reach (hiding, a lost grab, touches
// turned into mouse events for a button inside) are left to them; these are the ones they do not.

namespace {

// Writes down each touch: "b" began, "m" moved, "e" ended, "c" cancelled.
struct RecordingView : TouchView {
    using TouchView::setTakesTouchEvents;
    void touchesBegan(QPointF) override { touches += 'b'; }
    void touchesMoved(QPointF) override { touches += 'm'; }
    void touchesEnded(QPointF) override { touches += 'e'; }
    void touchesCancelled() override { touches += 'c'; }
    std::string touches;
};

}  // namespace

// Every touch that began ends once, as ended or cancelled; what comes after a cancel is none of
// the touch's, and a press whose release was lost cancels the earlier touch first.
TEST(TouchView, EveryTouchEndsOnceAndNothingFollows) {
    QMouseEvent press(QEvent::MouseButtonPress, {}, {}, Qt::LeftButton, Qt::LeftButton, {});
    QMouseEvent move(QEvent::MouseMove, {}, {}, Qt::NoButton, Qt::LeftButton, {});
    QMouseEvent release(QEvent::MouseButtonRelease, {}, {}, Qt::LeftButton, Qt::NoButton, {});
    QMouseEvent rightMove(QEvent::MouseMove, {}, {}, Qt::NoButton, Qt::RightButton, {});
    QFocusEvent focusOut(QEvent::FocusOut);
    QEvent deactivated(QEvent::WindowDeactivate);
    QPointingDevice* screen = QTest::createTouchDevice();
    using P = QEventPoint;
    QTouchEvent touchBegin(QEvent::TouchBegin, screen, {}, {P(0, P::Pressed, {}, {})});
    QTouchEvent touchMove(QEvent::TouchUpdate, screen, {}, {P(0, P::Updated, {}, {})});
    QTouchEvent touchEnd(QEvent::TouchEnd, screen, {}, {P(0, P::Released, {}, {})});
    QTouchEvent touchCancel(QEvent::TouchCancel, screen);
    // Left button press, move, release; a move with only the right button held; focus gone,
    // window deactivated; a touch event's begin, move, end, cancel. "-" first: touch events are
    // left to Qt.
    const std::string_view steps = "pmrMfwTUEC";
    QEvent* const events[] = {&press,       &move,       &release,   &rightMove, &focusOut,
                              &deactivated, &touchBegin, &touchMove, &touchEnd,  &touchCancel};
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"pmfmr", "bmc"}, {"pwmr", "bc"},   {"pmpr", "bmcbe"}, {"fwpr", "be"},
        {"pMmr", "bme"},  {"TUCUE", "bmc"}, {"-TUEpr", "be"},
    };
    for (const auto& [gesture, touches] : cases) {
        RecordingView view;
        view.setTakesTouchEvents(!gesture.starts_with('-'));
        for (const char step : gesture.substr(gesture.starts_with('-'))) {
            QCoreApplication::sendEvent(&view, events[steps.find(step)]);
        }
        EXPECT_EQ(view.touches, touches) << gesture;
        EXPECT_FALSE(view.isTouchInProgress()) << gesture;
    }
}
