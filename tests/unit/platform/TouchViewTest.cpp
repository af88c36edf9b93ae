#include "TouchView.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>

#include "QStringPrinter.h"

using namespace Qt::Literals::StringLiterals;

// The rules the drag controls' and the star bar's own tests reach are left to them; these are
// the ones they do not.

namespace {

// Writes down each touch: "b" began, "m" moved, "e" ended, "c" cancelled.
class RecordingView : public TouchView {
public:
    using TouchView::setTakesTouchEvents;
    using TouchView::TouchView;
    QStringList touches;

protected:
    void touchesBegan(QPointF) override { touches << u"b"_s; }
    void touchesMoved(QPointF) override { touches << u"m"_s; }
    void touchesEnded(QPointF) override { touches << u"e"_s; }
    void touchesCancelled() override { touches << u"c"_s; }
};

QPointingDevice* touchScreen() {
    static QPointingDevice* const device = QTest::createTouchDevice();
    return device;
}

class TouchViewTest : public testing::Test {
protected:
    TouchViewTest() {
        view->setGeometry(40, 60, 100, 100);  // away from the window's origin
        window.resize(200, 200);
        window.show();
    }

    // "p" / "r" left press / release, "m" move with the left button held, "M" move with only
    // the right one held; "T" / "U" / "C" / "E" a touch's begin, move, cancel, end; "f" focus
    // gone, "w" window deactivated, "h" view hidden.
    void play(const QString& gesture) {
        const QPoint at(20, 20);
        for (const QString& step : gesture.split(u' ', Qt::SkipEmptyParts)) {
            QFocusEvent focusOut(QEvent::FocusOut);
            QEvent deactivated(QEvent::WindowDeactivate);
            QTouchEvent cancel(QEvent::TouchCancel, touchScreen());
            QMouseEvent rightMove(QEvent::MouseMove, at, view->mapToGlobal(at), Qt::NoButton,
                                  Qt::RightButton, Qt::NoModifier);
            // clang-format off
            switch (step[0].unicode()) {
                case 'p': QTest::mousePress(view, Qt::LeftButton, {}, at); break;
                case 'r': QTest::mouseRelease(view, Qt::LeftButton, {}, at); break;
                case 'm': QTest::mouseMove(view, at + QPoint(5, 5)); break;
                case 'M': QApplication::sendEvent(view, &rightMove); break;
                case 'T': QTest::touchEvent(view, touchScreen()).press(0, at, view); break;
                case 'U': QTest::touchEvent(view, touchScreen()).move(0, at + QPoint(5, 5), view); break;
                case 'E': QTest::touchEvent(view, touchScreen()).release(0, at, view); break;
                case 'C': QApplication::sendEvent(view, &cancel); break;
                case 'f': QApplication::sendEvent(view, &focusOut); break;
                case 'w': QApplication::sendEvent(view, &deactivated); break;
                case 'h': view->hide(); break;
            }
            // clang-format on
        }
    }

    QWidget window;
    RecordingView* view = new RecordingView(&window);
};

}  // namespace

TEST_F(TouchViewTest, ATouchOverWithoutItsEndIsCancelledAndNothingFollows) {
    const std::pair<QString, QString> cases[] = {
        // Cancelled, focus gone, window deactivated, view hidden: later moves and the release
        // are no part of the touch, for the mouse and for touch events alike.
        {u"T U C U E"_s, u"b m c"_s},
        {u"p m f m r"_s, u"b m c"_s},
        {u"p w m r"_s, u"b c"_s},
        {u"T h U E"_s, u"b c"_s},
        // A press whose release was lost: the earlier touch is cancelled first.
        {u"p m p r"_s, u"b m c b e"_s},
        // Without a touch in progress there is nothing to cancel.
        {u"f w T E"_s, u"b e"_s},
        // A move without the left button is none of the touch's, though the touch goes on.
        {u"p M m r"_s, u"b m e"_s},
    };
    for (const auto& [gesture, touches] : cases) {
        SCOPED_TRACE(gesture.toStdString());
        view->touches.clear();
        view->show();
        play(gesture);
        EXPECT_EQ(view->touches.join(u' '), touches);
        EXPECT_FALSE(view->isTouchInProgress());
    }
}

// A view takes touch events unless it leaves them to Qt: then it still has its touches, as mouse
// events, and a button inside it takes a tap on it.
TEST_F(TouchViewTest, TouchEventsLeftToQtReachAButtonInsideTheView) {
    auto* button = new QPushButton(view);
    button->setGeometry(0, 0, 30, 30);
    button->show();
    int clicks = 0;
    QObject::connect(button, &QPushButton::clicked, [&] { ++clicks; });
    const auto tap = [this](QPoint at) {
        QTest::touchEvent(view, touchScreen()).press(0, at, view);
        QTest::touchEvent(view, touchScreen()).release(0, at, view);
    };
    tap(QPoint(10, 10));
    view->setTakesTouchEvents(false);
    tap(QPoint(10, 10));
    tap(QPoint(60, 60));
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(view->touches.join(u' '), u"b e b e"_s);
}
