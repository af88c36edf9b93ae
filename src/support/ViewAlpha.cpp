#include "ViewAlpha.h"

#include <QGraphicsOpacityEffect>
#include <QWidget>
#include <algorithm>

float ViewAlpha::alpha(const QWidget* view) {
    const auto* opacity =
        view ? qobject_cast<const QGraphicsOpacityEffect*>(view->graphicsEffect()) : nullptr;
    return opacity ? float(opacity->opacity()) : 1.0f;
}

void ViewAlpha::setAlpha(QWidget* view, float alpha) {
    // Full alpha needs no effect; none is made for it.
    if (view && !view->graphicsEffect() && alpha >= 1.0f) {
        return;
    }
    if (QGraphicsOpacityEffect* opacity = effect(view)) {
        opacity->setOpacity(std::clamp(double(alpha), 0.0, 1.0));
    }
}

QGraphicsOpacityEffect* ViewAlpha::effect(QWidget* view) {
    if (!view) {
        return nullptr;
    }
    if (auto* opacity = qobject_cast<QGraphicsOpacityEffect*>(view->graphicsEffect())) {
        return opacity;
    }
    // The widget owns the effect from here on.
    auto* opacity = new QGraphicsOpacityEffect(view);
    opacity->setOpacity(1.0);
    // An enabled effect draws the widget through an offscreen picture, which costs time on
    // every repaint and cannot nest inside another effect's drawing; at full alpha the widget
    // draws directly.
    opacity->setEnabled(false);
    QObject::connect(opacity, &QGraphicsOpacityEffect::opacityChanged, opacity,
                     [opacity](qreal value) { opacity->setEnabled(value < 1.0); });
    view->setGraphicsEffect(opacity);
    return opacity;
}
