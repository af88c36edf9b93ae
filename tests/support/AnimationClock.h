#pragma once

#include <QAbstractAnimation>
#include <QObject>

// Moves every running animation that `owner` holds directly to `fraction` of its time, as the
// clock would have, so a test looks at an animation midway or at its end without waiting for
// it. At 1 the animations end, with their finished actions. Answers how many it moved.
inline int advanceAnimations(QObject* owner, double fraction) {
    int moved = 0;
    for (QAbstractAnimation* animation :
         owner->findChildren<QAbstractAnimation*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (animation->state() == QAbstractAnimation::Running) {
            animation->setCurrentTime(int(animation->totalDuration() * fraction));
            ++moved;
        }
    }
    return moved;
}
