#include "tracking/elapsed.h"

#include <cmath>

namespace {

constexpr double kSecondsPerDay = 86400;
constexpr double kLastHourStarts = 82800;  // 23:00
constexpr double kFirstHourEnds = 3600;    // 01:00

}  // namespace

TickMeasure MeasureTick(double reference, double now) {
    double elapsed = std::floor(now - reference);
    if (elapsed < 0 && reference > kLastHourStarts && now < kFirstHourEnds) {
        elapsed += kSecondsPerDay;
    }
    if (elapsed < 0) {
        elapsed = 0;  // lowering the stored times would be worse than losing the step
    }
    return {elapsed, std::floor(now)};
}
