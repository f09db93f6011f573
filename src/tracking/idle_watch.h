#pragma once
// Telling a stretch without keyboard or mouse input from work, in whole seconds of the
// monotonic clock.

#include <optional>

// An idle stretch while timing, from the moment input stopped.
struct IdleWatch {
    bool open = false;
    double from = 0;      // the whole second after which the stretch's seconds count
    double fromWall = 0;  // when input stopped, seconds since midnight
    double held = 0;      // whole seconds of the stretch kept aside so far
};

// What one tick does about idleness. Once `ended`, ask about `held` from `fromWall` to
// `toWall`, and start the watch afresh.
struct IdleStep {
    double takeBack = 0;  // booked before the stretch was noticed: to be taken off again
    double book = 0;      // of the tick's seconds, those worked
    bool ended = false;
    double toWall = 0;
};

// The readings of one tick for WatchIdle.
struct IdleReading {
    std::optional<double> idle;  // seconds since the last input; nothing when unknown
    double limit;                // seconds that count as away; 0 watches nothing
    double now;                  // monotonic reading
    double wallNow;              // seconds since midnight
};

// The tick would book the whole seconds after `previous` up to `reference` (a held gap is
// not among them); `bookedSince` is the
// whole second from which this period's booking has run without a held gap. A stretch is
// noticed once idleness reaches the limit: what was booked of it is taken back and its
// seconds are held until input comes back; the seconds after that are booked again.
IdleStep WatchIdle(IdleWatch& watch, const IdleReading& reading, double previous, double reference,
                   double bookedSince);

// The desktop's last answer about idleness, and when it was given (monotonic).
struct IdleAnswer {
    std::optional<double> idle;
    double at = 0;
};

// The idleness to watch now, when it can be told without asking the desktop (a round trip
// to the display server each tick): input only grows older a second per second, so while
// no stretch is open and the last answer plus the time since stays under the limit,
// WatchIdle does the same with that figure as with a fresh one.
std::optional<double> IdleWithoutAsking(const IdleAnswer& last, const IdleWatch& watch,
                                        double limit, double now);

// Ends an open stretch now (the timer stopped): what it holds so far is asked about.
IdleStep EndIdle(const IdleWatch& watch, double wallNow);
