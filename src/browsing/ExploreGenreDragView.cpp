#include "ExploreGenreDragView.h"

namespace {

constexpr int kSlotValues[] = {0, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23};

constexpr ExploreGenreDragView::Choice kChoices[] = {
    {0, u"any genre"}, {13, u"action"},     {14, u"adventure"}, {15, u"driving"},
    {16, u"family"},   {17, u"fighting"},   {18, u"flying"},    {19, u"puzzle"},
    {20, u"rpg"},      {21, u"simulation"}, {22, u"sports"},    {23, u"strategy"},
};

}  // namespace

ExploreGenreDragView::ExploreGenreDragView(QWidget* parent)
    : ExploreDragView(kSlotValues, kChoices, parent) {}
