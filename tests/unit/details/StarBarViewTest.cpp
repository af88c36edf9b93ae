#include "StarBarView.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <memory>

#include "AnimationClock.h"
#include "Animator.h"
#include "Format.h"
#include "ImageView.h"
#include "MetricRecorder.h"
#include "QStringPrinter.h"
#include "StarBarGeometry.h"
#include "StarBarViewDelegate.h"
#include "TestStore.h"
#include "ViewAlpha.h"

using namespace Qt::StringLiterals;
using G = StarBarGeometry;

namespace {

// Writes down the messages, with what the game holds when it is told of a change.
class RecordingDelegate : public StarBarViewDelegate {
public:
    explicit RecordingDelegate(Game* game) : game_(game) {}
    void showMyScoreOveraly(float myScore) override {
        calls << Format::format(u"show %.2f"_s, double(myScore));
    }
    void hideMyScoreOveraly() override { calls << u"hide"_s; }
    void myScoreChanged() override {
        const auto text = [](std::optional<float> score) {
            return score ? Format::format(u"%g"_s, double(*score)) : u"none"_s;
        };
        calls << u"changed %1 %2"_s.arg(text(game_->myScore()), text(game_->scoreDisplay()));
    }
    QStringList calls;

private:
    Game* game_;
};

const std::optional<float> noScore;

class StarBarViewTest : public testing::Test {
protected:
    StarBarViewTest() {
        Animator::setImmediate(true);
        panel.resize(320, 480);
        view->move(StarBarView::kThinX, 100);
        panel.show();
    }
    ~StarBarViewTest() override { Animator::setImmediate(false); }

    void rate(std::optional<float> myScore, std::optional<float> critic) {
        game->setMyScore(myScore);
        game->setScoreCritic(critic);
        view->setGame(game);
        view->setDetailPageDelegate(&delegate);
    }
    // The metrics written since the last look, short: "pressed dragged".
    QString metricsWritten() {
        return metrics.take().remove(u"Starbar: "_s).remove(u"@Details"_s).replace(u"; "_s, u" "_s);
    }
    QString flyoutImage() const { return view->flyoutImage()->imageName(); }

    // Plays a gesture, in the control's coordinates: "p10" left press on the user flyout, 10
    // below its top, or at "x,y"; "m70" / "r70" left move / release at the flyout's x, or at
    // "x,y"; "P" / "R" press / release with the right button; "t20" a left click on the bar, or
    // at "x,y"; "u" the mouse grab lost (the button still held); "k3" the key 3; "T" / "M" / "E" a
    // touch's begin, move, end.
    void play(const QString& gesture) {
        for (const QString& step : gesture.split(u' ', Qt::SkipEmptyParts)) {
            const QChar op = step[0];
            const QStringList xy = step.mid(1).split(u',');
            const QRect flyout = view->flyoutView()->geometry();
            QPoint at(
                op == u't' ? view->starBarImage()->geometry().center().x() : flyout.center().x(),
                xy[0].toInt() + (QStringLiteral("pPT").contains(op) ? flyout.y() : 0));
            if (xy.size() == 2) {
                at = QPoint(xy[0].toInt(), xy[1].toInt());
            }
            // clang-format off
            switch (op.unicode()) {
                case 'p': QTest::mousePress(view, Qt::LeftButton, {}, at); break;
                case 'P': QTest::mousePress(view, Qt::RightButton, {}, at); break;
                case 'm': QTest::mouseMove(view, at); break;
                case 'r': QTest::mouseRelease(view, Qt::LeftButton, {}, at); break;
                case 'R': QTest::mouseRelease(view, Qt::RightButton, {}, at); break;
                case 't': QTest::mouseClick(view, Qt::LeftButton, {}, at); break;
                case 'T': QTest::touchEvent(view, touchScreen).press(0, at, view); break;
                case 'M': QTest::touchEvent(view, touchScreen).move(0, at, view); break;
                case 'E': QTest::touchEvent(view, touchScreen).release(0, at, view); break;
                case 'k': QTest::keyClick(view, Qt::Key(Qt::Key_0 + xy[0].toInt())); break;
                case 'u': {
                    QEvent lost(QEvent::UngrabMouse);
                    QApplication::sendEvent(view, &lost);
                    break;
                }
            }
            // clang-format on
        }
    }

    MetricRecorder metrics;
    TestStore store{u":memory:"_s};
    Game* game = store.add(u"Rated"_s);
    RecordingDelegate delegate{game};
    QWidget panel;
    StarBarView* view = new StarBarView(&panel);
    QPointingDevice* touchScreen = QTest::createTouchDevice();
};

// Taps snap to whole stars, drags keep their fraction, a drag far left or down removes the score;
// whatever the way, the game and the delegate hear of it once it is over, and the markers stand
// at what is shown.
TEST_F(StarBarViewTest, GesturesRateThroughTheGameAndTheDelegate) {
    struct Case {
        std::optional<float> myScore;
        QString gesture, shown, calls, metrics;
    };
    // clang-format off
    const Case cases[] = {
        // A tap reads the finger 25 below the flyout's top: high on the bar five, low one.
        {noScore, u"t20"_s, u"5.0"_s, u"hide|changed 5 5"_s, u"pressed dragged"_s},
        {3.5f, u"t130"_s, u"1.0"_s, u"hide|changed 1 1"_s, u"pressed dragged"_s},
        // Left of the stars (the flyouts' side) or below them a tap only counts as pressed.
        {3.5f, u"t50,100"_s, u"3.5"_s, u""_s, u"pressed"_s},
        {noScore, u"t70,150"_s, u"4.2"_s, u""_s, u"pressed"_s},
        // Grabbed 10 below the top and dragged to 70: read at 73, kept with all its fraction.
        {noScore, u"p10 m70 r70"_s, u"3.5"_s,
         u"show 4.75|show 3.52|hide|changed 3.51724 3.51724"_s, u"dragged"_s},
        // Pressed and let go on a flyout showing 3.0: read 13 below its top.
        {3.0f, u"p5 r5"_s, u"3.6"_s, u"show 3.55|hide|changed 3.55172 3.55172"_s, u"dragged"_s},
        // Far above the bar is five, far below one, until the finger passes 200.
        {3.0f, u"p5 m-400 r-400"_s, u"5.0"_s, u"show 3.55|show 5.00|hide|changed 5 5"_s,
         u"dragged"_s},
        {3.0f, u"p5 m200 r200"_s, u"1.0"_s, u"show 3.55|show 1.00|hide|changed 1 1"_s,
         u"dragged"_s},
        // Removed (the critic's score displayed): later moves are ignored and the lift is a tap that lands off the bar.
        {3.0f, u"p5 m201 m80 r80"_s, u"4.2"_s, u"show 3.55|hide|changed 0 4.2"_s, u"dragged pressed"_s},
        {3.0f, u"p5 m-46,100 r-46,100"_s, u"4.2"_s, u"show 3.55|hide|changed 0 4.2"_s,
         u"dragged pressed"_s},
        {3.0f, u"p5 m-45,100 r-45,100"_s, u"2.3"_s,
         u"show 3.55|show 2.26|hide|changed 2.25926 2.25926"_s, u"dragged"_s},
        // The right button does nothing, on the flyout or on the bar.
        {3.0f, u"P5 m70 R70 P70,20 R70,20"_s, u"3.0"_s, u""_s, u""_s},
        // A lost grab ends the drag keeping its score; later moves and the release do nothing.
        {noScore, u"p10 m70 u m20 r70,20"_s, u"3.5"_s,
         u"show 4.75|show 3.52|hide|changed 3.51724 3.51724"_s, u"dragged"_s},
        // Keys wait for the drag to end; a press that lost its release ends the drag before.
        {noScore, u"p10 m70 k1 r70"_s, u"3.5"_s,
         u"show 4.75|show 3.52|hide|changed 3.51724 3.51724"_s, u"dragged"_s},
        {noScore, u"p10 m70 p5 r5"_s, u"4.1"_s,
         u"show 4.75|show 3.52|hide|changed 3.51724 3.51724|show 4.09|hide|changed 4.09375 4.09375"_s, u"dragged dragged"_s},
        // Touches are read as the mouse is.
        {noScore, u"T10 M70 E70"_s, u"3.5"_s,
         u"show 4.75|show 3.52|hide|changed 3.51724 3.51724"_s, u"dragged"_s},
        {noScore, u"T70,100 E70,130"_s, u"1.0"_s, u"hide|changed 1 1"_s, u"pressed dragged"_s},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.gesture.toStdString());
        rate(c.myScore, 4.2f);
        delegate.calls.clear();
        metricsWritten();
        play(c.gesture);
        ASSERT_TRUE(Animator::runPendingDelays());
        EXPECT_EQ(view->scoreDisplay()->text(), c.shown);
        EXPECT_EQ(delegate.calls.join(u'|'), c.calls);
        EXPECT_EQ(metricsWritten(), c.metrics);
        EXPECT_FALSE(view->isDraggingFlyout());
        EXPECT_TRUE(view->dragLines()->isHidden());
        EXPECT_EQ(view->flyoutView()->y(),
                  G::flyoutY(view->myScore() > 0 ? view->myScore() : 4.2f));
        EXPECT_EQ(ViewAlpha::alpha(view->flyoutView()), 1.0f);
        EXPECT_EQ(view->x(), view->myScore() > 0 ? StarBarView::kWideX : StarBarView::kThinX);
        const float score = view->myScore();
        EXPECT_TRUE(flyoutImage().contains(score == 0     ? u"their"_s
                                           : score > 4.7f ? u"bottom"_s
                                                          : u"top"_s));
    }
}

// Either marker with no score shows "n/a" dimmed and stands below the bar, not on one star; a
// user score turns the flyout's tip down only above 4.7, and a critic's score shows in grey.
TEST_F(StarBarViewTest, MarkersShowEveryKindOfScore) {
    struct Case {
        std::optional<float> myScore, critic;
        QString shown, criticShown, image, slider;
        bool white;
    };
    const Case cases[] = {
        {0.0f, 3.0f, u"3.0"_s, u"3.0"_s, u"their"_s, u"blue"_s, false},
        {4.8f, noScore, u"4.8"_s, u"n/a"_s, u"your_bottom"_s, u"orange"_s, true},
        {4.7f, 2.0f, u"4.7"_s, u"2.0"_s, u"your_top"_s, u"orange"_s, true},
        {noScore, noScore, u"n/a"_s, u"n/a"_s, u"their"_s, u"blue"_s, false},  // the last
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown.toStdString());
        rate(c.myScore, c.critic);
        EXPECT_EQ(view->scoreDisplay()->text(), c.shown);
        EXPECT_EQ(view->scoreCritic()->text(), c.criticShown);
        for (QLabel* label : {view->scoreDisplay(), view->scoreCritic()}) {
            const bool none = label->text() == u"n/a"_s;
            EXPECT_FLOAT_EQ(ViewAlpha::alpha(label), none ? 0.3f : 1.0f);
        }
        for (const auto& [flyout, score] :
             {std::pair(view->flyoutView(), c.myScore.value_or(0) > 0 ? c.myScore : c.critic),
              std::pair(view->flyoutCriticView(), c.critic)}) {
            EXPECT_EQ(flyout->y(), score ? G::flyoutY(*score) : G::getSnapYForScoreValue(0));
        }
        EXPECT_EQ(flyoutImage(), u"starbar_flyout_tall_%1.png"_s.arg(c.image));
        EXPECT_EQ(view->slider()->imageName(), u"starbar_wide_slider_%1.png"_s.arg(c.slider));
        const QColor text = view->scoreDisplay()->palette().color(QPalette::WindowText);
        EXPECT_EQ(text, c.white ? QColor(Qt::white) : QColor(103, 103, 103));
    }
    // A first score dragged out of nothing shows in full; the critic's marker stays put.
    play(u"p10 m70 r70"_s);
    EXPECT_EQ(view->scoreDisplay()->text(), u"3.5"_s);
    EXPECT_EQ(ViewAlpha::alpha(view->scoreDisplay()), 1.0f);
    EXPECT_EQ(view->flyoutCriticView()->y(), G::getSnapYForScoreValue(0));
}

// With the control focused, keys take the tap's and the removal's ways: the same messages and
// metrics; the accessible text follows.
TEST_F(StarBarViewTest, KeysRateAsTapsAndRemovalsDo) {
    struct Case {
        std::optional<float> myScore, critic;
        Qt::Key key;
        QString calls, metrics, accessible;
    };
    const QString tap = u"pressed dragged"_s;
    // clang-format off
    const Case cases[] = {
        {noScore, 4.2f, Qt::Key_Up, u"changed 5 5"_s, tap, u"Your score 5.0 of 5"_s},
        {noScore, 4.2f, Qt::Key_Down, u"changed 4 4"_s, tap, u"Your score 4.0 of 5"_s},
        {noScore, noScore, Qt::Key_Up, u"changed 1 1"_s, tap, u"Your score 1.0 of 5"_s},
        {3.5f, 4.2f, Qt::Key_Up, u"changed 4 4"_s, tap, u"Your score 4.0 of 5"_s},
        {3.5f, 4.2f, Qt::Key_Down, u"changed 3 3"_s, tap, u"Your score 3.0 of 5"_s},
        {3.5f, 4.2f, Qt::Key_2, u"changed 2 2"_s, tap, u"Your score 2.0 of 5"_s},
        {5.0f, 4.2f, Qt::Key_Up, u""_s, u""_s, u"Your score 5.0 of 5"_s},
        {1.0f, 4.2f, Qt::Key_Down, u""_s, u""_s, u"Your score 1.0 of 5"_s},
        {3.5f, 4.2f, Qt::Key_0, u"changed 0 4.2"_s, u"dragged"_s, u"Your score none; critic 4.2 of 5"_s},
        {3.5f, noScore, Qt::Key_Delete, u"changed 0 none"_s, u"dragged"_s, u"Your score none"_s},
        {noScore, 4.2f, Qt::Key_Backspace, u""_s, u""_s, u"Your score none; critic 4.2 of 5"_s},
        {3.5f, 4.2f, Qt::Key_6, u""_s, u""_s, u"Your score 3.5 of 5"_s},
    };
    // clang-format on
    view->setFocus();
    for (const Case& c : cases) {
        SCOPED_TRACE(Format::format(u"%@ %@ %x"_s, c.myScore, c.critic, int(c.key)).toStdString());
        rate(c.myScore, c.critic);
        delegate.calls.clear();
        metricsWritten();
        QTest::keyClick(view, c.key);
        ASSERT_TRUE(Animator::runPendingDelays());
        EXPECT_EQ(delegate.calls.filter(u"changed"_s).join(u'|'), c.calls);
        EXPECT_EQ(metricsWritten(), c.metrics);
        EXPECT_EQ(view->accessibleDescription(), c.accessible);
    }
    EXPECT_EQ(view->accessibleName(), u"Your score"_s);
    // Focused from the keyboard, the control shows it with a frame.
    QApplication::setActiveWindow(&panel);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&panel));
    panel.setAttribute(Qt::WA_KeyboardFocusChange);  // as a Tab press leaves it
    view->setFocus();
    ASSERT_TRUE(view->hasFocus());
    const QImage focused = view->grab().toImage();
    view->clearFocus();
    EXPECT_NE(view->grab().toImage(), focused);
}

// The finishing steps of a removal go with the control, and stand back for a score given again
// before they run.
TEST_F(StarBarViewTest, TheStepsAfterARemovalBelongToTheControl) {
    rate(3.0f, 4.2f);
    view->setFocus();
    QTest::keyClick(view, Qt::Key_0);
    EXPECT_FLOAT_EQ(ViewAlpha::alpha(view->flyoutView()), 0.3f);
    QTest::keyClick(view, Qt::Key_4);
    ASSERT_TRUE(Animator::runPendingDelays());
    EXPECT_EQ(flyoutImage(), u"starbar_flyout_tall_your_top.png"_s);
    EXPECT_EQ(view->scoreDisplay()->palette().color(QPalette::WindowText), QColor(Qt::white));
    EXPECT_EQ(view->flyoutView()->y(), G::flyoutY(4.0));
    EXPECT_EQ(ViewAlpha::alpha(view->flyoutView()), 1.0f);

    QTest::keyClick(view, Qt::Key_Delete);
    delete view;
    EXPECT_TRUE(Animator::runPendingDelays());  // nothing reaches the control that is gone
    EXPECT_EQ(game->myScore(), 0.0f);
}

// A drag begun while the markers still fly in ends where it was dragged to: the flight in
// does not take them back.
TEST_F(StarBarViewTest, ADragDuringTheFlightInEndsWhereDragged) {
    Animator::setImmediate(false);
    rate(3.0f, 4.2f);
    const QList<QWidget*> parts = {view->flyoutView(), view->slider(), view->flyoutCriticView()};
    for (QWidget* part : parts) {
        ASSERT_GT(advanceAnimations(part, 0.25), 0);
    }
    play(u"p10 m70 r70"_s);
    const double score = G::scoreForDrag(60);
    for (QWidget* part : parts + QList<QWidget*>{view}) {
        advanceAnimations(part, 1.0);
    }
    EXPECT_FLOAT_EQ(view->myScore(), float(score));
    EXPECT_EQ(view->flyoutView()->y(), G::flyoutY(score));
    EXPECT_EQ(view->slider()->y(), G::sliderY(score));
    EXPECT_EQ(view->flyoutCriticView()->y(), G::flyoutY(4.2f));
    EXPECT_EQ(view->x(), StarBarView::kWideX);
}

}  // namespace
