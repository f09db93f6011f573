#pragma once
// The time of day, for the time accounting.

class Clock {
  public:
    virtual ~Clock() = default;
    // Seconds since midnight, with a fraction. Read in UTC: local time jumps an hour at a
    // daylight-saving switch, which would book a phantom hour or lose one.
    virtual double SecondsSinceMidnight() = 0;
};

class SystemClock : public Clock {
  public:
    double SecondsSinceMidnight() override;
};
