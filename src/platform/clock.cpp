#include "platform/clock.h"

#include <QDateTime>

#include <ctime>

double SystemClock::SecondsSinceMidnight() {
    const qint64 ms = QTime::currentTime().msecsSinceStartOfDay();
    return static_cast<double>(ms) / 1000.0;
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
