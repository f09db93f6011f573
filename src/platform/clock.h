#pragma once
// The clocks the time accounting reads.

class Clock {
  public:
    virtual ~Clock() = default;
    // Seconds since local midnight, with a fraction: only for telling the person when
    // something happened. It jumps at midnight, at a daylight-saving switch and whenever
    // the clock is set, so nothing is ever measured with it.
    virtual double SecondsSinceMidnight() = 0;
    // Seconds on a clock that only moves forward and keeps counting while the computer is
    // suspended, from an arbitrary origin: every elapsed time is measured on it, and a
    // suspend shows up as a long gap between two readings.
    virtual double MonotonicSeconds() = 0;
};

class SystemClock : public Clock {
  public:
    double SecondsSinceMidnight() override;
    double MonotonicSeconds() override;

  private:
    long long zoneReadAt_ = -1000;  // wall-clock second the time zone was last read
};
