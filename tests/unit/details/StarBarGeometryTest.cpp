#include "StarBarGeometry.h"

#include <gtest/gtest.h>

#include "Format.h"
#include "QStringPrinter.h"

using namespace Qt::StringLiterals;
using G = StarBarGeometry;

namespace {

// A tap reads the finger as 25 below the flyout's top, a drag reads the flyout's top 13 higher
// up; a drag 60 below its grab reads 73: 3 + 15/29, kept whole, shown 3.5, placed at 43; one
// let go on a flyout showing 3.0 (top 59) gives 3 + 16/29. Drags stay within one to five
// stars, and the flyout climbs as the score grows.
TEST(StarBarGeometry, FingersReadTheScoresTheMarkersShow) {
    EXPECT_EQ(std::pair(G::scoreForTap(20 - G::kTapTouchOffset),
                        G::scoreForTap(130 - G::kTapTouchOffset)),
              std::pair(5, 1));
    EXPECT_DOUBLE_EQ(G::scoreForDrag(60), 3.0 + 15.0 / 29.0);
    EXPECT_EQ(Format::format(u"%.1f|%d|%d|%.1f"_s, G::scoreForDrag(60),
                             G::flyoutY(G::scoreForDrag(60)), G::flyoutY(3.0), G::scoreForDrag(59)),
              u"3.5|43|59|3.6"_s);
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
