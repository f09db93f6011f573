#include "tree/caption.h"

#include <optional>

#include "model/time_text.h"
#include "model/xml.h"

using Module1::FormatTime;
using Module1::ParseTime;
using Module1::TimeOverflow;

namespace {

// The two stored times of an element, read the way every reader of them does.
struct StoredTimes {
    std::string task;
    std::string subtask;
};

StoredTimes StoredTimesOf(pugi::xml_node element) {
    return {XML::NodeText(XML::ResolvePath(element, "@task_time"), ""),
            XML::NodeText(XML::ResolvePath(element, "@subtask_time"), "")};
}

std::string Beyond(const std::string& what) {
    return what + " is over 32767 hours; shown and kept as stored";
}

std::string Quoted(const char* attribute, const std::string& text) {
    return std::string(attribute) + " \"" + text + "\"";
}

// Seconds of a stored time, or none when it does not fit; `overflow` then says which.
std::optional<double> SecondsOf(const std::string& text, const char* attribute,
                                std::string& overflow) {
    try {
        return ParseTime(text);
    } catch (const TimeOverflow&) {
        overflow = Beyond(Quoted(attribute, text));
        return std::nullopt;
    }
}

std::optional<std::string> Formatted(double seconds, bool showSeconds) {
    try {
        return FormatTime(seconds, showSeconds);
    } catch (const TimeOverflow&) {
        return std::nullopt;
    }
}

// A stored time as the pane shows it, "h:mm:ss", or none when it does not fit.
std::optional<std::string> PaneField(const std::string& text, const char* attribute,
                                     std::string& overflow) {
    const std::optional<double> seconds = SecondsOf(text, attribute, overflow);
    std::optional<std::string> shown = seconds ? Formatted(*seconds, true) : std::nullopt;
    if (seconds && !shown) {
        overflow = Beyond(Quoted(attribute, text));
    }
    return shown;
}

// What stands in for a time that cannot be shown: the stored texts as they are.
std::string AsStored(const std::string& task, const std::string& subtask) {
    if (task.empty() || subtask.empty()) {
        return task + subtask;
    }
    return task + " + " + subtask;
}

}  // namespace

std::string NodeCaption(pugi::xml_node element, const DisplayFlags& flags, std::string* overflow) {
    std::string caption = XML::ResolvePath(element, "@name").text();
    if (!flags.TT_ShowTime) {
        return caption;
    }
    const StoredTimes stored = StoredTimesOf(element);
    std::string problem;
    std::optional<double> seconds = SecondsOf(stored.task, "task_time", problem);
    if (flags.TT_ShowTotalTime) {
        const std::optional<double> subtask = SecondsOf(stored.subtask, "subtask_time", problem);
        seconds = seconds && subtask ? std::optional(*seconds + *subtask) : std::nullopt;
    }
    std::optional<std::string> time =
        seconds ? Formatted(*seconds, flags.TT_ShowSec) : std::nullopt;
    if (seconds && !time) {
        problem = Beyond(flags.TT_ShowTotalTime ? "task_time plus subtask_time"
                                                : Quoted("task_time", stored.task));
    }
    if (!time) {
        time = flags.TT_ShowTotalTime ? AsStored(stored.task, stored.subtask) : stored.task;
        if (overflow != nullptr) {
            *overflow = problem;
        }
    }
    return caption + " (" + *time + ")";
}

PaneTimes PaneTimesOf(pugi::xml_node element) {
    const StoredTimes stored = StoredTimesOf(element);
    PaneTimes times;
    const std::optional<std::string> task = PaneField(stored.task, "task_time", times.overflow);
    const std::optional<std::string> subtask =
        PaneField(stored.subtask, "subtask_time", times.overflow);
    times.task = task.value_or(stored.task);
    times.subtask = subtask.value_or(stored.subtask);
    std::optional<std::string> total;
    if (task && subtask) {
        // The total is the sum of what the two fields show, as the person reads them.
        total = Formatted(ParseTime(*task) + ParseTime(*subtask), true);
        if (!total) {
            times.overflow = Beyond("task_time plus subtask_time");
        }
    }
    times.total = total.value_or(AsStored(stored.task, stored.subtask));
    return times;
}
