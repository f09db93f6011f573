#include "platform/clock.h"

#include <ctime>

double SystemClock::SecondsSinceMidnight() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    // Reading the zone anew looks its file up on disk, and Qt's local time does that on
    // every call. Once a minute follows a zone the person changes; the daylight-saving
    // switches of the zone already read are applied by localtime_r on its own.
    if (now.tv_sec - zoneReadAt_ >= 60 || now.tv_sec < zoneReadAt_) {
        tzset();
        zoneReadAt_ = now.tv_sec;
    }
    tm local{};
    localtime_r(&now.tv_sec, &local);
    return local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec +
           static_cast<double>(now.tv_nsec) / 1e9;
}

double SystemClock::MonotonicSeconds() {
    timespec now{};
#ifdef CLOCK_BOOTTIME
    // Unlike CLOCK_MONOTONIC, it goes on counting through a suspend.
    clock_gettime(CLOCK_BOOTTIME, &now);
#else
    clock_gettime(CLOCK_MONOTONIC, &now);
#endif
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}
