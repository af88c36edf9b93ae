#pragma once

#include <QByteArray>

// Switches the process's local time zone for one scope. Qt converts local time through the C
// library on every call, so it follows TZ once tzset() has run; local QDateTimes made before
// the switch keep their wall-clock reading, so make dates after switching. Main thread only.
class ScopedZone {
public:
    explicit ScopedZone(const char* zone);
    ~ScopedZone();
    ScopedZone(const ScopedZone&) = delete;
    ScopedZone& operator=(const ScopedZone&) = delete;

private:
    QByteArray previous_;
    bool hadPrevious_;
};
