#include "tracking/booked_time.h"

#include "model/time_text.h"

using Module1::FormatTime;
using Module1::ParseTime;
using Module1::TimeOverflow;

ShownTime ShowStoredTime(std::string_view stored) {
    try {
        const double seconds = ParseTime(stored);
        return {FormatTime(seconds, true), seconds};
    } catch (const TimeOverflow&) {
        return {std::string(stored), std::nullopt};
    }
}

PaneTimeTexts PaneTimeTextsOf(std::string_view taskTime, std::string_view subtaskTime) {
    const ShownTime task = ShowStoredTime(taskTime);
    const ShownTime subtask = ShowStoredTime(subtaskTime);
    PaneTimeTexts texts{task.text, subtask.text, std::string(), task.seconds && subtask.seconds};
    if (texts.fits) {
        try {
            texts.total = FormatTime(*task.seconds + *subtask.seconds, true);
        } catch (const TimeOverflow&) {
            // Each fits on its own but the sum passes 32767 hours: no total to show.
        }
    }
    return texts;
}
