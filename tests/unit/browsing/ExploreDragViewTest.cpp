#include "ExploreDragView.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QTouchEvent>
#include <memory>

#include "ExploreDragViewDelegate.h"
#include "ExploreESRBDragView.h"
#include "ExploreGenreDragView.h"
#include "ExploreScoreDragView.h"
#include "QStringPrinter.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// Writes down every report: "s" started, "<value>" changed, "e" ended.
class RecordingDelegate : public ExploreDragViewDelegate {
public:
    void exploreDragViewStartedDragging(ExploreDragView*) override { reports << u"s"_s; }
    void exploreDragViewValueChanged(ExploreDragView* view) override {
        reports << QString::number(view->currentValue());
    }
    void exploreDragViewEndedDragging(ExploreDragView*) override { reports << u"e"_s; }
    QStringList reports;
};

class ObjectDelegate : public QObject, public RecordingDelegate {};

void sendMouse(QWidget* view, QEvent::Type type, QPointF point,
               Qt::MouseButton button = Qt::LeftButton) {
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
    QMouseEvent event(type, point, view->mapToGlobal(point),
                      type == QEvent::MouseMove ? Qt::NoButton : button, held, Qt::NoModifier);
    QApplication::sendEvent(view, &event);
}

// Plays a gesture on the control, in its coordinates: "p y" press, "m y" move, "r y" release
// (at x 70, over the default thumb, or at "x,y"); "d y" double click, "R y" / "Q y" right
// button press / release, "c" touch cancel, "h" hide, "0" reset.
void play(ExploreDragView& view, const QString& gesture) {
    for (const QString& step : gesture.split(u' ', Qt::SkipEmptyParts)) {
        const QStringList xy = step.mid(1).split(u',');
        const QPointF at = xy.size() == 2 ? QPointF(xy[0].toDouble(), xy[1].toDouble())
                                          : QPointF(70, xy[0].toDouble());
        // clang-format off
        switch (step[0].unicode()) {
            case 'p': sendMouse(&view, QEvent::MouseButtonPress, at); break;
            case 'm': sendMouse(&view, QEvent::MouseMove, at); break;
            case 'r': sendMouse(&view, QEvent::MouseButtonRelease, at); break;
            case 'd': sendMouse(&view, QEvent::MouseButtonDblClick, at); break;
            case 'R': sendMouse(&view, QEvent::MouseButtonPress, at, Qt::RightButton); break;
            case 'Q': sendMouse(&view, QEvent::MouseButtonRelease, at, Qt::RightButton); break;
            case 'c': {
                QTouchEvent cancel(QEvent::TouchCancel);
                QApplication::sendEvent(&view, &cancel);
                break;
            }
            case 'h': view.hide(); break;
            case '0': view.reset(); break;
        }
        // clang-format on
    }
}

}  // namespace

TEST(ExploreDragView, DraggingDownTheBarPassesEverySlotInOrder) {
    // Each control with its slots' values and labels from the top of the bar.
    std::unique_ptr<ExploreDragView> views[] = {std::make_unique<ExploreScoreDragView>(),
                                                std::make_unique<ExploreESRBDragView>(),
                                                std::make_unique<ExploreGenreDragView>()};
    const QString slots[] = {
        u"0 any stars|5 5 stars|4 4+ stars|3 3+ stars|2 2+ stars|1 1+ stars"_s,
        u"0 any esrb|6 young kids|7 everyone|8 10+|9 teen|10 mature|12 pending"_s,
        u"0 any genre|13 action|14 adventure|15 driving|16 family|17 fighting|18 flying|"
        u"19 puzzle|20 rpg|21 simulation|22 sports|23 strategy"_s,
    };
    for (int i = 0; i < 3; ++i) {
        ExploreDragView* view = views[i].get();
        play(*view, u"p32"_s);  // grabbed at its top: the thumb's top follows the finger
        QStringList passed;
        int thumbY = -1;
        for (int d = -20; d <= 400; ++d) {
            play(*view, u"m%1"_s.arg(d));
            const QString shown = u"%1 %2"_s.arg(view->currentValue()).arg(view->getLabel());
            if (passed.isEmpty() || passed.last() != shown) {
                passed << shown;
                EXPECT_GT(view->thumbView()->y(), thumbY) << d;  // snapped a slot further down
                thumbY = view->thumbView()->y();
            }
            ASSERT_EQ(view->button()->text(), view->getLabel());
            ASSERT_EQ(view->button()->isChecked(), view->currentValue() != 0);
        }
        play(*view, u"r400"_s);
        EXPECT_EQ(passed.join(u'|'), slots[i]);
        EXPECT_FALSE(view->isDraggingFlyout());
    }
}

TEST(ExploreDragView, GesturesReportStartedEachChangeAndEnded) {
    struct Case {
        int startValue;
        QString gesture, reports;
        int value;
    };
    // clang-format off
    const Case cases[] = {
        // Grabbed 10 below the thumb's top; d = 40.99 counts as 40; moves within a slot and
        // jumps over slots report once.
        {0, u"p42 m51 m50.99 m52 m55 m260 m70 r70"_s, u"s 13 0 13 23 14 e"_s, 14},
        // Each drag measures its own grab; far above the bar is the top slot.
        {14, u"p65 m45 m-5000 r-5000"_s, u"s 13 0 e"_s, 0},
        // A reset reports nothing, also in the middle of a drag, which goes on from the top.
        {15, u"0"_s, u""_s, 0},
        {0, u"p42 m70 0 m70 r70"_s, u"s 14 14 e"_s, 14},
        // Taps: on the bar a start and an end; none on the button strip or off the control.
        {15, u"p51,150 r51,150"_s, u"s e"_s, 15},
        {15, u"p50,150 r50,150"_s, u""_s, 15},
        {15, u"p51,220 m51,40 r51,400"_s, u""_s, 15},
        // Other buttons do not touch; a double click grabs like a press.
        {15, u"R80 m40 Q40"_s, u""_s, 15},
        {15, u"d85 m50 r50"_s, u"s 13 e"_s, 13},
        // A cancelled touch, or hiding the control, ends the drag; a late release is no tap.
        {0, u"p32 m80 c m150 r150"_s, u"s 15 e"_s, 15},
        {15, u"p85 h r85"_s, u"s e"_s, 15},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.gesture.toStdString());
        QWidget panel;
        ExploreGenreDragView view(&panel);
        view.move(100, 60);  // a tap counts on the bar wherever the control sits
        panel.show();
        view.setCurrentValue(c.startValue);
        RecordingDelegate delegate;
        view.setDelegate(&delegate);
        play(view, c.gesture);
        EXPECT_EQ(delegate.reports.join(u' '), c.reports);
        EXPECT_EQ(view.currentValue(), c.value);
        EXPECT_FALSE(view.isDraggingFlyout());
    }
}

TEST(ExploreDragView, ADestroyedDelegateHearsNothing) {
    ExploreScoreDragView view;
    auto delegate = std::make_unique<ObjectDelegate>();
    view.setDelegate(delegate.get());
    view.setCurrentValue(1);
    EXPECT_EQ(delegate->reports, QStringList{u"1"_s});
    delegate.reset();
    EXPECT_EQ(view.delegate(), nullptr);
    play(view, u"p112 m40 r40"_s);
    EXPECT_EQ(view.currentValue(), 0);
}
