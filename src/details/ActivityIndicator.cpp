#include "ActivityIndicator.h"

#include <QPainter>

namespace {

constexpr int kSpokes = 12;
constexpr int kStepMsecs = 80;

}  // namespace

ActivityIndicator::ActivityIndicator(QWidget* parent) : QWidget(parent) {
    timer_.setInterval(kStepMsecs);
    connect(&timer_, &QTimer::timeout, this, [this] {
        step_ = (step_ + 1) % kSpokes;
        update();
    });
    hide();
}

void ActivityIndicator::startAnimating() {
    timer_.start();
    show();
}

void ActivityIndicator::stopAnimating() {
    timer_.stop();
    hide();
}

void ActivityIndicator::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal radius = qMin(width(), height()) / 2.0;
    painter.translate(width() / 2.0, height() / 2.0);
    QPen pen(palette().color(QPalette::WindowText), qMax(1.5, radius / 5.0), Qt::SolidLine,
             Qt::RoundCap);
    for (int i = 0; i < kSpokes; ++i) {
        // The spoke at the current step is darkest; the others fade behind it.
        QColor colour = pen.color();
        colour.setAlphaF(float(1.0 - ((i - step_ + kSpokes) % kSpokes) / double(kSpokes)));
        pen.setColor(colour);
        painter.setPen(pen);
        painter.drawLine(QPointF(0, -radius * 0.45), QPointF(0, -radius * 0.9));
        painter.rotate(360.0 / kSpokes);
    }
}
