#pragma once
// Time values: seconds in computation, "h:mm:ss" (or "h:mm") text in documents and on screen.

#include <stdexcept>
#include <string>
#include <string_view>

namespace Module1 {

// A time field or hour count that does not fit 16 bits signed, or seconds that are not a
// number. The message names the offending text or value.
struct TimeOverflow : std::range_error {
    using std::range_error::range_error;
};

// Seconds as "h:mm:ss" (showSeconds) or "h:mm". Hours are rounded towards minus infinity
// (-30 s is "-1:59:30"); fractions of a second are dropped. Covers -117964800 up to
// 117964799 seconds ("32767:59:59"); throws TimeOverflow beyond, and for NaN or infinity.
std::string FormatTime(double seconds, bool showSeconds);

// Seconds of a time text read right to left: "75" is 75 s, "1:15" is 75 s, "1:02:03" is
// 3723 s; fields beyond the third are ignored. Each field is the decimal number at its
// start (blanks ignored, a field without a number is 0), rounded half to even; empty text
// is 0. Throws TimeOverflow when a field does not fit 16 bits signed.
double ParseTime(std::string_view text);

}  // namespace Module1
