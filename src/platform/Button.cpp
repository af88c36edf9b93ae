#include "Button.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOption>

#include "BundleImage.h"

Button::Button(QWidget* parent) : QAbstractButton(parent) {
    setCheckable(true);
    // Handset buttons take no keyboard focus; the list keeps the arrow keys.
    setFocusPolicy(Qt::NoFocus);
    connect(this, &QAbstractButton::toggled, this, qOverload<>(&QWidget::update));
}

Button::~Button() = default;

Button::State Button::state() const {
    if (isDown()) {
        return State::Highlighted;
    }
    return isChecked() ? State::Selected : State::Normal;
}

template <typename T>
const T& Button::fallBack(const T (&values)[3], State state) {
    int index = int(state);
    while (index > 0 && values[index].isNull()) {
        --index;
    }
    return values[index];
}

void Button::setImage(const QString& imageName, State state) {
    imageNames_[int(state)] = imageName;
    images_[int(state)] = imageName.isEmpty() ? QPixmap() : BundleImage::imageNamed(imageName);
    updateGeometry();
    update();
}

QPixmap Button::imageForState(State state) const {
    return images_[int(state)];
}

QPixmap Button::currentImage() const {
    return fallBack(images_, state());
}

void Button::setTitle(const QString& title, State state) {
    if (state == State::Normal) {
        setText(title);
    } else {
        titles_[int(state)] = title;
        update();
    }
}

QString Button::titleForState(State state) const {
    return state == State::Normal ? text() : titles_[int(state)];
}

QString Button::currentTitle() const {
    const QString titles[3] = {text(), titles_[1], titles_[2]};
    return fallBack(titles, state());
}

void Button::setTitleColor(const QColor& color) {
    titleColor_ = color;
    update();
}

void Button::setSelectedTitleColor(const QColor& color) {
    selectedTitleColor_ = color;
    update();
}

void Button::setAdjustsImageWhenDisabled(bool adjusts) {
    adjustsImageWhenDisabled_ = adjusts;
    update();
}

QSize Button::sizeHint() const {
    if (!images_[0].isNull()) {
        return images_[0].deviceIndependentSize().toSize();
    }
    return fontMetrics().size(Qt::TextSingleLine, text()) + QSize(16, 8);
}

void Button::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (!isEnabled() && adjustsImageWhenDisabled_) {
        // Disabled buttons read as dimmed, as the handset draws them.
        painter.setOpacity(0.4);
    }
    const QPixmap image = currentImage();
    if (!image.isNull()) {
        painter.drawPixmap(rect(), image);
    }
    const QString title = currentTitle();
    if (!title.isEmpty()) {
        const QColor color = state() != State::Normal && selectedTitleColor_.isValid()
                                 ? selectedTitleColor_
                                 : titleColor_;
        painter.setPen(color.isValid() ? color : palette().color(QPalette::ButtonText));
        painter.setFont(font());
        painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine,
                         fontMetrics().elidedText(title, Qt::ElideRight, width() - 4));
    }
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    // A button a screen makes focusable shows where the keyboard is, once the keyboard has
    // moved the focus; otherwise the handset's picture stays as it was.
    if (hasFocus() && focus.state.testFlag(QStyle::State_KeyboardFocusChange)) {
        focus.rect = rect().adjusted(1, 1, -1, -1);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

void Button::nextCheckState() {}
