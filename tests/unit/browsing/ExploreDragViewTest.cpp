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
    EXPECT_EQ(view.thumbY(), thumbY);
    EXPECT_EQ(view.thumbView()->y(), thumbY);
    EXPECT_EQ(view.thumbView()->x(), 60);
    EXPECT_EQ(view.button()->text(), label);
    EXPECT_EQ(view.button()->isChecked(), value != 0);
}

}  // namespace

TEST(ExploreDragView, EverySlotOfEveryControlHasItsValueLabelAndThumbPosition) {
    for (const Control& control : controls()) {
        SCOPED_TRACE(control.name);
        ASSERT_EQ(control.labels.size(), qsizetype(control.values.size()));
        auto view = control.make();
        expectShows(*view, 0, control.labels.front(), kTopThumbY);
        // Grabbed at its very top, so d is the finger's y.
        press(view.get(), {kThumbX, double(kTopThumbY)});
        ASSERT_TRUE(view->isDraggingFlyout());
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

TEST(ExploreDragView, AGrabTenPointsBelowTheTopMovedToSeventySelectsTheThirdSlot) {
    const QString expected[] = {u"4+ stars"_s, u"everyone"_s, u"adventure"_s};
    int i = 0;
    for (const Control& control : controls()) {
        SCOPED_TRACE(control.name);
        auto view = control.make();
        press(view.get(), {kThumbX, kTopThumbY + 10.0});
        moveTo(view.get(), {kThumbX, 70});
        EXPECT_EQ(view->getLabel(), expected[i++]);
        EXPECT_EQ(view->thumbView()->y(), 63);
    }
}

TEST(ExploreDragView, SlotBoundariesAndTruncationOfTheThumbTop) {
    ExploreScoreDragView view;
    RecordingDelegate delegate(&view);
    press(&view, {kThumbX, kTopThumbY + 10.0});
    moveTo(&view, {kThumbX, 51});  // d = 41
    EXPECT_EQ(view.currentValue(), 5);
    moveTo(&view, {kThumbX, 50});  // d = 40
    EXPECT_EQ(view.currentValue(), 0);
    moveTo(&view, {kThumbX, 50.99});  // d = 40.99 counts as 40
    EXPECT_EQ(view.currentValue(), 0);
    moveTo(&view, {kThumbX, 310});  // d = 300
    EXPECT_EQ(view.getLabel(), u"1+ stars"_s);
    EXPECT_EQ(view.thumbView()->y(), 112);
    moveTo(&view, {kThumbX, -5000});  // far above the bar
    EXPECT_EQ(view.currentValue(), 0);
    EXPECT_EQ(delegate.reports, (QStringList{u"started"_s, u"changed 5"_s, u"changed 0"_s,
                                             u"changed 1"_s, u"changed 0"_s}));
}

TEST(ExploreDragView, TheGenreThumbGoesNoFurtherThanStrategy) {
    ExploreGenreDragView view;
    press(&view, {kThumbX, double(kTopThumbY)});
    moveTo(&view, {kThumbX, 300});
    EXPECT_EQ(view.getLabel(), u"strategy"_s);
    EXPECT_EQ(view.thumbView()->y(), 208);
}

TEST(ExploreDragView, MovesWithinOneSlotReportNothingAndLeaveTheThumbAlone) {
    ExploreESRBDragView view;
    RecordingDelegate delegate(&view);
    press(&view, {kThumbX, double(kTopThumbY)});
    moveTo(&view, {kThumbX, 91});
    ASSERT_EQ(view.getLabel(), u"teen"_s);
    delegate.reports.clear();
    for (int y : {92, 100, 95, 91}) {
        moveTo(&view, {kThumbX, double(y)});
        EXPECT_EQ(view.thumbView()->pos(), QPoint(60, 96));
    }
    EXPECT_TRUE(delegate.reports.isEmpty());
    EXPECT_EQ(view.getLabel(), u"teen"_s);
}

TEST(ExploreDragView, ADragReportsStartedThenEachChangeThenEnded) {
    ExploreGenreDragView view;
    RecordingDelegate delegate(&view);
    press(&view, {kThumbX, kTopThumbY + 5.0});
    moveTo(&view, {kThumbX, 50});   // d = 45: action
    moveTo(&view, {kThumbX, 52});   // same slot
    moveTo(&view, {kThumbX, 250});  // d = 245: straight to strategy, one report
    moveTo(&view, {kThumbX, 65});   // d = 60: adventure
    release(&view, {kThumbX, 65});
    EXPECT_EQ(delegate.reports, (QStringList{u"started"_s, u"changed 13"_s, u"changed 23"_s,
                                             u"changed 14"_s, u"ended"_s}));
    for (ExploreDragView* sender : delegate.senders) {
        EXPECT_EQ(sender, &view);
    }
    EXPECT_EQ(view.getLabel(), u"adventure"_s);

    // The next drag measures its own grab: 2 points below the top, now at 63.
    delegate.reports.clear();
    press(&view, {kThumbX, 65});
    moveTo(&view, {kThumbX, 45});  // d = 43: action
    release(&view, {kThumbX, 45});
    EXPECT_EQ(delegate.reports, (QStringList{u"started"_s, u"changed 13"_s, u"ended"_s}));
}

TEST(ExploreDragView, ResetGoesBackToAnyWithoutAReport) {
    ExploreESRBDragView view;
    RecordingDelegate delegate(&view);
    press(&view, {kThumbX, kTopThumbY + 10.0});
    moveTo(&view, {kThumbX, 105});  // d = 95: teen
    release(&view, {kThumbX, 105});
    ASSERT_EQ(view.button()->text(), u"teen"_s);
    ASSERT_TRUE(view.button()->isChecked());
    delegate.reports.clear();

    view.reset();
    expectShows(view, 0, u"any esrb"_s, kTopThumbY);
    EXPECT_TRUE(delegate.reports.isEmpty());

    // Also in the middle of a drag: the drag goes on from the top slot.
    press(&view, {kThumbX, kTopThumbY + 10.0});
    moveTo(&view, {kThumbX, 70});
    view.reset();
    EXPECT_EQ(view.currentValue(), 0);
    moveTo(&view, {kThumbX, 70});
    release(&view, {kThumbX, 70});
    EXPECT_EQ(delegate.reports,
              (QStringList{u"started"_s, u"changed 7"_s, u"changed 7"_s, u"ended"_s}));
}

TEST(ExploreDragView, ATapOnTheBarReportsWithoutAChangeButNotOnTheButtonStrip) {
    ExploreScoreDragView view;
    RecordingDelegate delegate(&view);
    view.setCurrentValue(3);
    delegate.reports.clear();

    press(&view, {50, 150});
    release(&view, {50, 150});
    EXPECT_TRUE(delegate.reports.isEmpty());

    press(&view, {51, 150});
    release(&view, {51, 150});
    EXPECT_EQ(delegate.reports, (QStringList{u"started"_s, u"ended"_s}));
    EXPECT_EQ(view.currentValue(), 3);
    EXPECT_EQ(view.thumbView()->y(), 80);
    EXPECT_FALSE(view.isDraggingFlyout());

    // Moving a touch that did not grab the thumb changes nothing; ending it off the control
    // is no tap.
    delegate.reports.clear();
    press(&view, {51, 220});
    moveTo(&view, {51, 40});
    release(&view, {51, 400});
    EXPECT_TRUE(delegate.reports.isEmpty());
    EXPECT_EQ(view.currentValue(), 3);
}

TEST(ExploreDragView, ATapCountsOnTheBarWhereverTheControlSitsInItsParent) {
    QWidget panel;
    ExploreGenreDragView view(&panel);
    view.move(100, 60);
    RecordingDelegate delegate(&view);
    press(&view, {55, 10});  // on the bar, near its top-left corner
    release(&view, {55, 10});
    EXPECT_EQ(delegate.reports, (QStringList{u"started"_s, u"ended"_s}));

    delegate.reports.clear();
    press(&view, {105, 230});
    release(&view, {105, 280});  // below the control
    EXPECT_TRUE(delegate.reports.isEmpty());
}

TEST(ExploreDragView, ACancelledTouchEndsTheDragAndItsLateReleaseIsNoTap) {
    ExploreGenreDragView view;
    RecordingDelegate delegate(&view);
    press(&view, {kThumbX, double(kTopThumbY)});
    moveTo(&view, {kThumbX, 80});
    QTouchEvent cancel(QEvent::TouchCancel);
    QApplication::sendEvent(&view, &cancel);
    EXPECT_FALSE(view.isDraggingFlyout());
    moveTo(&view, {kThumbX, 150});
    release(&view, {kThumbX, 150});
    EXPECT_EQ(delegate.reports, (QStringList{u"started"_s, u"changed 15"_s, u"ended"_s}));
    EXPECT_EQ(view.getLabel(), u"driving"_s);

    // Hiding the control in the middle of a drag cancels it too.
    delegate.reports.clear();
    view.show();
    press(&view, {kThumbX, 85});
    view.hide();
    release(&view, {kThumbX, 85});
    EXPECT_EQ(delegate.reports, (QStringList{u"started"_s, u"ended"_s}));
}

TEST(ExploreDragView, TheLeftButtonTouchesADoubleClickTooOtherButtonsDoNot) {
    ExploreScoreDragView view;
    RecordingDelegate delegate(&view);
    sendMouse(&view, QEvent::MouseButtonPress, {kThumbX, 40}, Qt::RightButton, Qt::RightButton);
    moveTo(&view, {kThumbX, 70});
    sendMouse(&view, QEvent::MouseButtonRelease, {kThumbX, 70}, Qt::RightButton, Qt::NoButton);
    EXPECT_TRUE(delegate.reports.isEmpty());
    EXPECT_EQ(view.currentValue(), 0);

    // The second press of a quick double tap arrives as a double click and grabs as well.
    press(&view, {kThumbX, 40});
    release(&view, {kThumbX, 40});
    sendMouse(&view, QEvent::MouseButtonDblClick, {kThumbX, 40}, Qt::LeftButton, Qt::LeftButton);
    moveTo(&view, {kThumbX, 70});
    release(&view, {kThumbX, 70});
    EXPECT_EQ(delegate.reports,
              (QStringList{u"started"_s, u"ended"_s, u"started"_s, u"changed 4"_s, u"ended"_s}));
}

TEST(ExploreDragView, PressesOnTheThumbWidgetReachTheControl) {
    ExploreScoreDragView view;
    RecordingDelegate delegate(&view);
    QTest::mousePress(view.thumbView(), Qt::LeftButton, {}, QPoint(5, 10));
    EXPECT_TRUE(view.isDraggingFlyout());
    moveTo(&view, {kThumbX, 70});  // 10 below the thumb's top: d = 60
    EXPECT_EQ(view.getLabel(), u"4+ stars"_s);
}

TEST(ExploreDragView, SettingTheValueReportsOnlyAChange) {
    ExploreScoreDragView view;
    RecordingDelegate delegate(&view);
    view.setCurrentValue(0);
    EXPECT_TRUE(delegate.reports.isEmpty());

    view.setCurrentValue(2);
    view.setCurrentValue(2);
    EXPECT_EQ(delegate.reports, QStringList{u"changed 2"_s});
    expectShows(view, 2, u"2+ stars"_s, 96);
}

TEST(ExploreDragView, ValuesWithoutASlotShowTheirLabelOrTheLabelForAny) {
    ExploreESRBDragView rating;
    rating.setCurrentValue(9);
    rating.setCurrentValue(11);
    EXPECT_EQ(rating.getLabel(), u"adults"_s);
    EXPECT_EQ(rating.thumbY(), 96);  // no slot of its own: the thumb stays
    EXPECT_TRUE(rating.button()->isChecked());

    ExploreScoreDragView score;
    for (int value : {6, 23, -1, 99}) {
        score.setCurrentValue(value);
        EXPECT_EQ(score.getLabel(), u"any stars"_s) << value;
    }
    ExploreGenreDragView genre;
    genre.setCurrentValue(5);
    EXPECT_EQ(genre.getLabel(), u"any genre"_s);

    ExploreDragView plain;
    plain.setCurrentValue(3);
    EXPECT_EQ(plain.getLabel(), u"n/a"_s);
}

TEST(ExploreDragView, APointThatIsNotANumberSnapsNowhere) {
    ExploreScoreDragView view;
    view.setCurrentValue(4);
    view.snapFlyoutToPoint({kThumbX, qQNaN()});
    EXPECT_EQ(view.currentValue(), 4);
    EXPECT_EQ(view.thumbY(), 63);
}

TEST(ExploreDragView, AClickOnTheButtonDoesNotChangeItsSelection) {
    ExploreGenreDragView view;
    int clicks = 0;
    QObject::connect(view.button(), &QAbstractButton::clicked, [&clicks] { ++clicks; });
    QTest::mouseClick(view.button(), Qt::LeftButton);
    ASSERT_EQ(clicks, 1);
    EXPECT_FALSE(view.button()->isChecked());
    view.setCurrentValue(20);
    QTest::mouseClick(view.button(), Qt::LeftButton);
    EXPECT_TRUE(view.button()->isChecked());
    EXPECT_EQ(view.button()->text(), u"rpg"_s);
}

TEST(ExploreDragView, WorksThroughAThumbAndButtonHandedToIt) {
    ExploreScoreDragView view;
    QPointer<QWidget> ownThumb = view.thumbView();
    QPointer<QAbstractButton> ownButton = view.button();
    auto* thumb = new QWidget(&view);
    thumb->setGeometry(20, 32, 30, 12);
    auto* button = new QPushButton(u"?"_s);
    std::unique_ptr<QPushButton> buttonOwner(button);
    view.setThumbView(thumb);
    view.setButton(button);
    EXPECT_TRUE(button->isCheckable());
    EXPECT_EQ(button->text(), u"any stars"_s);
    EXPECT_TRUE(ownThumb.isNull());
    EXPECT_TRUE(ownButton.isNull());

    press(&view, {kThumbX, 40});  // where the old thumb was: nothing
    EXPECT_FALSE(view.isDraggingFlyout());
    release(&view, {kThumbX, 40});
    press(&view, {25, 40});
    moveTo(&view, {25, 90});  // grabbed 8 below the top: d = 82
    EXPECT_EQ(thumb->pos(), QPoint(20, 80));
    EXPECT_EQ(button->text(), u"3+ stars"_s);
    EXPECT_TRUE(button->isChecked());

    buttonOwner.reset();  // a button that goes away is no longer drawn
    EXPECT_EQ(view.button(), nullptr);
    moveTo(&view, {25, 50});
    EXPECT_EQ(view.currentValue(), 5);
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
