#include "TableViewCell.h"

#include <QPainter>
#include <algorithm>

#include "AccessibleFactory.h"
#include "Animator.h"

TableViewCell::TableViewCell(const QString& reuseIdentifier, QWidget* parent)
    : QWidget(parent), reuseIdentifier_(reuseIdentifier) {
    AccessibleFactory::install();
}

TableViewCell::~TableViewCell() {
    Animator::stop(animation_);
}

void TableViewCell::prepareForReuse() {
    setSelected(false, false);
}

void TableViewCell::setSelected(bool selected, bool animated) {
    Animator::stop(animation_);
    selected_ = selected;
    const qreal target = selected ? 1.0 : 0.0;
    if (!animated || selected || selectionAlpha_ == target) {
        setSelectionAlpha(target);
        return;
    }
    Animator::animate(&animation_, this, this, "selectionAlpha", selectionAlpha_, target,
                      kDeselectMilliseconds);
}

QColor TableViewCell::backgroundColor() const {
    return backgroundColor_.isValid() ? backgroundColor_ : palette().color(QPalette::Base);
}

void TableViewCell::setBackgroundColor(const QColor& color) {
    backgroundColor_ = color;
    update();
}

void TableViewCell::setSelectionAlpha(qreal alpha) {
    alpha = std::clamp(alpha, 0.0, 1.0);
    if (alpha != selectionAlpha_) {
        selectionAlpha_ = alpha;
        update();
    }
}

void TableViewCell::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), backgroundColor());
    if (selectionAlpha_ > 0.0) {
        QColor highlight = palette().color(QPalette::Highlight);
        highlight.setAlphaF(float(selectionAlpha_ * highlight.alphaF()));
        painter.fillRect(rect(), highlight);
    }
}
