#pragma once
// Changing stored times along a chain of elements, all of them or none.

#include <optional>
#include <pugixml.hpp>
#include <string>
#include <vector>

// Seconds to add to one stored time: `attribute` is "task_time" or "subtask_time".
struct TimeChange {
    pugi::xml_node element;
    const char* attribute;
    double seconds;
};

// Why a set of changes was refused: the element whose time could not take them, and a
// sentence naming it and the time.
struct TimeRefusal {
    pugi::xml_node element;
    std::string reason;
};

// `seconds` on the element's own time and on the subtask time of every element above it,
// up to and including the project: what a tick books.
std::vector<TimeChange> BookingChanges(pugi::xml_node element, double seconds);
// `seconds` on the subtask time of `first` and of every element above it.
void AddAncestorChanges(std::vector<TimeChange>& changes, pugi::xml_node first, double seconds);

// Makes every change, or none: when a stored text does not parse or a result would pass
// 32767 hours, nothing is written and the first such element is returned. Changes to the
// same time are added up first, so a move within one project nets out on shared ancestors.
std::optional<TimeRefusal> ApplyTimeChanges(std::vector<TimeChange> changes);

// The element's whole time, its own plus its subtask time; nothing when either does not
// parse.
std::optional<double> WholeTimeOf(pugi::xml_node element);
