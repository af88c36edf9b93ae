#pragma once

#include "ExploreDragView.h"

// The explore panel's age-rating control: any, young kids, everyone, 10+, teen, mature,
// pending (values 0 and 6 to 10, then 12). Value 11, "adults", has a label but no slot.
class ExploreESRBDragView : public ExploreDragView {
    Q_OBJECT
public:
    explicit ExploreESRBDragView(QWidget* parent = nullptr);
};
