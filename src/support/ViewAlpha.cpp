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
    view->setGraphicsEffect(opacity);
    return opacity;
}
