#include "StarBarGeometry.h"

#include <gtest/gtest.h>

#include "Format.h"
#include "QStringPrinter.h"

using namespace Qt::StringLiterals;
using G = StarBarGeometry;

namespace {

QString shown(double score) {
    return Format::format(u"%.1f"_s, score);
}

// A tap reads the finger as 25 below the flyout's top, a drag reads the flyout's top 13 higher
// up; either way the score stays within one to five stars.
TEST(StarBarGeometry, FingersReadTheScoresTheControlShows) {
    EXPECT_EQ(G::scoreForTap(20 - G::kTapTouchOffset), 5);
    EXPECT_EQ(G::scoreForTap(130 - G::kTapTouchOffset), 1);
    // A drag 60 below its grab reads 73: 3 + 15/29, kept whole, shown 3.5, placed at 43.
    const double dragged = G::scoreForDrag(60);
    EXPECT_DOUBLE_EQ(dragged, 3.0 + 15.0 / 29.0);
    EXPECT_EQ(shown(dragged), u"3.5"_s);
    EXPECT_EQ(G::flyoutY(dragged), 43);
    // Pressed on a flyout showing 3.0 (top 59) and let go: 3 + 16/29, shown 3.6.
    EXPECT_EQ(G::flyoutY(3.0), 59);
    EXPECT_EQ(shown(G::scoreForDrag(59)), u"3.6"_s);
    double previous = 5.0;
    for (int d = -200; d <= 300; ++d) {
        const double score = G::scoreForDrag(d);
        ASSERT_TRUE(score >= 1.0 && score <= previous) << d;
        ASSERT_EQ(score == 5.0, d + G::kDragReadOffset <= 27) << d;
        ASSERT_EQ(score == 1.0, d + G::kDragReadOffset >= 138) << d;
        previous = score;
    }
}

// Whole scores stand at the table's places and between them the flyout moves evenly upwards;
// no score puts it below the bar.
TEST(StarBarGeometry, MarkersStandWhereTheirScoresAre) {
    EXPECT_EQ(G::getNonSnapYForScoreValue(5.0), -3);
    EXPECT_EQ(G::getNonSnapYForScoreValue(0.0), 148);
    EXPECT_EQ(G::getSnapYForScoreValue(5.9), -3);
    int previous = 149;
    for (int tenths = 10; tenths <= 50; ++tenths) {
        const int y = G::getNonSnapYForScoreValue(tenths / 10.0);
        ASSERT_LT(y, previous) << tenths;
        previous = y;
    }
    EXPECT_EQ(G::sliderY(4.5) - G::getNonSnapYForScoreValue(4.5), 9);
    EXPECT_LT(G::snappedSliderY(1), G::getSnapYForScoreValue(0.0));
}

TEST(StarBarGeometry, FarLeftOrDownRemovesAndTheShownScoreFallsBackToTheCritics) {
    for (const auto& [point, removes] : {std::pair{QPointF(-46, 100), true},
                                         {{-45, 100}, false},
                                         {{100, 201}, true},
                                         {{100, 200}, false}}) {
        EXPECT_EQ(G::removesScore(point), removes) << point.x() << "," << point.y();
    }
    EXPECT_EQ(G::displayScore(3.5f, 4.2f), 3.5f);
    EXPECT_EQ(G::displayScore(0.0f, 4.2f), 4.2f);
    EXPECT_EQ(G::displayScore(std::nullopt, std::nullopt), 0.0f);
}

}  // namespace
