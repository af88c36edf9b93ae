#include <gtest/gtest.h>

#include <QPropertyAnimation>
#include <QSignalSpy>
#include <QStringList>
#include <QTest>
#include <QWidget>
#include <algorithm>
#include <memory>

#include "AnimationClock.h"
#include "AnimationFunctions.h"
#include "Animator.h"
#include "ViewAlpha.h"

namespace {

// A child widget in a shown parent, as the screens' controls are; animations run on the real
// clock unless a test turns the switch on.
class AnimationFunctionsTest : public testing::Test {
protected:
    AnimationFunctionsTest() {
        view_->setGeometry(10, 20, 100, 50);
        parent_.show();
    }
    ~AnimationFunctionsTest() override { Animator::setImmediate(false); }
    int running() const {
        const auto all = view_->findChildren<QPropertyAnimation*>();
        return int(std::count_if(all.begin(), all.end(), [](auto* a) {
            return a->state() == QAbstractAnimation::Running;
        }));
    }

    QWidget parent_;
    QWidget* view_ = new QWidget(&parent_);
};

}  // namespace

// Start values apply at once; position and alpha then move together on the eased curve, over
// the seconds given, to the end. Moves and fades with nothing to do start nothing; the alpha
// is clamped and needs no effect while full.
TEST_F(AnimationFunctionsTest, MoveSetsStartValuesThenEasesToTheEnd) {
    ViewAlpha::setAlpha(view_, 7.0f);
    EXPECT_EQ(view_->graphicsEffect(), nullptr);
    view_->hide();
    AnimationFunctions::fadeInView(view_, 0.6f);  // already opaque: only shown
    EXPECT_FALSE(view_->isHidden());
    AnimationFunctions::moveView(view_, QPointF(10, 20), 0.6f);  // already there
    EXPECT_EQ(running(), 0);
    ViewAlpha::setAlpha(view_, 0.5f);
    AnimationFunctions::fadeInView(view_, 0.6f);
    EXPECT_EQ(ViewAlpha::alpha(view_), 0.0f);
    AnimationFunctions::moveView(view_, QPointF(0, 300), QPointF(0, 100), 0.6f, 0.5f, 1.0f);
    EXPECT_EQ(view_->pos(), QPoint(0, 300));
    EXPECT_EQ(ViewAlpha::alpha(view_), 0.5f);
    EXPECT_EQ(running(), 2);  // the fade-in was taken over
    const auto* animation = view_->findChild<QPropertyAnimation*>();
    EXPECT_EQ(animation->duration(), 600);
    EXPECT_LT(animation->easingCurve().valueForProgress(0.1), 0.05);
    ASSERT_EQ(advanceAnimations(view_, 1.0), 2);
    EXPECT_EQ(running(), 0);
    EXPECT_EQ(view_->geometry(), QRect(0, 100, 100, 50));  // the size kept
    ViewAlpha::setAlpha(view_, -1.0f);
    AnimationFunctions::moveView(view_, QPointF(0, 0), QPointF(40, 60), 0.0f, 1.0f, 0.0f);
    EXPECT_EQ(view_->pos(), QPoint(40, 60));       // no time: the end at once
    AnimationFunctions::fadeOutView(view_, 0.6f);  // already transparent
    EXPECT_EQ(running(), 0);
    ViewAlpha::setAlpha(view_, 0.5f);
    AnimationFunctions::fadeOutView(view_, 0.6f);
    EXPECT_EQ(ViewAlpha::alpha(view_), 1.0f);  // from 1, not from where it stood
    AnimationFunctions::moveView(view_, QPointF(40, 200), 0.6f);
    advanceAnimations(view_, 0.5);
    const QPoint midway = view_->pos();
    AnimationFunctions::moveView(view_, QPointF(midway), 0.0f);  // placed where it passes
    advanceAnimations(view_, 1.0);
    EXPECT_EQ(view_->pos(), midway);
    Animator::setImmediate(true);
    AnimationFunctions::fadeView(view_, 0.3f, 0.6f);
    AnimationFunctions::moveView(view_, QPointF(5, 5), 0.6f);  // alpha kept throughout
    EXPECT_FLOAT_EQ(ViewAlpha::alpha(view_), 0.3f);
}

// A second animation in the same slot stops the first without its finished action; stopping at
// the end sets the end value, also without it; under the switch an animation ends before it
// returns.
TEST_F(AnimationFunctionsTest, AnimatorEndsOneAnimationPerSlotWithOnlyTheLastFinishedAction) {
    QObject target;
    QPointer<QPropertyAnimation> slot;
    QStringList finished;
    Animator::animate(&slot, &target, &target, "level", 0.0, 1.0, 10'000,
                      [&] { finished << u"first"_qs; });
    QPropertyAnimation* first = slot;
    Animator::animate(&slot, &target, &target, "level", QVariant(), 2.0, 20,
                      [&] { finished << u"second"_qs; });
    EXPECT_NE(slot.data(), first);
    QSignalSpy ended(slot.data(), &QAbstractAnimation::finished);
    ASSERT_TRUE(ended.wait());
    EXPECT_EQ(target.property("level").toDouble(), 2.0);
    Animator::animate(&slot, &target, &target, "level", 0.0, 3.0, 10'000,
                      [&] { finished << u"stopped"_qs; });
    Animator::stop(slot, true);
    EXPECT_EQ(target.property("level").toDouble(), 3.0);
    Animator::setImmediate(true);
    Animator::animate(&slot, &target, &target, "level", 0.0, 5.0, 10'000,
                      [&] { finished << u"immediate"_qs; });
    EXPECT_EQ(finished, (QStringList{u"second"_qs, u"immediate"_qs}));
    EXPECT_EQ(target.property("level").toDouble(), 5.0);
    EXPECT_TRUE(slot.isNull());
}

// Under the switch delays run at the next turns of the event loop, or at once on request,
// shortest first, and one whose context has gone does not run at all.
TEST_F(AnimationFunctionsTest, AnimatorDelaysUnderTheSwitchKeepTheirOrderAndTheirContext) {
    Animator::setImmediate(true);
    QStringList ran;
    auto gone = std::make_unique<QObject>();
    Animator::after(2000, view_, [&] { ran << u"2000"_qs; });
    Animator::after(100, view_, [&] {
        ran << u"100"_qs;
        Animator::after(50, view_, [&] { ran << u"100+50"_qs; });
    });
    Animator::after(10, gone.get(), [&] { ran << u"gone"_qs; });
    Animator::after(100, nullptr, [&] { ran << u"100 again"_qs; });
    gone.reset();
    EXPECT_TRUE(ran.isEmpty());
    for (int turn = 0; turn < 2; ++turn) {  // the delay added by a delay runs a turn later
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(ran, (QStringList{u"100"_qs, u"100 again"_qs, u"100+50"_qs, u"2000"_qs}));
    // On request they run at once, also those a delay adds.
    ran.clear();
    Animator::after(30, view_, [&] {
        ran << u"30"_qs;
        Animator::after(5, view_, [&] { ran << u"35"_qs; });
    });
    Animator::after(20, view_, [&] { ran << u"20"_qs; });
    EXPECT_TRUE(Animator::runPendingDelays());
    EXPECT_EQ(ran, (QStringList{u"20"_qs, u"30"_qs, u"35"_qs}));
}
