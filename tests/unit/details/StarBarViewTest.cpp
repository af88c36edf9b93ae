#include "StarBarView.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QTest>

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

// Writes down the messages, short: "s3.5" shown at 3.5, "h" hidden, "=3.5/3.5" changed, with
// the game's myScore and scoreDisplay at that moment.
class RecordingDelegate : public StarBarViewDelegate {
public:
    explicit RecordingDelegate(Game* game) : game_(game) {}
    void showMyScoreOveraly(float myScore) override { calls << Format::format(u"s%g"_s, myScore); }
    void hideMyScoreOveraly() override { calls << u"h"_s; }
    void myScoreChanged() override {
        calls << Format::format(u"=%g/%g"_s, game_->myScore().value_or(-1),
                                game_->scoreDisplay().value_or(-1));
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
        delegate.calls.clear();
        metrics.take();
    }
    // The metrics written since the last look, short: "pressed dragged".
    QString metricsWritten() {
        return metrics.take().remove(u"Starbar: "_s).remove(u"@Details"_s).replace(u"; "_s, u" "_s);
    }
    QString flyoutImage() const { return view->flyoutImage()->imageName(); }
    // The value a screen reader reads for the control.
    QString readerValue() const {
        QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(view);
        return reader ? reader->text(QAccessible::Value) : u"(no interface)"_s;
    }

    // Plays a gesture, in the control's coordinates: "p10" left press on the user flyout, 10
    // below its top, or at "x,y"; "m70" / "r70" left move / release at the flyout's x, or at
    // "x,y"; "P" / "R" press / release with the right button; "t20" a left click on the bar, or
    // at "x,y"; "u" the mouse grab lost (the button still held); "k3", "kUp", "kDel" a key.
    // Touch events take the same way in; TouchView's tests follow them.
    void play(const QString& gesture) {
        for (const QString& step : gesture.split(u' ', Qt::SkipEmptyParts)) {
            const QChar op = step[0];
            const QStringList xy = step.mid(1).split(u',');
            const QRect flyout = view->flyoutView()->geometry();
            QPoint at(
                op == u't' ? view->starBarImage()->geometry().center().x() : flyout.center().x(),
                xy[0].toInt() + (QStringLiteral("pP").contains(op) ? flyout.y() : 0));
            if (xy.size() == 2) {
                at = QPoint(xy[0].toInt(), xy[1].toInt());
            }
            QEvent lost(QEvent::UngrabMouse);
            // clang-format off
            switch (op.unicode()) {
                case 'p': QTest::mousePress(view, Qt::LeftButton, {}, at); break;
                case 'P': QTest::mousePress(view, Qt::RightButton, {}, at); break;
                case 'm': QTest::mouseMove(view, at); break;
                case 'r': QTest::mouseRelease(view, Qt::LeftButton, {}, at); break;
                case 'R': QTest::mouseRelease(view, Qt::RightButton, {}, at); break;
                case 't': QTest::mouseClick(view, Qt::LeftButton, {}, at); break;
                case 'u': QApplication::sendEvent(view, &lost); break;
                case 'k': QTest::keyClick(view, QKeySequence(step.mid(1))[0].key());
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
};

// Taps snap to whole stars, drags keep their fraction, a drag far left or down removes the
// score, keys go the ways of a tap and of a removal; whatever the way, the game and the delegate
// hear of it once it is over, and the markers stand at what is shown.
TEST_F(StarBarViewTest, GesturesAndKeysRateThroughTheGameAndTheDelegate) {
    struct Case {
        std::optional<float> myScore;
        QString gesture, shown, calls, metrics;
    };
    const QString tap = u"pressed dragged"_s;
    const QString drag = u"s4.75 s3.51724 h =3.51724/3.51724"_s;  // grabbed at 10, let go at 70
    // clang-format off
    const Case cases[] = {
        // A tap reads the finger 25 below the flyout's top: high on the bar five, low one.
        {noScore, u"t20"_s, u"5.0"_s, u"h =5/5"_s, tap},
        {3.5f, u"t130"_s, u"1.0"_s, u"h =1/1"_s, tap},
        // Left of the stars, on the flyouts' side, a tap only counts as pressed.
        {3.5f, u"t50,100"_s, u"3.5"_s, u""_s, u"pressed"_s},
        // Grabbed 10 below the top and dragged to 70: read at 73, kept with all its fraction.
        {noScore, u"p10 m70 r70"_s, u"3.5"_s, drag, u"dragged"_s},
        // Pressed and let go on a flyout showing 3.0: read 13 below its top.
        {3.0f, u"p5 r5"_s, u"3.6"_s, u"s3.55172 h =3.55172/3.55172"_s, u"dragged"_s},
        // Removed left of -45 (or below 200), the critic's score displayed: later moves are
        // ignored and the lift is a tap.
        {3.0f, u"p5 m-46,100 m80 r80"_s, u"4.2"_s, u"s3.55172 h =0/4.2"_s, u"dragged pressed"_s},
        // The right button does nothing, on the flyout or on the bar.
        {3.0f, u"P5 m70 R70 P70,20 R70,20"_s, u"3.0"_s, u""_s, u""_s},
        // A lost grab ends the drag keeping its score; later moves and the release do nothing.
        {noScore, u"p10 m70 u m20 r70,20"_s, u"3.5"_s, drag, u"dragged"_s},
        // Keys wait for the drag to end.
        {noScore, u"p10 m70 k1 r70"_s, u"3.5"_s, drag, u"dragged"_s},
        // Up and Down go to the next whole star, from the critic's without a score of one's own;
        // at an end nothing changes. Digits give their star (0 and Delete: the removal test).
        {noScore, u"kDown"_s, u"4.0"_s, u"h =4/4"_s, tap},
        {3.5f, u"kUp"_s, u"4.0"_s, u"h =4/4"_s, tap},
        {5.0f, u"kUp"_s, u"5.0"_s, u""_s, u""_s},
        {3.5f, u"k2"_s, u"2.0"_s, u"h =2/2"_s, tap},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.gesture.toStdString());
        rate(c.myScore, 4.2f);
        play(c.gesture);
        ASSERT_TRUE(Animator::runPendingDelays());
        EXPECT_EQ(view->scoreDisplay()->text(), c.shown);
        EXPECT_EQ(delegate.calls.join(u' '), c.calls);
        EXPECT_EQ(metricsWritten(), c.metrics);
        EXPECT_TRUE(view->dragLines()->isHidden());
        const float score = view->myScore();
        EXPECT_EQ(view->flyoutView()->y(), G::flyoutY(score > 0 ? score : 4.2f));
        EXPECT_EQ(view->x(), score > 0 ? StarBarView::kWideX : StarBarView::kThinX);
        EXPECT_TRUE(flyoutImage().contains(score == 0     ? u"their"_s
                                           : score > 4.7f ? u"bottom"_s
                                                          : u"top"_s));
    }
}

// Either marker with no score shows "n/a" dimmed and stands below the bar, not on one star; a
// user score turns the flyout's tip down only above 4.7, and a critic's score shows in grey.
// The accessible text says what shows.
TEST_F(StarBarViewTest, MarkersShowEveryKindOfScore) {
    struct Case {
        std::optional<float> myScore, critic;
        QString shown, criticShown, image, accessible;
    };
    // clang-format off
    const Case cases[] = {
        {0.0f, 3.0f, u"3.0"_s, u"3.0"_s, u"their"_s, u"none; critic 3.0 of 5"_s},
        {4.8f, noScore, u"4.8"_s, u"n/a"_s, u"your_bottom"_s, u"4.8 of 5"_s},
        {4.7f, 2.0f, u"4.7"_s, u"2.0"_s, u"your_top"_s, u"4.7 of 5"_s},
        {noScore, noScore, u"n/a"_s, u"n/a"_s, u"their"_s, u"none"_s},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown.toStdString());
        rate(c.myScore, c.critic);
        EXPECT_EQ(view->scoreDisplay()->text(), c.shown);
        EXPECT_EQ(view->scoreCritic()->text(), c.criticShown);
        for (QLabel* label : {view->scoreDisplay(), view->scoreCritic()}) {
            EXPECT_FLOAT_EQ(ViewAlpha::alpha(label), label->text() == u"n/a"_s ? 0.3f : 1.0f);
        }
        // (The user's marker: the gestures' test.)
        EXPECT_EQ(view->flyoutCriticView()->y(),
                  c.critic ? G::flyoutY(*c.critic) : G::getSnapYForScoreValue(0));
        EXPECT_EQ(flyoutImage(), u"starbar_flyout_tall_%1.png"_s.arg(c.image));
        const bool mine = c.myScore.value_or(0) > 0;
        EXPECT_EQ(view->slider()->imageName().contains(u"orange"_s), mine);
        EXPECT_EQ(view->scoreDisplay()->palette().color(QPalette::WindowText) == Qt::white, mine);
        EXPECT_EQ(readerValue(), c.accessible);
    }
    // A first score dragged out of nothing shows in full.
    play(u"p10 m70 r70"_s);
    EXPECT_EQ(ViewAlpha::alpha(view->scoreDisplay()), 1.0f);
    EXPECT_EQ(readerValue(), u"3.5 of 5"_s);
    // Focused from the keyboard, the control shows it with a frame.
    QApplication::setActiveWindow(&panel);
    panel.setAttribute(Qt::WA_KeyboardFocusChange);  // as a Tab press leaves it
    view->setFocus();
    const QImage focused = view->grab().toImage();
    view->clearFocus();
    EXPECT_NE(view->grab().toImage(), focused);
}

// The finishing steps of a removal go with the control, and stand back for a score given again
// before they run.
TEST_F(StarBarViewTest, TheStepsAfterARemovalBelongToTheControl) {
    rate(3.0f, 4.2f);
    play(u"k0"_s);
    EXPECT_FLOAT_EQ(ViewAlpha::alpha(view->flyoutView()), 0.3f);
    play(u"k4"_s);
    ASSERT_TRUE(Animator::runPendingDelays());
    EXPECT_EQ(view->scoreDisplay()->palette().color(QPalette::WindowText), QColor(Qt::white));
    EXPECT_EQ(ViewAlpha::alpha(view->flyoutView()), 1.0f);

    play(u"kDel"_s);
    delete view;
    EXPECT_TRUE(Animator::runPendingDelays());  // nothing reaches the control that is gone
    EXPECT_EQ(game->myScore(), 0.0f);
}

// Drags read within one to five stars and the markers climb as the score grows; the removal
// zone's edges; the score displayed is one's own, else the critic's. (Readings of taps and drags:
// the gestures' test.)
TEST(StarBarGeometry, DragsStayWithinTheStarsAndMarkersClimbWithTheScore) {
    // Without a score a marker stands below the bar, not on one star.
    EXPECT_EQ(G::getNonSnapYForScoreValue(0.0), 148);
    for (int d = -200, previousY = 149; d <= 300; ++d) {
        const double score = G::scoreForDrag(d);
        ASSERT_TRUE(score >= 1.0 && score <= 5.0) << d;
        ASSERT_EQ(score == 5.0, d + G::kDragReadOffset <= 27) << d;
        ASSERT_EQ(score == 1.0, d + G::kDragReadOffset >= 138) << d;
        const int y = G::getNonSnapYForScoreValue(1.0 + (d + 200) / 125.0);
        ASSERT_TRUE(y <= previousY && y >= -3) << d;
        previousY = y;
    }
    for (const auto& [point, removes] : {std::pair{QPointF(-46, 100), true},
                                         {{-45, 100}, false},
                                         {{100, 201}, true},
                                         {{100, 200}, false}}) {
        EXPECT_EQ(G::removesScore(point), removes) << point.x() << "," << point.y();
    }
    EXPECT_EQ(std::pair(G::displayScore(0.0f, 4.2f), G::displayScore(3.5f, 4.2f)),
              std::pair(4.2f, 3.5f));
}

}  // namespace
