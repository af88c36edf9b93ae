#include "StarBarViewDelegate.h"

StarBarViewDelegate::~StarBarViewDelegate() = default;

void StarBarViewDelegate::showMyScoreOveraly(float) {}

void StarBarViewDelegate::hideMyScoreOveraly() {}

void StarBarViewDelegate::myScoreChanged() {}
