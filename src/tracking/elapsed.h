#pragma once
// How many seconds one tick books, from readings of the monotonic clock.

// What a timing period remembers between ticks.
struct TickState {
    double reference = 0;  // the whole second up to which time is booked or held
    double lastTick = 0;   // the previous tick's exact reading
};

// What one tick does with the whole seconds since the previous one.
struct TickPlan {
    double book = 0;  // booked at once
    double held = 0;  // a gap, kept aside until the person says what it was
};

// A period that starts at `now`: the part of the first second before its boundary is not
// booked, so that a start and a stop within one second book nothing.
TickState StartTicking(double now);

// The tick at `now`. It books the whole-second boundaries passed since the previous tick, so
// nothing is counted twice and a late tick catches up in full. When the previous tick is
// more than `gapSeconds` ago (a suspend, a stopped process) those seconds are held instead.
// A reading behind the previous one books nothing.
TickPlan PlanTick(TickState& state, double now, double gapSeconds);
