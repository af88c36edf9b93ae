#include "ExploreESRBDragView.h"

namespace {

constexpr int kSlotValues[] = {0, 6, 7, 8, 9, 10, 12};

constexpr ExploreESRBDragView::Choice kChoices[] = {
    {0, u"any esrb"}, {6, u"young kids"}, {7, u"everyone"}, {8, u"10+"},
    {9, u"teen"},     {10, u"mature"},    {11, u"adults"},  {12, u"pending"},
};

}  // namespace

ExploreESRBDragView::ExploreESRBDragView(QWidget* parent)
    : ExploreDragView(kSlotValues, kChoices, parent) {}
