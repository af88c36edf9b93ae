#include "ExploreDragView.h"

#include "Button.h"

#include <QAccessible>
#include <QPushButton>
#include <algorithm>
#include <cmath>
#include <limits>

#include "AnimationFunctions.h"
#include "ExploreDragViewDelegate.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// The slots along the bar, shared by every control: the last thumb-top position (d) that
// selects each one, and where the thumb's top snaps to.
struct Slot {
    int lastD;
    int thumbY;
};
constexpr Slot kSlots[] = {
    {40, 32},   {55, 48},   {75, 63},   {90, 80},
    {100, 96},  {120, 112}, {137, 127}, {154, 144},
    {170, 160}, {185, 176}, {200, 192}, {std::numeric_limits<int>::max(), 208},
};

// Left of this x lies the button's strip, which is not part of the bar.
constexpr double kBarLeft = 50.0;
// Where a tap on the bar pretends the finger held the thumb; nothing reads it afterwards.
constexpr int kTapTouchOffset = 25;

// The parts a control makes for itself when no interface file hands it any.
constexpr QSize kDefaultSize(110, 240);
constexpr QRect kDefaultThumb(60, 32, 40, 20);
constexpr QRect kDefaultButton(0, 0, 50, 24);

}  // namespace

ExploreDragView::ExploreDragView(QWidget* parent) : ExploreDragView({}, {}, parent) {}

ExploreDragView::ExploreDragView(std::span<const int> slotValues, std::span<const Choice> choices,
                                 QWidget* parent)
    : TouchView(parent),
      slotValues_(slotValues.first(std::min(slotValues.size(), std::size(kSlots)))),
      choices_(choices),
      thumbY_(kSlots[0].thumbY) {
    // Touches come as mouse events, which reach the button where it is a child of the control.
    setTakesTouchEvents(false);
    resize(kDefaultSize);
    auto* thumb = new QWidget(this);
    thumb->setGeometry(kDefaultThumb);
    thumb->setAutoFillBackground(true);
    thumb->setBackgroundRole(QPalette::Dark);
    auto* pushButton = new QPushButton(this);
    pushButton->setGeometry(kDefaultButton);
    thumbView_ = ownThumbView_ = thumb;
    setButton(pushButton);
    ownButton_ = pushButton;
    redraw();
}

ExploreDragView::~ExploreDragView() = default;

void ExploreDragView::setThumbView(QWidget* thumbView) {
    if (ownThumbView_ && ownThumbView_ != thumbView) {
        delete ownThumbView_;
    }
    thumbView_ = thumbView;
    redraw();
}

void ExploreDragView::setButton(QAbstractButton* button) {
    disconnect(buttonClicked_);
    if (ownButton_ && ownButton_ != button) {
        delete ownButton_;
    }
    button_ = button;
    if (button_) {
        button_->setCheckable(true);
        // A click toggles a checkable button; put the selection back where the value says.
        buttonClicked_ =
            connect(button_, &QAbstractButton::clicked, this, [this] { drawButton(); });
    }
    drawButton();
}

ExploreDragViewDelegate* ExploreDragView::delegate() const {
    return delegateIsObject_ && !delegateObject_ ? nullptr : delegate_;
}

void ExploreDragView::setDelegate(ExploreDragViewDelegate* delegate) {
    delegate_ = delegate;
    delegateObject_ = dynamic_cast<QObject*>(delegate);
    delegateIsObject_ = !delegateObject_.isNull();
}

void ExploreDragView::setCurrentValue(int value) {
    if (value == currentValue_) {
        return;
    }
    currentValue_ = value;
    // A value set from outside shows on its own slot; one the control has no slot for leaves
    // the thumb where it is.
    const auto found = std::find(slotValues_.begin(), slotValues_.end(), value);
    if (found != slotValues_.end()) {
        thumbY_ = kSlots[found - slotValues_.begin()].thumbY;
    }
    redraw();
    announceValue();
    reportValueChanged();
}

void ExploreDragView::reset() {
    const bool changed = currentValue_ != 0;
    currentValue_ = 0;
    // The top of the bar lies in slot 0, whose value is already the current one: no report.
    snapFlyoutToPoint(QPointF(thumbView_ ? thumbView_->x() : 0, 0));
    redraw();
    if (changed) {
        announceValue();
    }
}

void ExploreDragView::chooseValue(int value) {
    if (std::find(slotValues_.begin(), slotValues_.end(), value) == slotValues_.end()) {
        return;
    }
    reportStarted();
    setCurrentValue(value);
    reportEnded();
}

int ExploreDragView::smallestValue() const {
    return slotValues_.empty() ? 0 : *std::min_element(slotValues_.begin(), slotValues_.end());
}

int ExploreDragView::largestValue() const {
    return slotValues_.empty() ? 0 : *std::max_element(slotValues_.begin(), slotValues_.end());
}

void ExploreDragView::announceValue() {
    QAccessibleValueChangeEvent changed(this, currentValue_);
    QAccessible::updateAccessibility(&changed);
}

QString ExploreDragView::getLabel() const {
    for (int wanted : {currentValue_, 0}) {
        for (const Choice& choice : choices_) {
            if (choice.value == wanted) {
                return QStringView(choice.label).toString();
            }
        }
    }
    return u"n/a"_s;
}

void ExploreDragView::redraw() {
    drawThumbAtPoint(QPointF(thumbView_ ? thumbView_->x() : 0, thumbY_));
    drawButton();
}

void ExploreDragView::drawThumbAtPoint(QPointF point) {
    AnimationFunctions::moveView(thumbView_, point, 0);
}

void ExploreDragView::startDragging(QPointF point) {
    Q_UNUSED(point);
    _draggingFlyout = true;
    reportStarted();
}

void ExploreDragView::endDragging(bool flag) {
    Q_UNUSED(flag);
    _draggingFlyout = false;
    reportEnded();
}

bool ExploreDragView::didTouchFlyout(QPointF point) const {
    return thumbView_ && AnimationFunctions::isPoint(point, QRectF(thumbView_->geometry()));
}

bool ExploreDragView::didTouchStarBar(QPointF point) const {
    // The point is in the control's own coordinates, so it is tested against the control's
    // own rectangle; the frame in the parent would miss taps whenever the control is not at
    // the parent's origin.
    return AnimationFunctions::isPoint(point, QRectF(rect())) && point.x() > kBarLeft;
}

void ExploreDragView::snapFlyoutToPoint(QPointF point) {
    const double d = std::trunc(point.y() - _touchOffset);
    if (slotValues_.empty() || std::isnan(d)) {
        return;
    }
    const size_t lastSlot = slotValues_.size() - 1;
    size_t slot = 0;
    while (slot < lastSlot && d > kSlots[slot].lastD) {
        ++slot;
    }
    thumbY_ = kSlots[slot].thumbY;
    setCurrentValue(slotValues_[slot]);
}

void ExploreDragView::touchesBegan(QPointF point) {
    if (!didTouchFlyout(point)) {
        return;
    }
    _touchOffset = int(std::trunc(point.y() - thumbView_->y()));
    startDragging(point);
}

void ExploreDragView::touchesMoved(QPointF point) {
    if (_draggingFlyout) {
        snapFlyoutToPoint(point);
    }
}

void ExploreDragView::touchesEnded(QPointF point) {
    if (_draggingFlyout) {
        endDragging(true);
    } else if (didTouchStarBar(point)) {
        _touchOffset = kTapTouchOffset;
        startDragging(point);
        endDragging(true);
    }
}

void ExploreDragView::touchesCancelled() {
    if (_draggingFlyout) {
        endDragging(true);
    }
}

void ExploreDragView::drawButton() {
    if (!button_) {
        return;
    }
    const QString label = getLabel();
    if (auto* stateful = qobject_cast<Button*>(button_)) {
        // A title per state: setting only the normal one would leave a selected or held
        // button showing the earlier choice.
        for (Button::State state :
             {Button::State::Normal, Button::State::Selected, Button::State::Highlighted}) {
            stateful->setTitle(label, state);
        }
    } else {
        button_->setText(label);
    }
    // Read after the button's name ("Genre filter"), as the choice it shows.
    button_->setAccessibleDescription(label);
    button_->setChecked(currentValue_ != 0);
}

void ExploreDragView::reportStarted() {
    if (ExploreDragViewDelegate* target = delegate()) {
        target->exploreDragViewStartedDragging(this);
    }
}

void ExploreDragView::reportValueChanged() {
    if (ExploreDragViewDelegate* target = delegate()) {
        target->exploreDragViewValueChanged(this);
    }
}

void ExploreDragView::reportEnded() {
    if (ExploreDragViewDelegate* target = delegate()) {
        target->exploreDragViewEndedDragging(this);
    }
}
