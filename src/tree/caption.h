#pragma once
// What a node shows: its caption in the tree and its three times in the detail pane.

#include <pugixml.hpp>
#include <string>

struct CaptionFlags {
    bool showTime = false;      // TT_ShowTime
    bool showTotalTime = true;  // TT_ShowTotalTime
    bool showSeconds = false;   // TT_ShowSec
};

// The caption of the element: its name, and with showTime its task time (plus its subtask
// time with showTotalTime) in parentheses, as "h:mm:ss" with showSeconds, else "h:mm".
std::string NodeCaption(pugi::xml_node element, const CaptionFlags& flags);

// The detail pane's three time fields, each "h:mm:ss".
struct PaneTimes {
    std::string task;
    std::string subtask;
    std::string total;
};
PaneTimes PaneTimesOf(pugi::xml_node element);
