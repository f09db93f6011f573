#include "platform/timer.h"

Timer::Timer(int intervalMs, QObject* parent) : QObject(parent) {
    timer_.setInterval(intervalMs);
    // A tick paced to land just after a second begins must not be moved before it, as a
    // coarse timer may be.
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &Timer::Tick);
}

void Timer::setEnabled(bool enabled) {
    if (enabled && !timer_.isActive()) {
        timer_.start();
    } else if (!enabled) {
        timer_.stop();
    }
}

void Timer::setInterval(int intervalMs) {
    timer_.setInterval(intervalMs);
}
