#pragma once

#include <QPointF>
#include <optional>

// Where the star bar's markers stand for a score and which score a finger means, kept apart
// from the widget so the numbers can be checked without one. Coordinates are the control's
// own, in points, y growing downwards; a position is a flyout's top edge.
class StarBarGeometry {
public:
    // A tap reads the bar as if the finger were this far below the flyout's top.
    static constexpr int kTapTouchOffset = 25;
    // A drag reads the score this far below the flyout's top.
    static constexpr int kDragReadOffset = 13;

    // The flyout's top for the whole part of `score`: 1 to 5 from the table, anything else
    // (0, none, above 5) below the bar.
    static int getSnapYForScoreValue(double score);
    // Between whole scores the position moves in a straight line, rounded up.
    static int getNonSnapYForScoreValue(double score);
    // The score a flyout top of `y` reads while dragging, not yet clamped.
    static double getScoreForYPoint(int y);

    // The score a drag gives with the finger `d` below where it grabbed the flyout: 1 to 5.
    static double scoreForDrag(int d);
    // The whole score a tap gives, `d` being the finger's y less the tap offset.
    static int scoreForTap(int d);
    // A drag that goes this far left or down removes the user's score.
    static bool removesScore(QPointF point);

    // The user flyout's top for a shown score, kept on the bar.
    static int flyoutY(double score);
    // A slider's y for a score, and after a tap snapped to a whole score.
    static int sliderY(double score);
    static int snappedSliderY(int score);

    // The score shown: the user's when above 0, else the critic's, else 0.
    static float displayScore(std::optional<float> myScore, std::optional<float> critic);
};
