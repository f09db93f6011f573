#pragma once
// Stored times as the detail pane shows them.

#include <optional>
#include <string>
#include <string_view>

// A stored time as a pane field shows it: "h:mm:ss", or the stored text unchanged when it
// does not fit, with no seconds to add up.
struct ShownTime {
    std::string text;
    std::optional<double> seconds;
};
ShownTime ShowStoredTime(std::string_view stored);

// The three time fields of the detail pane. `total` is empty when either time does not fit,
// or their sum does not; `fits` tells whether both stored times could be read.
struct PaneTimeTexts {
    std::string task;
    std::string subtask;
    std::string total;
    bool fits = true;
};
PaneTimeTexts PaneTimeTextsOf(std::string_view taskTime, std::string_view subtaskTime);
