#include "ExploreScoreDragView.h"

namespace {

constexpr int kSlotValues[] = {0, 5, 4, 3, 2, 1};

constexpr ExploreScoreDragView::Choice kChoices[] = {
    {0, u"any stars"}, {1, u"1+ stars"}, {2, u"2+ stars"},
    {3, u"3+ stars"},  {4, u"4+ stars"}, {5, u"5 stars"},
};

}  // namespace

ExploreScoreDragView::ExploreScoreDragView(QWidget* parent)
    : ExploreDragView(kSlotValues, kChoices, parent) {}
