#include "tracking/idle_watch.h"

#include <algorithm>
#include <cmath>

IdleStep WatchIdle(IdleWatch& watch, const IdleReading& reading, double previous, double reference,
                   double bookedSince) {
    const double tick = reference - previous;
    IdleStep step{0, tick, false, 0};
    if (reading.limit <= 0 || !reading.idle) {
        if (watch.open) {  // no longer watched: the stretch ends here, this tick is work
            step.ended = true;
            step.toWall = reading.wallNow;
        }
        return step;
    }
    const double idle = *reading.idle;
    if (!watch.open && idle >= reading.limit) {
        watch.open = true;
        watch.from = std::max(std::floor(reading.now - idle), bookedSince);
        watch.fromWall = reading.wallNow - (reading.now - watch.from);
        step.takeBack = std::max(0.0, previous - watch.from);
        watch.held = step.takeBack + tick;
        step.book = 0;
        return step;
    }
    if (!watch.open) {
        return step;
    }
    if (idle < reading.limit) {  // input again: the stretch ended `idle` seconds ago
        const double end = std::clamp(std::floor(reading.now - idle), previous, reference);
        watch.held += end - previous;
        step.book = reference - end;
        step.ended = true;
        step.toWall = reading.wallNow - (reading.now - end);
        return step;
    }
    watch.held += tick;
    step.book = 0;
    return step;
}

IdleStep EndIdle(const IdleWatch& watch, double wallNow) {
    IdleStep step;
    step.ended = watch.open;
    step.toWall = wallNow;
    return step;
}

std::optional<double> IdleWithoutAsking(const IdleAnswer& last, const IdleWatch& watch,
                                        double limit, double now) {
    if (watch.open || !last.idle) {
        return std::nullopt;
    }
    const double idle = *last.idle + (now - last.at);
    return idle < limit ? std::optional<double>(idle) : std::nullopt;
}
