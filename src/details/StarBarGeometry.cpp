#include "StarBarGeometry.h"

#include <algorithm>
#include <cmath>

int StarBarGeometry::getSnapYForScoreValue(double score) {
    switch (static_cast<int>(score)) {
        case 1:
            return 115;
        case 2:
            return 88;
        case 3:
            return 59;
        case 4:
            return 27;
        case 5:
            return -3;
        default:
            return 148;
    }
}

int StarBarGeometry::getNonSnapYForScoreValue(double score) {
    const int from = getSnapYForScoreValue(score);
    const int to = getSnapYForScoreValue(score + 1.0);
    return static_cast<int>(std::ceil(from - (from - to) * (score - std::floor(score))));
}

double StarBarGeometry::getScoreForYPoint(int y) {
    if (y > 115) {
        return 1.0 + (138 - y) / 23.0;
    }
    if (y > 88) {
        return 2.0 + (115 - y) / 27.0;
    }
    if (y > 59) {
        return 3.0 + (88 - y) / 29.0;
    }
    if (y > 27) {
        return 4.0 + (59 - y) / 32.0;
    }
    if (y > -3) {
        return 5.0 + (27 - y) / 30.0;
    }
    return 5.0;
}

double StarBarGeometry::scoreForDrag(int d) {
    return std::clamp(getScoreForYPoint(d + kDragReadOffset), 1.0, 5.0);
}

int StarBarGeometry::scoreForTap(int d) {
    if (d > 100) {
        return 1;
    }
    if (d > 65) {
        return 2;
    }
    if (d > 35) {
        return 3;
    }
    if (d > 10) {
        return 4;
    }
    return 5;
}

bool StarBarGeometry::removesScore(QPointF point) {
    return point.x() < -45 || point.y() > 200;
}

int StarBarGeometry::flyoutY(double score) {
    return std::clamp(getNonSnapYForScoreValue(score), -3, 115);
}

int StarBarGeometry::sliderY(double score) {
    return getNonSnapYForScoreValue(score) + 9;
}

int StarBarGeometry::snappedSliderY(int score) {
    return getSnapYForScoreValue(score) + (score == 1 ? 11 : 8);
}

float StarBarGeometry::displayScore(std::optional<float> myScore, std::optional<float> critic) {
    return myScore.value_or(0.0f) > 0.0f ? *myScore : critic.value_or(0.0f);
}
