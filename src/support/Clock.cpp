#include "Clock.h"

#include <atomic>
#include <limits>

namespace {

constexpr qint64 kUnpinned = std::numeric_limits<qint64>::min();

// One word holds the whole pinned state, so readers need no lock and never see half a pin.
std::atomic<qint64> pinnedMSecs{kUnpinned};

}  // namespace

QDateTime Clock::now() {
    const qint64 pinned = pinnedMSecs.load(std::memory_order_acquire);
    if (pinned == kUnpinned) {
        return QDateTime::currentDateTime();
    }
    return QDateTime::fromMSecsSinceEpoch(pinned, Qt::LocalTime);
}

void Clock::pin(const QDateTime& instant) {
    pinnedMSecs.store(instant.isValid() ? instant.toMSecsSinceEpoch() : kUnpinned,
                      std::memory_order_release);
}

void Clock::unpin() {
    pinnedMSecs.store(kUnpinned, std::memory_order_release);
}

bool Clock::isPinned() {
    return pinnedMSecs.load(std::memory_order_acquire) != kUnpinned;
}
