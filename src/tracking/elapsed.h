#pragma once
// How many seconds one tick books, from two readings of the time of day.

// What a tick books and the reference the next tick measures from.
struct TickMeasure {
    double elapsed;    // whole seconds to book, never negative
    double reference;  // the whole-second part of the reading
};

// The whole-second boundaries of the clock passed between `reference` and `now` (both in
// seconds since midnight). A reference after 23:00 and a reading before 01:00 count as
// having crossed midnight. Any other step backwards (the clock was set back) books nothing.
// The reference always becomes the reading's whole second, so no fraction is ever counted
// twice and a late tick catches up in full.
TickMeasure MeasureTick(double reference, double now);
