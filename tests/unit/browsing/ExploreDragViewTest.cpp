#include "ExploreDragView.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QTouchEvent>
#include <functional>
#include <memory>
#include <vector>

#include "ExploreDragViewDelegate.h"
#include "ExploreESRBDragView.h"
#include "ExploreGenreDragView.h"
#include "ExploreScoreDragView.h"
#include "QStringPrinter.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// Writes down every report as "started", "changed <value>" or "ended".
class RecordingDelegate : public ExploreDragViewDelegate {
public:
    explicit RecordingDelegate(ExploreDragView* view = nullptr) {
        if (view) {
            view->setDelegate(this);
        }
    }
    void exploreDragViewStartedDragging(ExploreDragView* view) override {
        record(view, u"started"_s);
    }
    void exploreDragViewValueChanged(ExploreDragView* view) override {
        record(view, u"changed %1"_s.arg(view->currentValue()));
    }
    void exploreDragViewEndedDragging(ExploreDragView* view) override { record(view, u"ended"_s); }
    QStringList reports;
    std::vector<ExploreDragView*> senders;

private:
    void record(ExploreDragView* view, const QString& report) {
        reports << report;
        senders.push_back(view);
    }
};

class ObjectDelegate : public QObject, public RecordingDelegate {};

void sendMouse(QWidget* view, QEvent::Type type, QPointF point, Qt::MouseButton button,
               Qt::MouseButtons held) {
    QMouseEvent event(type, point, view->mapToGlobal(point), button, held, Qt::NoModifier);
    QApplication::sendEvent(view, &event);
}
void press(QWidget* view, QPointF point) {
    sendMouse(view, QEvent::MouseButtonPress, point, Qt::LeftButton, Qt::LeftButton);
}
void moveTo(QWidget* view, QPointF point) {
    sendMouse(view, QEvent::MouseMove, point, Qt::NoButton, Qt::LeftButton);
}
void release(QWidget* view, QPointF point) {
    sendMouse(view, QEvent::MouseButtonRelease, point, Qt::LeftButton, Qt::NoButton);
}

// The default thumb sits at x 60..100 with its top at the slot-0 position, y 32.
constexpr double kThumbX = 70;
constexpr int kTopThumbY = 32;

// Along the bar, for every control: the first and last thumb-top positions (d) of each slot
// and where the thumb snaps to. A control's last slot reaches to the end of the bar.
struct Place {
    int firstD;
    int lastD;
    int thumbY;
};
constexpr Place kPlaces[] = {
    {-20, 40, 32},   {41, 55, 48},    {56, 75, 63},    {76, 90, 80},
    {91, 100, 96},   {101, 120, 112}, {121, 137, 127}, {138, 154, 144},
    {155, 170, 160}, {171, 185, 176}, {186, 200, 192}, {201, 400, 208},
};
constexpr int kEndOfBar = 400;

struct Control {
    const char* name;
    std::function<std::unique_ptr<ExploreDragView>()> make;
    // The slots' values and labels from the top of the bar.
    std::vector<int> values;
    QStringList labels;
};

template <typename View>
std::function<std::unique_ptr<ExploreDragView>()> maker() {
    return [] { return std::make_unique<View>(); };
}

std::vector<Control> controls() {
    return {
        {"score",
         maker<ExploreScoreDragView>(),
         {0, 5, 4, 3, 2, 1},
         {u"any stars"_s, u"5 stars"_s, u"4+ stars"_s, u"3+ stars"_s, u"2+ stars"_s,
          u"1+ stars"_s}},
        {"esrb",
         maker<ExploreESRBDragView>(),
         {0, 6, 7, 8, 9, 10, 12},
         {u"any esrb"_s, u"young kids"_s, u"everyone"_s, u"10+"_s, u"teen"_s, u"mature"_s,
          u"pending"_s}},
        {"genre",
         maker<ExploreGenreDragView>(),
         {0, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23},
         {u"any genre"_s, u"action"_s, u"adventure"_s, u"driving"_s, u"family"_s, u"fighting"_s,
          u"flying"_s, u"puzzle"_s, u"rpg"_s, u"simulation"_s, u"sports"_s, u"strategy"_s}},
    };
}

void expectShows(const ExploreDragView& view, int value, const QString& label, int thumbY) {
    EXPECT_EQ(view.currentValue(), value);
    EXPECT_EQ(view.getLabel(), label);
    EXPECT_EQ(view.thumbView()->y(), thumbY);
    EXPECT_EQ(view.button()->text(), label);
    EXPECT_EQ(view.button()->isChecked(), value != 0);
}

}  // namespace

TEST(ExploreDragView, EverySlotOfEveryControlHasItsValueLabelAndThumbPosition) {
    for (const Control& control : controls()) {
        SCOPED_TRACE(control.name);
        auto view = control.make();
        expectShows(*view, 0, control.labels.front(), kTopThumbY);
        // Grabbed at its very top, so d is the finger's y.
        press(view.get(), {kThumbX, double(kTopThumbY)});
        for (size_t i = 0; i < control.values.size(); ++i) {
            const Place& place = kPlaces[i];
            const bool last = i + 1 == control.values.size();
            for (int d : {place.firstD, last ? kEndOfBar : place.lastD}) {
                SCOPED_TRACE(d);
                moveTo(view.get(), {kThumbX, double(d)});
                expectShows(*view, control.values[i], control.labels[qsizetype(i)], place.thumbY);
            }
        }
        release(view.get(), {kThumbX, 400});
        EXPECT_FALSE(view->isDraggingFlyout());
    }
}

TEST(ExploreDragView, ADragReportsStartedThenEachChangeThenEnded) {
    ExploreGenreDragView view;
    RecordingDelegate delegate(&view);
    press(&view, {kThumbX, kTopThumbY + 10.0});
    moveTo(&view, {kThumbX, 51});     // d = 41: action
    moveTo(&view, {kThumbX, 50.99});  // d = 40.99 counts as 40: any
    moveTo(&view, {kThumbX, 52});     // action again
    moveTo(&view, {kThumbX, 55});     // same slot, no report
    moveTo(&view, {kThumbX, 260});    // d = 250: straight to strategy, one report
    moveTo(&view, {kThumbX, 70});     // d = 60: adventure
    release(&view, {kThumbX, 70});
    EXPECT_EQ(delegate.reports,
              (QStringList{u"started"_s, u"changed 13"_s, u"changed 0"_s, u"changed 13"_s,
                           u"changed 23"_s, u"changed 14"_s, u"ended"_s}));
    for (ExploreDragView* sender : delegate.senders) {
        EXPECT_EQ(sender, &view);
    }

    // The next drag measures its own grab: 2 points below the top, now at 63.
    delegate.reports.clear();
    press(&view, {kThumbX, 65});
    moveTo(&view, {kThumbX, 45});     // d = 43: action
    moveTo(&view, {kThumbX, -5000});  // far above the bar: any
    release(&view, {kThumbX, -5000});
    EXPECT_EQ(delegate.reports,
              (QStringList{u"started"_s, u"changed 13"_s, u"changed 0"_s, u"ended"_s}));
}

TEST(ExploreDragView, ResetGoesBackToAnyWithoutAReportEvenWhileDragging) {
    ExploreESRBDragView view;
    RecordingDelegate delegate(&view);
    view.setCurrentValue(9);
    delegate.reports.clear();
    view.reset();
    expectShows(view, 0, u"any esrb"_s, kTopThumbY);
    EXPECT_TRUE(delegate.reports.isEmpty());

    press(&view, {kThumbX, kTopThumbY + 10.0});
    moveTo(&view, {kThumbX, 70});
    view.reset();
    EXPECT_EQ(view.currentValue(), 0);
    moveTo(&view, {kThumbX, 70});  // the drag goes on from the top slot
    release(&view, {kThumbX, 70});
    EXPECT_EQ(delegate.reports,
              (QStringList{u"started"_s, u"changed 7"_s, u"changed 7"_s, u"ended"_s}));
}

TEST(ExploreDragView, TouchesThatDoNotGrabTheThumb) {
    QWidget panel;
    ExploreScoreDragView view(&panel);
    view.move(100, 60);  // a tap counts on the bar wherever the control sits
    RecordingDelegate delegate(&view);
    view.setCurrentValue(3);
    struct Case {
        const char* name;
        std::function<void()> touch;
        QStringList reports;
    };
    const Case cases[] = {
        {"a tap on the button strip",
         [&] {
             press(&view, {50, 150}), release(&view, {50, 150});
         },
         {}},
        {"a tap on the bar",
         [&] {
             press(&view, {51, 150}), release(&view, {51, 150});
         },
         {u"started"_s, u"ended"_s}},
        {"moved, and ended off the control",
         [&] {
             press(&view, {51, 220}), moveTo(&view, {51, 40}), release(&view, {51, 400});
         },
         {}},
        {"the right button",
         [&] {
             sendMouse(&view, QEvent::MouseButtonPress, {kThumbX, 80}, Qt::RightButton,
                       Qt::RightButton);
             moveTo(&view, {kThumbX, 40});
             sendMouse(&view, QEvent::MouseButtonRelease, {kThumbX, 40}, Qt::RightButton,
                       Qt::NoButton);
         },
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        delegate.reports.clear();
        c.touch();
        EXPECT_EQ(delegate.reports, c.reports);
        EXPECT_EQ(view.currentValue(), 3);
        EXPECT_FALSE(view.isDraggingFlyout());
    }
}

TEST(ExploreDragView, CancelledTouchesEndTheDragAndDoubleClicksGrab) {
    ExploreGenreDragView view;
    RecordingDelegate delegate(&view);
    press(&view, {kThumbX, double(kTopThumbY)});
    moveTo(&view, {kThumbX, 80});
    QTouchEvent cancel(QEvent::TouchCancel);
    QApplication::sendEvent(&view, &cancel);
    EXPECT_FALSE(view.isDraggingFlyout());
    moveTo(&view, {kThumbX, 150});
    release(&view, {kThumbX, 150});  // a late release is no tap
    EXPECT_EQ(delegate.reports, (QStringList{u"started"_s, u"changed 15"_s, u"ended"_s}));

    // Hiding the control in the middle of a drag cancels it too.
    delegate.reports.clear();
    view.show();
    press(&view, {kThumbX, 85});
    view.hide();
    release(&view, {kThumbX, 85});
    EXPECT_EQ(delegate.reports, (QStringList{u"started"_s, u"ended"_s}));

    // The second press of a quick double tap arrives as a double click and grabs as well.
    delegate.reports.clear();
    sendMouse(&view, QEvent::MouseButtonDblClick, {kThumbX, 85}, Qt::LeftButton, Qt::LeftButton);
    moveTo(&view, {kThumbX, 50});  // grabbed 5 below the top: d = 45
    release(&view, {kThumbX, 50});
    EXPECT_EQ(delegate.reports, (QStringList{u"started"_s, u"changed 13"_s, u"ended"_s}));
}

TEST(ExploreDragView, SettingTheValueReportsOnlyAChangeAndLabelsAnyValue) {
    ExploreScoreDragView score;
    RecordingDelegate delegate(&score);
    score.setCurrentValue(0);
    score.setCurrentValue(2);
    score.setCurrentValue(2);
    EXPECT_EQ(delegate.reports, QStringList{u"changed 2"_s});
    expectShows(score, 2, u"2+ stars"_s, 96);
    score.snapFlyoutToPoint({kThumbX, qQNaN()});  // snaps nowhere
    EXPECT_EQ(score.currentValue(), 2);
    for (int value : {6, 23, -1}) {
        score.setCurrentValue(value);
        EXPECT_EQ(score.getLabel(), u"any stars"_s) << value;
    }

    ExploreESRBDragView rating;
    rating.setCurrentValue(9);
    rating.setCurrentValue(11);  // no slot of its own: the thumb stays
    expectShows(rating, 11, u"adults"_s, 96);
    ExploreDragView plain;
    plain.setCurrentValue(3);
    EXPECT_EQ(plain.getLabel(), u"n/a"_s);
}

TEST(ExploreDragView, WorksThroughAThumbAndButtonHandedToIt) {
    ExploreScoreDragView view;
    QPointer<QWidget> ownThumb = view.thumbView();
    QPointer<QAbstractButton> ownButton = view.button();
    auto* thumb = new QWidget(&view);
    thumb->setGeometry(20, 32, 30, 12);
    auto button = std::make_unique<QPushButton>(u"?"_s);
    view.setThumbView(thumb);
    view.setButton(button.get());
    EXPECT_EQ(button->text(), u"any stars"_s);
    EXPECT_TRUE(ownThumb.isNull());
    EXPECT_TRUE(ownButton.isNull());

    QTest::mousePress(thumb, Qt::LeftButton, {}, QPoint(5, 8));  // presses on the thumb count
    moveTo(&view, {25, 90});                                     // grabbed 8 below the top: d = 82
    EXPECT_EQ(thumb->pos(), QPoint(20, 80));
    EXPECT_EQ(button->text(), u"3+ stars"_s);
    EXPECT_TRUE(button->isChecked());
    // A click on the button does not change its selection, which follows the value.
    release(&view, {25, 90});
    QTest::mouseClick(button.get(), Qt::LeftButton);
    EXPECT_TRUE(button->isChecked());
    view.setCurrentValue(0);
    QTest::mouseClick(button.get(), Qt::LeftButton);
    EXPECT_FALSE(button->isChecked());

    button.reset();  // a button that goes away is no longer drawn
    EXPECT_EQ(view.button(), nullptr);
    view.setCurrentValue(5);
    EXPECT_EQ(view.getLabel(), u"5 stars"_s);
}

TEST(ExploreDragView, ADestroyedDelegateHearsNothing) {
    ExploreScoreDragView view;
    auto delegate = std::make_unique<ObjectDelegate>();
    view.setDelegate(delegate.get());
    view.setCurrentValue(1);
    EXPECT_EQ(delegate->reports, QStringList{u"changed 1"_s});
    delegate.reset();
    EXPECT_EQ(view.delegate(), nullptr);
    press(&view, {kThumbX, 112});
    moveTo(&view, {kThumbX, 40});
    release(&view, {kThumbX, 40});
    EXPECT_EQ(view.currentValue(), 0);
}
