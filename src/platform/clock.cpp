#include "platform/clock.h"

#include <QDateTime>

double SystemClock::SecondsSinceMidnight() {
    const qint64 ms = QDateTime::currentDateTimeUtc().time().msecsSinceStartOfDay();
    return static_cast<double>(ms) / 1000.0;
}
