#include "AnimationFunctions.h"

#include <QGraphicsOpacityEffect>
#include <QPainter>
#include <QPropertyAnimation>
#include <QWidget>
#include <cmath>

#include "Animator.h"
#include "ViewAlpha.h"

namespace {

// Animates `property` of `target` (the view or its alpha effect) to `to`. The animation is a
// child of the view, so it goes with it; one already running for the same property stops
// where it is, and the new one starts from the value set by the caller.
void animate(QWidget* view, QObject* target, const QByteArray& property, const QVariant& to,
             float duration) {
    for (QPropertyAnimation* running :
         view->findChildren<QPropertyAnimation*>(Qt::FindDirectChildrenOnly)) {
        if (running->targetObject() == target && running->propertyName() == property) {
            QPointer<QPropertyAnimation> slot(running);
            Animator::stop(slot);
        }
    }
    Animator::animate(nullptr, view, target, property, QVariant(), to,
                      int(std::lround(double(duration) * 1000.0)));
}

bool isAnimating(QWidget* view, QObject* target, const QByteArray& property) {
    for (QPropertyAnimation* running :
         view->findChildren<QPropertyAnimation*>(Qt::FindDirectChildrenOnly)) {
        if (running->targetObject() == target && running->propertyName() == property &&
            running->state() == QAbstractAnimation::Running) {
            return true;
        }
    }
    return false;
}

QPoint origin(QPointF point) {
    return QPoint(int(std::lround(point.x())), int(std::lround(point.y())));
}

// Core Graphics blend modes by number; those Qt has no equivalent for draw normally.
QPainter::CompositionMode compositionFor(int blendMode) {
    using Mode = QPainter::CompositionMode;
    switch (blendMode) {
        case 1:
            return Mode::CompositionMode_Multiply;
        case 2:
            return Mode::CompositionMode_Screen;
        case 3:
            return Mode::CompositionMode_Overlay;
        case 4:
            return Mode::CompositionMode_Darken;
        case 5:
            return Mode::CompositionMode_Lighten;
        case 6:
            return Mode::CompositionMode_ColorDodge;
        case 7:
            return Mode::CompositionMode_ColorBurn;
        case 8:
            return Mode::CompositionMode_SoftLight;
        case 9:
            return Mode::CompositionMode_HardLight;
        case 10:
            return Mode::CompositionMode_Difference;
        case 11:
            return Mode::CompositionMode_Exclusion;
        case 16:
            return Mode::CompositionMode_Clear;
        case 17:
            return Mode::CompositionMode_Source;
        case 18:
            return Mode::CompositionMode_SourceIn;
        case 19:
            return Mode::CompositionMode_SourceOut;
        case 20:
            return Mode::CompositionMode_SourceAtop;
        case 21:
            return Mode::CompositionMode_DestinationOver;
        case 22:
            return Mode::CompositionMode_DestinationIn;
        case 23:
            return Mode::CompositionMode_DestinationOut;
        case 24:
            return Mode::CompositionMode_DestinationAtop;
        case 25:
            return Mode::CompositionMode_Xor;
        case 27:
            return Mode::CompositionMode_Plus;
        default:
            return Mode::CompositionMode_SourceOver;
    }
}

}  // namespace

void AnimationFunctions::fadeView(QWidget* view, float fromAlphaValue, float toAlphaValue,
                                  float duration) {
    if (!view) {
        return;
    }
    ViewAlpha::setAlpha(view, fromAlphaValue);
    if (view->isHidden()) {
        view->show();
    }
    animate(view, ViewAlpha::effect(view), "opacity", double(toAlphaValue), duration);
}

void AnimationFunctions::fadeView(QWidget* view, float toAlphaValue, float duration) {
    fadeView(view, ViewAlpha::alpha(view), toAlphaValue, duration);
}

void AnimationFunctions::fadeInView(QWidget* view, float duration) {
    if (!view) {
        return;
    }
    if (ViewAlpha::alpha(view) != 1.0f) {
        fadeView(view, 0.0f, 1.0f, duration);
    } else if (view->isHidden()) {
        view->show();
    }
}

void AnimationFunctions::fadeOutView(QWidget* view, float duration) {
    if (view && ViewAlpha::alpha(view) != 0.0f) {
        fadeView(view, 1.0f, 0.0f, duration);
    }
}

void AnimationFunctions::moveView(QWidget* view, QPointF fromPoint, QPointF toPoint, float duration,
                                  float fromAlphaValue, float toAlphaValue) {
    if (!view) {
        return;
    }
    view->move(origin(fromPoint));
    animate(view, view, "pos", origin(toPoint), duration);
    // A view at full alpha that stays there has nothing to animate; giving it an effect would
    // only make every repaint of it (a whole list, say) go through an offscreen picture.
    if (fromAlphaValue >= 1.0f && toAlphaValue >= 1.0f && !view->graphicsEffect()) {
        return;
    }
    ViewAlpha::setAlpha(view, fromAlphaValue);
    animate(view, ViewAlpha::effect(view), "opacity", double(toAlphaValue), duration);
}

void AnimationFunctions::moveView(QWidget* view, QPointF fromPoint, QPointF toPoint,
                                  float duration) {
    const float alpha = ViewAlpha::alpha(view);
    moveView(view, fromPoint, toPoint, duration, alpha, alpha);
}

void AnimationFunctions::moveView(QWidget* view, QPointF toPoint, float duration) {
    if (!view) {
        return;
    }
    // Passing through the point on the way elsewhere is not being there: the move under way
    // stops here.
    if (QPointF(view->pos()) == toPoint && !isAnimating(view, view, "pos")) {
        return;
    }
    moveView(view, QPointF(view->pos()), toPoint, duration);
}

bool AnimationFunctions::isPoint(QPointF point, QRectF withinRect) {
    const double x = point.x();
    const double y = point.y();
    const double left = withinRect.x();
    const double top = withinRect.y();
    const double right = left + withinRect.width();
    const double bottom = top + withinRect.height();
    // Every comparison with NaN is false, so a NaN anywhere answers false.
    return x >= left && x <= right && y >= top && y <= bottom;
}

QImage AnimationFunctions::imageFromView(QWidget* view) {
    if (!view) {
        return {};
    }
    return view->grab().toImage();
}

QImage AnimationFunctions::borderImage(const QImage& image, const QColor& borderColor,
                                       int borderWidth) {
    // The frame is always the fixed grey, whatever colour the caller names.
    Q_UNUSED(borderColor);
    QImage result(image.size(), QImage::Format_ARGB32_Premultiplied);
    result.setDevicePixelRatio(image.devicePixelRatio());
    result.fill(Qt::transparent);
    QPainter painter(&result);
    painter.drawImage(QPointF(0, 0), image);
    if (borderWidth > 0) {
        painter.setRenderHint(QPainter::Antialiasing);
        QPen pen(QColor::fromRgbF(0.53f, 0.53f, 0.53f, 1.0f));
        pen.setWidth(borderWidth);
        pen.setJoinStyle(Qt::MiterJoin);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        // The stroke is centred on the picture's edge; what lies outside is cut off.
        painter.drawRect(QRectF(QPointF(0, 0), image.deviceIndependentSize()));
    }
    return result;
}

QImage AnimationFunctions::colorizeImage(const QImage& image, const QColor& color, int blendMode) {
    QImage result(image.size(), QImage::Format_ARGB32_Premultiplied);
    result.fill(Qt::transparent);
    QPainter painter(&result);
    // The image's shape: the colour kept where the image has alpha.
    painter.fillRect(result.rect(), color);
    painter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
    painter.drawImage(0, 0, image);
    painter.setCompositionMode(compositionFor(blendMode));
    painter.drawImage(0, 0, image);
    return result;
}
