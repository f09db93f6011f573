#pragma once
// What a node shows: its caption in the tree and its three times in the detail pane.

#include <pugixml.hpp>
#include <string>

// What tree captions show: a time at all; task plus subtask time rather than task time;
// seconds. The options dialog sets them, the settings keep them.
struct DisplayFlags {
    bool TT_ShowTime = false;
    bool TT_ShowTotalTime = true;
    bool TT_ShowSec = false;
    bool operator==(const DisplayFlags&) const = default;
};

// The caption of the element: its name, and with TT_ShowTime its task time (plus its subtask
// time with TT_ShowTotalTime) in parentheses, as "h:mm:ss" with TT_ShowSec, else "h:mm".
// Never throws: when a stored time cannot be read or the sum cannot be written (more than
// 32767 hours), the parentheses hold the stored text(s) as they are, joined by " + ", and
// `overflow` (when given) receives a description of the bad value; else it is left alone.
std::string NodeCaption(pugi::xml_node element, const DisplayFlags& flags,
                        std::string* overflow = nullptr);

// The detail pane's three time fields, each "h:mm:ss". A stored time that does not fit is
// shown as it is stored (the total then as the stored texts joined by " + "), and
// `overflow` describes it; `overflow` is empty when every time fit.
struct PaneTimes {
    std::string task;
    std::string subtask;
    std::string total;
    std::string overflow;
};
PaneTimes PaneTimesOf(pugi::xml_node element);
