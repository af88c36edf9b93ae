#include <gtest/gtest.h>

#include <QGraphicsOpacityEffect>
#include <QPropertyAnimation>
#include <QTest>
#include <QWidget>
#include <cmath>
#include <limits>

#include "AnimationFunctions.h"
#include "ViewAlpha.h"

namespace {

// A child widget in a shown parent, as the screens' controls are.
class AnimationFunctionsTest : public testing::Test {
protected:
    AnimationFunctionsTest() {
        parent_.resize(320, 480);
        view_ = new QWidget(&parent_);
        view_->setGeometry(10, 20, 100, 50);
        parent_.show();
    }

    int runningAnimations() const {
        int running = 0;
        for (const QPropertyAnimation* animation :
             view_->findChildren<QPropertyAnimation*>(Qt::FindDirectChildrenOnly)) {
            running += animation->state() == QAbstractAnimation::Running ? 1 : 0;
        }
        return running;
    }

    QWidget parent_;
    QWidget* view_;
};

constexpr float kShort = 0.15f;

}  // namespace

TEST_F(AnimationFunctionsTest, AlphaIsOneUntilSetAndClamped) {
    EXPECT_EQ(ViewAlpha::alpha(view_), 1.0f);
    EXPECT_EQ(ViewAlpha::alpha(nullptr), 1.0f);
    ViewAlpha::setAlpha(view_, 0.25f);
    EXPECT_FLOAT_EQ(ViewAlpha::alpha(view_), 0.25f);
    ViewAlpha::setAlpha(view_, 7.0f);
    EXPECT_EQ(ViewAlpha::alpha(view_), 1.0f);
    ViewAlpha::setAlpha(view_, -1.0f);
    EXPECT_EQ(ViewAlpha::alpha(view_), 0.0f);
    EXPECT_EQ(ViewAlpha::effect(view_), view_->graphicsEffect());  // one effect throughout
    ViewAlpha::setAlpha(nullptr, 0.5f);
}

TEST_F(AnimationFunctionsTest, FadeInJumpsToZeroThenReachesOne) {
    ViewAlpha::setAlpha(view_, 0.5f);
    view_->hide();
    AnimationFunctions::fadeInView(view_, kShort);
    EXPECT_EQ(ViewAlpha::alpha(view_), 0.0f);  // the start value, at once
    EXPECT_FALSE(view_->isHidden());
    EXPECT_EQ(runningAnimations(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(ViewAlpha::alpha(view_), 1.0f, 2000);
    QTRY_COMPARE_WITH_TIMEOUT(runningAnimations(), 0, 2000);
}

TEST_F(AnimationFunctionsTest, FadeInOfAnOpaqueViewOnlyShowsIt) {
    view_->hide();
    AnimationFunctions::fadeInView(view_, kShort);
    EXPECT_FALSE(view_->isHidden());
    EXPECT_EQ(ViewAlpha::alpha(view_), 1.0f);
    EXPECT_EQ(runningAnimations(), 0);
}

TEST_F(AnimationFunctionsTest, FadeOutJumpsToOneEndsAtZeroAndStaysShown) {
    ViewAlpha::setAlpha(view_, 0.5f);
    AnimationFunctions::fadeOutView(view_, kShort);
    EXPECT_EQ(ViewAlpha::alpha(view_), 1.0f);
    QTRY_COMPARE_WITH_TIMEOUT(ViewAlpha::alpha(view_), 0.0f, 2000);
    EXPECT_FALSE(view_->isHidden());
    // Already transparent: nothing happens.
    AnimationFunctions::fadeOutView(view_, kShort);
    EXPECT_EQ(runningAnimations(), 0);
}

TEST_F(AnimationFunctionsTest, MovesAndFadesEaseInAndOut) {
    AnimationFunctions::moveView(view_, QPointF(0, 0), QPointF(0, 100), 0.6f, 0.0f, 1.0f);
    const auto animations = view_->findChildren<QPropertyAnimation*>(Qt::FindDirectChildrenOnly);
    ASSERT_EQ(animations.size(), 2);
    for (const QPropertyAnimation* animation : animations) {
        EXPECT_EQ(animation->duration(), 600);
        const QEasingCurve curve = animation->easingCurve();
        // Slow at both ends, symmetric about the middle.
        EXPECT_LT(curve.valueForProgress(0.1), 0.05);
        EXPECT_NEAR(curve.valueForProgress(0.5), 0.5, 0.01);
        EXPECT_GT(curve.valueForProgress(0.9), 0.95);
    }
    QTRY_COMPARE_WITH_TIMEOUT(ViewAlpha::alpha(view_), 1.0f, 3000);
}

TEST_F(AnimationFunctionsTest, NewFadeTakesOverFromTheRunningOne) {
    AnimationFunctions::fadeView(view_, 0.0f, 1.0f, 5.0f);
    AnimationFunctions::fadeView(view_, 0.8f, 0.2f, kShort);
    EXPECT_FLOAT_EQ(ViewAlpha::alpha(view_), 0.8f);
    QTRY_COMPARE_WITH_TIMEOUT(runningAnimations(), 0, 2000);
    EXPECT_FLOAT_EQ(ViewAlpha::alpha(view_), 0.2f);  // the slow fade no longer pulls it up
}

TEST_F(AnimationFunctionsTest, ZeroDurationSetsTheEndAtOnce) {
    AnimationFunctions::moveView(view_, QPointF(0, 0), QPointF(40, 60), 0.0f, 1.0f, 0.3f);
    EXPECT_EQ(view_->pos(), QPoint(40, 60));
    EXPECT_FLOAT_EQ(ViewAlpha::alpha(view_), 0.3f);
    EXPECT_EQ(runningAnimations(), 0);
}

TEST_F(AnimationFunctionsTest, MoveSetsStartValuesThenReachesTheEndTogether) {
    AnimationFunctions::moveView(view_, QPointF(0, 300), QPointF(0, 100), kShort, 0.0f, 1.0f);
    EXPECT_EQ(view_->pos(), QPoint(0, 300));
    EXPECT_EQ(ViewAlpha::alpha(view_), 0.0f);
    EXPECT_EQ(view_->size(), QSize(100, 50));
    EXPECT_EQ(runningAnimations(), 2);
    QTRY_COMPARE_WITH_TIMEOUT(view_->pos(), QPoint(0, 100), 2000);
    QTRY_COMPARE_WITH_TIMEOUT(ViewAlpha::alpha(view_), 1.0f, 2000);
    EXPECT_EQ(view_->size(), QSize(100, 50));
}

TEST_F(AnimationFunctionsTest, MoveToTheCurrentPlaceStartsNothing) {
    ViewAlpha::setAlpha(view_, 0.4f);
    AnimationFunctions::moveView(view_, QPointF(10, 20), kShort);
    EXPECT_EQ(runningAnimations(), 0);
    AnimationFunctions::moveView(view_, QPointF(10, 90), kShort);
    EXPECT_EQ(runningAnimations(), 2);
    EXPECT_FLOAT_EQ(ViewAlpha::alpha(view_), 0.4f);  // alpha kept throughout
    QTRY_COMPARE_WITH_TIMEOUT(view_->pos(), QPoint(10, 90), 2000);
    AnimationFunctions::moveView(nullptr, QPointF(1, 1), kShort);
    AnimationFunctions::fadeView(nullptr, 0.0f, kShort);
}

TEST(AnimationHitTest, EdgesAreInsideAndNaNIsOutside) {
    const QRectF rect(10, 20, 100, 50);
    EXPECT_TRUE(AnimationFunctions::isPoint(QPointF(110, 70), rect));  // right and bottom edges
    EXPECT_TRUE(AnimationFunctions::isPoint(QPointF(10, 20), rect));
    EXPECT_FALSE(AnimationFunctions::isPoint(QPointF(110.01, 70), rect));
    EXPECT_FALSE(AnimationFunctions::isPoint(QPointF(50, 19.99), rect));
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(AnimationFunctions::isPoint(QPointF(nan, 30), rect));
    EXPECT_FALSE(AnimationFunctions::isPoint(QPointF(50, 30), QRectF(10, 20, nan, 50)));
}

TEST(AnimationImages, SnapshotHasTheViewsSizeAndLooks) {
    QWidget view;
    view.resize(60, 40);
    view.setAutoFillBackground(true);
    QPalette palette = view.palette();
    palette.setColor(QPalette::Window, QColor(10, 200, 30));
    view.setPalette(palette);
    const QImage image = AnimationFunctions::imageFromView(&view);
    ASSERT_EQ(image.size(), QSize(60, 40));
    EXPECT_EQ(image.pixelColor(30, 20).rgb(), QColor(10, 200, 30).rgb());
    EXPECT_TRUE(AnimationFunctions::imageFromView(nullptr).isNull());
}

TEST(AnimationImages, BorderShowsHalfItsWidthInGrey) {
    QImage white(100, 140, QImage::Format_ARGB32);
    white.fill(Qt::white);
    const QColor grey = QColor::fromRgbF(0.53f, 0.53f, 0.53f);
    for (const int width : {2, 4}) {
        const QImage bordered = AnimationFunctions::borderImage(white, Qt::darkGray, width);
        ASSERT_EQ(bordered.size(), white.size());
        const int inside = width / 2;
        for (const QPoint edge : {QPoint(0, 70), QPoint(99, 70), QPoint(50, 0), QPoint(50, 139)}) {
            EXPECT_EQ(bordered.pixelColor(edge).rgb(), grey.rgb()) << width;
        }
        EXPECT_EQ(bordered.pixelColor(inside - 1, 70).rgb(), grey.rgb()) << width;
        EXPECT_EQ(bordered.pixelColor(inside, 70).rgb(), QColor(Qt::white).rgb()) << width;
        EXPECT_EQ(bordered.pixelColor(99 - inside, 70).rgb(), QColor(Qt::white).rgb()) << width;
        EXPECT_EQ(bordered.pixelColor(50, 70).rgb(), QColor(Qt::white).rgb()) << width;
    }
}

TEST(AnimationImages, ColorizeFillsOnlyTheShape) {
    QImage shape(20, 20, QImage::Format_ARGB32);
    shape.fill(Qt::transparent);
    for (int y = 5; y < 15; ++y) {
        for (int x = 5; x < 15; ++x) {
            shape.setPixelColor(x, y, QColor(128, 128, 128));
        }
    }
    const QImage multiplied = AnimationFunctions::colorizeImage(shape, QColor(255, 0, 0), 1);
    ASSERT_EQ(multiplied.size(), shape.size());
    EXPECT_EQ(multiplied.pixelColor(0, 0).alpha(), 0);  // outside the shape stays clear
    const QColor inside = multiplied.pixelColor(10, 10);
    EXPECT_EQ(inside.alpha(), 255);
    EXPECT_NEAR(inside.red(), 128, 2);  // red times grey
    EXPECT_EQ(inside.green(), 0);
    // Normal blending draws the opaque image over the colour.
    const QImage normal = AnimationFunctions::colorizeImage(shape, QColor(255, 0, 0), 0);
    EXPECT_EQ(normal.pixelColor(10, 10).rgb(), QColor(128, 128, 128).rgb());
}
