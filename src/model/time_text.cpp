#include "model/time_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>

namespace Module1 {

namespace {

constexpr double kMinField = -32768;
constexpr double kMaxField = 32767;
constexpr double kSecondsPerHour = 3600;
constexpr size_t kMaxFieldDigits = 6;  // enough to round 32767.4 and to see 100000 fail

void AppendTwoDigits(std::string& text, int64_t value) {
    text.push_back(static_cast<char>('0' + value / 10));
    text.push_back(static_cast<char>('0' + value % 10));
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Digits before the point, leading zeros not counted.
size_t SignificantWholeDigits(std::string_view number) {
    const size_t point = std::min(number.find('.'), number.size());
    const size_t first = std::min(number.find_first_not_of('0'), point);
    return point - first;
}

// The decimal number at the start of a field, blanks ignored wherever they stand:
// an optional sign, digits, an optional point and fraction. No number at all reads as 0.
double LeadingNumber(std::string_view field) {
    std::string number;
    bool seenDigitOrPoint = false;
    bool seenPoint = false;
    for (char c : field) {
        if (IsBlank(c)) {
            continue;
        }
        if ((c == '-' || c == '+') && number.empty()) {
            number += c;
        } else if (IsDigit(c)) {
            number += c;
            seenDigitOrPoint = true;
        } else if (c == '.' && !seenPoint) {
            number += c;
            seenPoint = seenDigitOrPoint = true;
        } else {
            break;
        }
    }
    const size_t start = !number.empty() && (number[0] == '+' || number[0] == '-') ? 1 : 0;
    bool hasDigit = false;
    for (size_t i = start; i < number.size(); ++i) {
        hasDigit = hasDigit || IsDigit(number[i]);
    }
    if (!seenDigitOrPoint || !hasDigit) {
        return 0;
    }
    const double sign = number[0] == '-' ? -1 : 1;
    if (SignificantWholeDigits(std::string_view(number).substr(start)) > kMaxFieldDigits) {
        // Far beyond any field; from_chars would give up on it and leave 0 behind.
        return sign * HUGE_VAL;
    }
    double value = 0;
    // Only a fraction too small for a double can fail now: it reads as 0.
    std::from_chars(number.data() + start, number.data() + number.size(), value);
    return sign * value;
}

double FieldValue(std::string_view field) {
    const double rounded = std::nearbyint(LeadingNumber(field));  // half to even
    if (!(rounded >= kMinField && rounded <= kMaxField)) {
        throw TimeOverflow("time field '" + std::string(field) + "' does not fit 16 bits");
    }
    return rounded;
}

// Takes the field after the last ":" off the text; without ":", the whole text is the
// field and the text becomes "0", as the right-to-left reading wants.
std::string_view TakeField(std::string_view& text) {
    const size_t colon = text.rfind(':');
    if (colon == std::string_view::npos) {
        const std::string_view field = text;
        text = "0";
        return field;
    }
    const std::string_view field = text.substr(colon + 1);
    text = text.substr(0, colon);
    return field;
}

}  // namespace

std::string FormatTime(double seconds, bool showSeconds) {
    // Whole seconds first: floor(t / 3600) equals floor(floor(t) / 3600), and working in
    // integers keeps -1e-17 from turning into "-1:60:00".
    const double whole = std::floor(seconds);
    if (!(whole >= kMinField * kSecondsPerHour && whole < (kMaxField + 1) * kSecondsPerHour)) {
        throw TimeOverflow("time value " + std::to_string(seconds) + " s does not fit 32767 hours");
    }
    const auto total = static_cast<int64_t>(whole);
    int64_t hours = total / 3600;
    if (total % 3600 < 0) {
        --hours;
    }
    const int64_t rest = total - hours * 3600;
    std::string text = std::to_string(hours);
    text.push_back(':');
    AppendTwoDigits(text, rest / 60);
    if (showSeconds) {
        text.push_back(':');
        AppendTwoDigits(text, rest % 60);
    }
    return text;
}

double ParseTime(std::string_view text) {
    std::string_view rest = text;
    const double seconds = FieldValue(TakeField(rest));
    const double minutes = FieldValue(TakeField(rest));
    const double hours = FieldValue(TakeField(rest));
    return hours * 3600 + minutes * 60 + seconds;
}

}  // namespace Module1
