#include "tracking/elapsed.h"

#include <algorithm>
#include <cmath>

TickState StartTicking(double now) {
    return {std::floor(now), now};
}

TickPlan PlanTick(TickState& state, double now, double gapSeconds) {
    const double whole = std::floor(now);
    TickPlan plan;
    if (whole > state.reference) {
        const bool gap = now - state.lastTick > gapSeconds;
        (gap ? plan.held : plan.book) = whole - state.reference;
    }
    state.reference = std::max(state.reference, whole);  // never count a second twice
    state.lastTick = now;
    return plan;
}
