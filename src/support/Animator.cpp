#include "Animator.h"

#include <QCoreApplication>
#include <QPointF>
#include <QTimer>
#include <map>
#include <utility>

namespace {

bool immediate = false;

// Delays under the switch: a clock of their own that moves to each delay's end as it runs, so
// they keep the order real time would have given them.
struct PendingDelay {
    QPointer<const QObject> context;
    bool hasContext = false;
    std::function<void()> action;
};
qint64 virtualNow = 0;
quint64 nextSequence = 0;
std::map<std::pair<qint64, quint64>, PendingDelay> pendingDelays;

void runEarliestDelay() {
    if (pendingDelays.empty()) {
        return;
    }
    auto earliest = pendingDelays.begin();
    virtualNow = earliest->first.first;
    PendingDelay delay = std::move(earliest->second);
    pendingDelays.erase(earliest);
    if (!delay.hasContext || delay.context) {
        delay.action();
    }
}

}  // namespace

// A cubic Bézier through (0.42, 0) and (0.58, 1).
QEasingCurve Animator::easeInEaseOut() {
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(QPointF(0.42, 0.0), QPointF(0.58, 1.0), QPointF(1.0, 1.0));
    return curve;
}

void Animator::setImmediate(bool on) {
    immediate = on;
}

bool Animator::isImmediate() {
    return immediate;
}

void Animator::animate(QPointer<QPropertyAnimation>* slot, QObject* owner, QObject* target,
                       const QByteArray& property, const QVariant& from, const QVariant& to,
                       int milliseconds, std::function<void()> finished) {
    if (slot) {
        stop(*slot);
    }
    if (!target) {
        return;
    }
    if (immediate || milliseconds <= 0) {
        target->setProperty(property.constData(), to);
        if (finished) {
            finished();
        }
        return;
    }
    auto* animation = new QPropertyAnimation(target, property, owner);
    animation->setEasingCurve(easeInEaseOut());
    animation->setDuration(milliseconds);
    if (from.isValid()) {
        animation->setStartValue(from);
    }
    animation->setEndValue(to);
    if (slot) {
        *slot = animation;
    }
    QObject::connect(animation, &QAbstractAnimation::finished, animation,
                     [slot, animation, finished = std::move(finished)] {
                         if (slot && *slot == animation) {
                             *slot = nullptr;
                         }
                         if (finished) {
                             finished();
                         }
                     });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void Animator::stop(QPointer<QPropertyAnimation>& slot, bool toEnd) {
    QPropertyAnimation* animation = std::exchange(slot, nullptr);
    if (!animation) {
        return;
    }
    // Its finished action belongs to the animation that is being cut short.
    animation->disconnect(animation);
    if (toEnd && animation->targetObject()) {
        animation->targetObject()->setProperty(animation->propertyName().constData(),
                                               animation->endValue());
    }
    animation->stop();
}

void Animator::after(int milliseconds, const QObject* context, std::function<void()> action) {
    if (!immediate) {
        if (context) {
            QTimer::singleShot(milliseconds, Qt::PreciseTimer, context, std::move(action));
        } else {
            QTimer::singleShot(milliseconds, Qt::PreciseTimer, std::move(action));
        }
        return;
    }
    pendingDelays.emplace(std::pair(virtualNow + std::max(milliseconds, 0), nextSequence++),
                          PendingDelay{context, context != nullptr, std::move(action)});
    QTimer::singleShot(0, QCoreApplication::instance(), runEarliestDelay);
}

bool Animator::runPendingDelays(int limit) {
    for (; limit > 0 && !pendingDelays.empty(); --limit) {
        runEarliestDelay();
    }
    return pendingDelays.empty();
}
