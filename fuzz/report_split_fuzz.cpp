// The report arithmetic over any 64-bit start, offset and length of a period, in zones with
// odd days (23, 25 and 23.5 hours, a day skipped): the split covers exactly the part of the
// period that lies in the range, day by day, and nothing overflows. Then the same numbers
// go through a timesheet and both CSVs as a file's periods would.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "fuzz_target.h"
#include "history/report.h"
#include "history/sessions.h"

namespace {

// The input's fields, taken from its front; zeros once it runs out.
class Fields {
  public:
    Fields(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    template <typename Number>
    Number Take() {
        Number value{};
        const size_t taken = std::min(sizeof value, size_);
        std::memcpy(&value, data_, taken);
        data_ += taken;
        size_ -= taken;
        return value;
    }
    std::string Rest() const { return std::string(reinterpret_cast<const char*>(data_), size_); }

  private:
    const uint8_t* data_;
    size_t size_;
};

const QTimeZone& ZoneOf(uint8_t choice) {
    static const QTimeZone zones[] = {
        QTimeZone("UTC"),
        QTimeZone("Europe/Berlin"),
        QTimeZone("America/New_York"),
        QTimeZone("Pacific/Apia"),
        QTimeZone("Australia/Lord_Howe"),
        QTimeZone("Asia/Kathmandu"),
        QTimeZone("America/Santiago"),
        QTimeZone("Africa/Casablanca"),
    };
    return zones[choice % std::size(zones)];
}

void Check(bool holds) {
    if (!holds) {
        std::abort();
    }
}

// What Split gives, measured against the period's overlap with the range. A day a zone
// skips (Samoa's 30 December 2011) has no piece.
void CheckSplit(LocalDays& days, int64_t when, int offset, int64_t seconds,
                const DateRange& range) {
    const auto pieces = days.Split(when, offset, seconds, range);
    const QDate first = days.DayOf(when, offset);
    if (!first.isValid()) {
        Check(pieces.empty());
        return;
    }
    Check(days.MidnightOf(first) <= when && when < days.MidnightOf(first.addDays(1)));
    if (seconds <= 0) {
        Check(pieces.size() == (range.contains(first) ? 1u : 0u));
        Check(pieces.empty() || (pieces[0].first == first && pieces[0].second == seconds));
        return;
    }
    const int64_t end = AddSeconds(when, seconds);
    const int64_t from = std::max(when, days.MidnightOf(range.first));
    const int64_t to = std::min(end, days.MidnightOf(range.last.addDays(1)));
    int64_t sum = 0;
    for (size_t i = 0; i < pieces.size(); ++i) {
        const auto& [day, piece] = pieces[i];
        Check(range.contains(day) && (i == 0 || pieces[i - 1].first < day));
        Check(piece > 0 && piece <= days.MidnightOf(day.addDays(1)) - days.MidnightOf(day));
        sum += piece;
    }
    Check(sum == std::max<int64_t>(to - from, 0));
}

void CheckNumbers(int64_t seconds) {
    for (const RoundMode mode :
         {RoundMode::None, RoundMode::Up, RoundMode::Nearest, RoundMode::Down}) {
        for (const int minutes : kRoundingMinutes) {
            const int64_t rounded = RoundSeconds(seconds, mode, int64_t{minutes} * 60);
            Check((rounded < 0) == (seconds < 0) || rounded == 0);
        }
    }
    Check(!ClockText(seconds, true).isEmpty() && !DecimalHours(seconds).isEmpty());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Fields fields(data, size);
    const auto seconds = fields.Take<int64_t>();
    const auto when = fields.Take<int64_t>();
    const auto offset = fields.Take<int32_t>();
    const auto zone = fields.Take<uint8_t>();
    const auto shape = fields.Take<uint8_t>();
    const auto shift = fields.Take<int16_t>();
    LocalDays days(ZoneOf(zone));
    // A range of up to 128 days, near the period's start or anywhere in some 11,000 years.
    const QDate start = days.DayOf(when, offset);
    const QDate anchor = (shape & 1) != 0 && start.isValid()
                             ? start.addDays(shift % 256)
                             : QDate(1970, 1, 1).addDays(int64_t(shift) * 128);
    const DateRange range{anchor, anchor.addDays(shape >> 1)};
    CheckSplit(days, when, offset, seconds, range);
    CheckNumbers(seconds);

    // The same length on a period whose start a file gives, twice, to make the sums overflow.
    pugi::xml_document document;
    pugi::xml_node project = document.append_child("project");
    pugi::xml_node history = project.append_child("history");
    for (int copy = 0; copy < 2; ++copy) {
        pugi::xml_node session = history.append_child("session");
        session.append_attribute("start").set_value(fields.Rest().c_str());
        session.append_attribute("seconds").set_value(static_cast<long long>(seconds));
    }
    const std::vector<ReportProject> projects{{QStringLiteral("P"), project}};
    ReportOptions options;
    options.rounding = {static_cast<RoundMode>((shape >> 1) % 4), kRoundingMinutes[shape % 7],
                        static_cast<RoundScope>((shape >> 3) % 3)};
    options.decimal = (shape & 0x40) != 0;
    TimesheetCsv(BuildTimesheet(projects, range, days, options));
    SessionsCsv(projects, range, days);
    return 0;
}
