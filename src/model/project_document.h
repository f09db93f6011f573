#pragma once
// The project document: a `project` element with `task` elements nested to any depth.

#include <pugixml.hpp>

#include <memory>
#include <string_view>

// The text a new project document is loaded from.
inline constexpr std::string_view kProjectTemplate =
    R"(<?xml version="1.0" ?><project name="" completed="false" task_time="" subtask_time="">)"
    R"(<description /><history /></project>)";

// A new document loaded from the project template (declaration included).
std::unique_ptr<pugi::xml_document> NewProjectDocument();

// Whether a `completed` text means completed: "true" in any letter case.
bool IsCompletedText(std::string_view text);
