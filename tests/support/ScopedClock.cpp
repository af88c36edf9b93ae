#include "ScopedClock.h"

#include "Clock.h"

ScopedClock::ScopedClock(const QDateTime& instant)
    : wasPinned_(Clock::isPinned()), previous_(Clock::now()) {
    Clock::pin(instant);
}

ScopedClock::~ScopedClock() {
    if (wasPinned_) {
        Clock::pin(previous_);
    } else {
        Clock::unpin();
    }
}
