#include "model/time_sums.h"

#include <cstring>

#include "model/time_text.h"

using Module1::FormatTime;
using Module1::ParseTime;
using Module1::TimeOverflow;

namespace {

double StoredSeconds(pugi::xml_node element, const char* attribute) {
    return ParseTime(element.attribute(attribute).value());
}

std::string NameOf(pugi::xml_node element) {
    return element.attribute("name").value();
}

bool SameTime(const TimeChange& a, const TimeChange& b) {
    return a.element == b.element && std::strcmp(a.attribute, b.attribute) == 0;
}

// Adds up the changes that touch the same stored time. Chains are short, so a quadratic
// pass is cheaper than any map.
std::vector<TimeChange> Merged(const std::vector<TimeChange>& changes) {
    std::vector<TimeChange> merged;
    for (const TimeChange& change : changes) {
        bool found = false;
        for (TimeChange& existing : merged) {
            if (SameTime(existing, change)) {
                existing.seconds += change.seconds;
                found = true;
                break;
            }
        }
        if (!found) {
            merged.push_back(change);
        }
    }
    return merged;
}

std::string AttributeName(const char* attribute) {
    return std::strcmp(attribute, "task_time") == 0 ? "task time" : "subtask time";
}

// Appending rather than chaining `+`: g++ 12 at -O3 warns falsely about the chain.
std::string Quoted(const std::string& name) {
    return std::string("'").append(name).append("'");
}

// "the subtask time "1:00:00" of 'Design'", a long stored text cut short.
std::string Describe(const TimeChange& change, std::string_view stored) {
    std::string text("the ");
    text.append(AttributeName(change.attribute)).append(" \"").append(stored.substr(0, 20));
    text.append(stored.size() > 20 ? "...\" of " : "\" of ").append(Quoted(NameOf(change.element)));
    return text;
}

}  // namespace

std::vector<TimeChange> BookingChanges(pugi::xml_node element, double seconds) {
    std::vector<TimeChange> changes{{element, "task_time", seconds}};
    AddAncestorChanges(changes, element.parent(), seconds);
    return changes;
}

void AddAncestorChanges(std::vector<TimeChange>& changes, pugi::xml_node first, double seconds) {
    for (pugi::xml_node above = first; above.type() == pugi::node_element; above = above.parent()) {
        changes.push_back({above, "subtask_time", seconds});
    }
}

std::optional<TimeRefusal> ApplyTimeChanges(std::vector<TimeChange> changes) {
    changes = Merged(changes);
    std::vector<std::string> texts;
    texts.reserve(changes.size());
    for (const TimeChange& change : changes) {
        const char* stored = change.element.attribute(change.attribute).value();
        const std::string what = Describe(change, stored);
        double before = 0;
        try {
            before = ParseTime(stored);
        } catch (const TimeOverflow&) {
            return TimeRefusal{change.element, what + " does not fit 32767 hours"};
        }
        try {
            texts.push_back(FormatTime(before + change.seconds, true));
        } catch (const TimeOverflow&) {
            return TimeRefusal{
                change.element,
                what + " cannot take " +
                    FormatTime(change.seconds, true).append(" more within 32767 hours")};
        }
    }
    for (size_t i = 0; i < changes.size(); ++i) {
        pugi::xml_attribute attribute = changes[i].element.attribute(changes[i].attribute);
        if (!attribute) {
            attribute = changes[i].element.append_attribute(changes[i].attribute);
        }
        attribute.set_value(texts[i].c_str());
    }
    return std::nullopt;
}

std::optional<double> WholeTimeOf(pugi::xml_node element) {
    try {
        return StoredSeconds(element, "task_time") + StoredSeconds(element, "subtask_time");
    } catch (const TimeOverflow&) {
        return std::nullopt;
    }
}
