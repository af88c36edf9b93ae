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

template <typename View>
std::unique_ptr<ExploreDragView> make() {
    return std::make_unique<View>();
}

// Each control with its slots' values and labels from the top of the bar.
struct Control {
    std::function<std::unique_ptr<ExploreDragView>()> make;
    std::vector<std::pair<int, QString>> slots;
};
// clang-format off
const Control kControls[] = {
    {make<ExploreScoreDragView>, {{0, u"any stars"_s}, {5, u"5 stars"_s}, {4, u"4+ stars"_s},
        {3, u"3+ stars"_s}, {2, u"2+ stars"_s}, {1, u"1+ stars"_s}}},
    {make<ExploreESRBDragView>, {{0, u"any esrb"_s}, {6, u"young kids"_s}, {7, u"everyone"_s},
        {8, u"10+"_s}, {9, u"teen"_s}, {10, u"mature"_s}, {12, u"pending"_s}}},
    {make<ExploreGenreDragView>, {{0, u"any genre"_s}, {13, u"action"_s}, {14, u"adventure"_s},
        {15, u"driving"_s}, {16, u"family"_s}, {17, u"fighting"_s}, {18, u"flying"_s},
        {19, u"puzzle"_s}, {20, u"rpg"_s}, {21, u"simulation"_s}, {22, u"sports"_s},
        {23, u"strategy"_s}}},
};
// Along the bar: the first and last thumb-top positions (d) of each slot and where the thumb
// snaps to. A control's last slot reaches to the end of the bar (400).
constexpr int kPlaces[][3] = {{-20, 40, 32}, {41, 55, 48}, {56, 75, 63}, {76, 90, 80},
    {91, 100, 96}, {101, 120, 112}, {121, 137, 127}, {138, 154, 144}, {155, 170, 160},
    {171, 185, 176}, {186, 200, 192}, {201, 400, 208}};
// clang-format on

void expectShows(const ExploreDragView& view, int value, const QString& label, int thumbY) {
    EXPECT_EQ(view.currentValue(), value);
    EXPECT_EQ(view.getLabel(), label);
    EXPECT_EQ(view.thumbView()->y(), thumbY);
    EXPECT_EQ(view.button()->text(), label);
    EXPECT_EQ(view.button()->isChecked(), value != 0);
}

}  // namespace

TEST(ExploreDragView, EverySlotOfEveryControlHasItsValueLabelAndThumbPosition) {
    for (const Control& control : kControls) {
        auto view = control.make();
        expectShows(*view, 0, control.slots.front().second, kPlaces[0][2]);
        play(*view, u"p32"_s);  // grabbed at its top: d is the finger's y
        for (size_t i = 0; i < control.slots.size(); ++i) {
            const bool last = i + 1 == control.slots.size();
            for (int d : {kPlaces[i][0], last ? 400 : kPlaces[i][1]}) {
                SCOPED_TRACE(d);
                play(*view, u"m%1"_s.arg(d));
                expectShows(*view, control.slots[i].first, control.slots[i].second, kPlaces[i][2]);
            }
        }
        play(*view, u"r400"_s);
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

TEST(ExploreDragView, SettingTheValueReportsOnlyAChangeAndLabelsAnyValue) {
    ExploreScoreDragView score;
    RecordingDelegate delegate;
    score.setDelegate(&delegate);
    score.setCurrentValue(0);
    score.setCurrentValue(2);
    score.setCurrentValue(2);
    EXPECT_EQ(delegate.reports, QStringList{u"2"_s});
    expectShows(score, 2, u"2+ stars"_s, 96);
    score.snapFlyoutToPoint({70, qQNaN()});  // snaps nowhere
    EXPECT_EQ(score.currentValue(), 2);
    for (int value : {6, 23, -1}) {
        score.setCurrentValue(value);
        EXPECT_EQ(score.getLabel(), u"any stars"_s) << value;
    }
    score.setCurrentValue(2);
    score.reset();  // back to the top slot
    expectShows(score, 0, u"any stars"_s, 32);
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
    play(view, u"m25,90 r25,90"_s);                              // 8 below the top: d = 82
    EXPECT_EQ(thumb->pos(), QPoint(20, 80));
    EXPECT_EQ(button->text(), u"3+ stars"_s);
    // A click on the button does not change its selection, which follows the value.
    for (int value : {3, 0}) {
        view.setCurrentValue(value);
        QTest::mouseClick(button.get(), Qt::LeftButton);
        EXPECT_EQ(button->isChecked(), value != 0);
    }
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
    EXPECT_EQ(delegate->reports, QStringList{u"1"_s});
    delegate.reset();
    EXPECT_EQ(view.delegate(), nullptr);
    play(view, u"p112 m40 r40"_s);
    EXPECT_EQ(view.currentValue(), 0);
}
