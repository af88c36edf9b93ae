#pragma once

#include <QDateTime>

// Pins the program's clock to one instant for a scope and puts back what was there before.
class ScopedClock {
public:
    explicit ScopedClock(const QDateTime& instant);
    ~ScopedClock();
    ScopedClock(const ScopedClock&) = delete;
    ScopedClock& operator=(const ScopedClock&) = delete;

private:
    bool wasPinned_;
    QDateTime previous_;
};
