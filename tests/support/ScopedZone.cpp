#include "ScopedZone.h"

#include <QtGlobal>
#include <ctime>

ScopedZone::ScopedZone(const char* zone)
    : previous_(qgetenv("TZ")), hadPrevious_(qEnvironmentVariableIsSet("TZ")) {
    qputenv("TZ", zone);
    tzset();
}

ScopedZone::~ScopedZone() {
    if (hadPrevious_) {
        qputenv("TZ", previous_);
    } else {
        qunsetenv("TZ");
    }
    tzset();
}
