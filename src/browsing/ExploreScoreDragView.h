#pragma once

#include "ExploreDragView.h"

// The explore panel's minimum-score control: any, then 5 stars down to 1 star or more
// (values 0, 5, 4, 3, 2, 1 from the top of the bar).
class ExploreScoreDragView : public ExploreDragView {
    Q_OBJECT
public:
    explicit ExploreScoreDragView(QWidget* parent = nullptr);
};
