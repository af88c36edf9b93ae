#include "TouchView.h"

#include <QMouseEvent>
#include <QTouchEvent>

#include "AccessibleFactory.h"

TouchView::TouchView(QWidget* parent) : QWidget(parent) {
    AccessibleFactory::install();
    setAttribute(Qt::WA_AcceptTouchEvents);
}

TouchView::~TouchView() = default;

void TouchView::beginTouch(QPointF point) {
    // A press without a release before it lost that release: the earlier touch goes first.
    loseTouch();
    touchInProgress_ = true;
    touchesBegan(point);
}

void TouchView::endTouch(QPointF point) {
    touchInProgress_ = false;
    touchesEnded(point);
}

void TouchView::loseTouch() {
    if (touchInProgress_) {
        touchInProgress_ = false;
        touchesCancelled();
    }
}

bool TouchView::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd: {
            const auto* touch = static_cast<QTouchEvent*>(event);
            if (!takesTouchEvents_ || touch->points().isEmpty()) {
                break;
            }
            const QPointF point = touch->points().first().position();
            if (event->type() == QEvent::TouchBegin) {
                beginTouch(point);
            } else if (touchInProgress_ && event->type() == QEvent::TouchUpdate) {
                touchesMoved(point);
            } else if (touchInProgress_) {
                endTouch(point);
            }
            event->accept();
            return true;
        }
        case QEvent::TouchCancel:
        case QEvent::UngrabMouse:
        case QEvent::FocusOut:
        case QEvent::Hide:
        case QEvent::WindowDeactivate:
            loseTouch();
            break;
        default:
            break;
    }
    return QWidget::event(event);
}

void TouchView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    event->accept();
    beginTouch(event->position());
}

void TouchView::mouseMoveEvent(QMouseEvent* event) {
    if (!touchInProgress_ || !(event->buttons() & Qt::LeftButton)) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    event->accept();
    touchesMoved(event->position());
}

void TouchView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !touchInProgress_) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    event->accept();
    endTouch(event->position());
}
