#pragma once

#include <QDateTime>

#include "Clock.h"

// Pins the program's clock to one instant for a scope and puts back what was there before.
class ScopedClock {
public:
    explicit ScopedClock(const QDateTime& instant)
        : wasPinned_(Clock::isPinned()), previous_(Clock::now()) {
        Clock::pin(instant);
    }
    ~ScopedClock() { wasPinned_ ? Clock::pin(previous_) : Clock::unpin(); }
    ScopedClock(const ScopedClock&) = delete;
    ScopedClock& operator=(const ScopedClock&) = delete;

private:
    bool wasPinned_;
    QDateTime previous_;
};
