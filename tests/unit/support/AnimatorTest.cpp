#include <gtest/gtest.h>

#include <QObject>
#include <QStringList>
#include <QTest>
#include <memory>

#include "Animator.h"

namespace {

class AnimatorTest : public testing::Test {
protected:
    ~AnimatorTest() override { Animator::setImmediate(false); }
};

TEST_F(AnimatorTest, ASecondAnimationStopsTheFirstWithoutItsFinishedAction) {
    QObject target;
    target.setProperty("level", 0.0);
    QPointer<QPropertyAnimation> slot;
    QStringList finished;
    Animator::animate(&slot, &target, &target, "level", 0.0, 1.0, 10'000,
                      [&] { finished << u"first"_qs; });
    QPropertyAnimation* first = slot;
    ASSERT_NE(first, nullptr);
    Animator::animate(&slot, &target, &target, "level", QVariant(), 2.0, 20,
                      [&] { finished << u"second"_qs; });
    EXPECT_NE(slot.data(), first);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !finished.isEmpty(); }));
    EXPECT_EQ(finished, QStringList{u"second"_qs});
    EXPECT_EQ(target.property("level").toDouble(), 2.0);
    EXPECT_TRUE(slot.isNull());
}

TEST_F(AnimatorTest, UnderTheSwitchAnimationsEndBeforeReturning) {
    Animator::setImmediate(true);
    QObject target;
    QPointer<QPropertyAnimation> slot;
    bool finished = false;
    Animator::animate(&slot, &target, &target, "level", 0.0, 5.0, 10'000, [&] { finished = true; });
    EXPECT_TRUE(finished);
    EXPECT_EQ(target.property("level").toDouble(), 5.0);
    EXPECT_TRUE(slot.isNull());
}

TEST_F(AnimatorTest, StoppingAtTheEndSetsTheEndValue) {
    QObject target;
    target.setProperty("level", 0.0);
    QPointer<QPropertyAnimation> slot;
    bool finished = false;
    Animator::animate(&slot, &target, &target, "level", 0.0, 3.0, 10'000, [&] { finished = true; });
    Animator::stop(slot, true);
    EXPECT_EQ(target.property("level").toDouble(), 3.0);
    EXPECT_FALSE(finished);
    EXPECT_TRUE(slot.isNull());
}

// Under the switch delays run at the next turns of the event loop, shortest first, and one
// whose context has gone does not run at all.
TEST_F(AnimatorTest, DelaysUnderTheSwitchKeepTheirOrderAndTheirContext) {
    Animator::setImmediate(true);
    QStringList ran;
    auto gone = std::make_unique<QObject>();
    QObject kept;
    Animator::after(2000, &kept, [&] { ran << u"2000"_qs; });
    Animator::after(100, &kept, [&] {
        ran << u"100"_qs;
        Animator::after(50, &kept, [&] { ran << u"100+50"_qs; });
    });
    Animator::after(10, gone.get(), [&] { ran << u"gone"_qs; });
    Animator::after(100, nullptr, [&] { ran << u"100 again"_qs; });
    gone.reset();
    EXPECT_TRUE(ran.isEmpty());
    ASSERT_TRUE(QTest::qWaitFor([&] { return ran.size() == 4; }));
    EXPECT_EQ(ran, (QStringList{u"100"_qs, u"100 again"_qs, u"100+50"_qs, u"2000"_qs}));
}

}  // namespace
