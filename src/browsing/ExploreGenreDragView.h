#pragma once

#include "ExploreDragView.h"

// The explore panel's genre control: any, then eleven genres from action to strategy
// (values 0 and 13 to 23).
class ExploreGenreDragView : public ExploreDragView {
    Q_OBJECT
public:
    explicit ExploreGenreDragView(QWidget* parent = nullptr);
};
