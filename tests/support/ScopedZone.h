#pragma once

#include <ctime>
#include <optional>

#include "ScopedEnv.h"

// Switches the process's local time zone for one scope. Qt converts local time through the C
// library on every call, so it follows TZ once tzset() has run; local QDateTimes made before
// the switch keep their wall-clock reading, so make dates after switching. Main thread only.
class ScopedZone {
public:
    explicit ScopedZone(const char* zone) : tz_(std::in_place, "TZ", zone) { tzset(); }
    ~ScopedZone() {
        tz_.reset();
        tzset();
    }

private:
    std::optional<ScopedEnv> tz_;
};
