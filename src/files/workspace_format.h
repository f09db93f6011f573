#pragma once
// The workspace file: one record per project file, a double quote, the full path, a double
// quote, CR LF. No header, no escaping; a workspace without projects is an empty file.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The bytes of a workspace listing the paths in order, or, when a path cannot be held by a
// record (it contains a double quote or a line break, which the format cannot escape), no
// bytes and that path in `unwritable`.
struct WorkspaceText {
    std::string bytes;
    std::optional<std::string> unwritable;
};
WorkspaceText WorkspaceRecords(const std::vector<std::string>& paths);

// The fields of a workspace file, in order: leading blanks are skipped; a field that starts
// with a double quote runs to the next one (the quotes dropped) and the rest of its line up
// to a comma or the line end is skipped; any other field runs to the next comma or line end,
// trailing blanks dropped. Empty fields (blank lines) name no file and are left out.
std::vector<std::string> ReadWorkspaceFields(std::string_view bytes);
