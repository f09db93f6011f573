#include "tree/caption.h"

#include "model/time_text.h"
#include "model/xml.h"

using Module1::FormatTime;
using Module1::ParseTime;

std::string NodeCaption(pugi::xml_node element, const CaptionFlags& flags) {
    std::string caption = XML::ResolvePath(element, "@name").text();
    if (!flags.showTime) {
        return caption;
    }
    double seconds = ParseTime(XML::NodeText(XML::ResolvePath(element, "@task_time"), ""));
    if (flags.showTotalTime) {
        seconds += ParseTime(XML::NodeText(XML::ResolvePath(element, "@subtask_time"), ""));
    }
    return caption + " (" + FormatTime(seconds, flags.showSeconds) + ")";
}

PaneTimes PaneTimesOf(pugi::xml_node element) {
    PaneTimes times;
    times.task = FormatTime(ParseTime(XML::ResolvePath(element, "@task_time").text()), true);
    times.subtask = FormatTime(ParseTime(XML::ResolvePath(element, "@subtask_time").text()), true);
    times.total = FormatTime(ParseTime(times.task) + ParseTime(times.subtask), true);
    return times;
}
