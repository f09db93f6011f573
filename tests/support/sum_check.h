#pragma once
// The invariant every booking, correction and move must keep: a subtask time is the sum of
// the whole times of the tasks below it.

#include <optional>
#include <pugixml.hpp>
#include <string>

// The first element under `top` (itself included) whose subtask time differs from the sum
// of its task children's whole times, described for a test failure; nothing when all agree.
std::optional<std::string> FindSumMismatch(pugi::xml_node top);
