#include "files/workspace_format.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

// Moves past one line end: CR LF, a lone LF or a lone CR.
size_t SkipLineEnd(std::string_view bytes, size_t at) {
    if (at < bytes.size() && bytes[at] == '\r') {
        ++at;
    }
    if (at < bytes.size() && bytes[at] == '\n') {
        ++at;
    }
    return at;
}

// Moves past the separator that ends a field: a comma, or a line end.
size_t SkipSeparator(std::string_view bytes, size_t at) {
    if (at < bytes.size() && bytes[at] == ',') {
        return at + 1;
    }
    return SkipLineEnd(bytes, at);
}

}  // namespace

WorkspaceText WorkspaceRecords(const std::vector<std::string>& paths) {
    WorkspaceText text;
    for (const std::string& path : paths) {
        if (path.find_first_of("\"\r\n") != std::string::npos) {
            return {{}, path};
        }
        text.bytes += '"' + path + "\"\r\n";
    }
    return text;
}

std::vector<std::string> ReadWorkspaceFields(std::string_view bytes) {
    std::vector<std::string> fields;
    size_t at = 0;
    while (at < bytes.size()) {
        while (at < bytes.size() && IsBlank(bytes[at])) {
            ++at;
        }
        std::string field;
        if (at < bytes.size() && bytes[at] == '"') {
            const size_t close = bytes.find('"', at + 1);
            const size_t end = close == std::string_view::npos ? bytes.size() : close;
            field = bytes.substr(at + 1, end - at - 1);
            at = end == bytes.size() ? end : end + 1;
            while (at < bytes.size() && bytes[at] != ',' && !IsLineEnd(bytes[at])) {
                ++at;
            }
        } else {
            const size_t start = at;
            while (at < bytes.size() && bytes[at] != ',' && !IsLineEnd(bytes[at])) {
                ++at;
            }
            size_t end = at;
            while (end > start && IsBlank(bytes[end - 1])) {
                --end;
            }
            field = bytes.substr(start, end - start);
        }
        at = SkipSeparator(bytes, at);
        if (!field.empty()) {
            fields.push_back(std::move(field));
        }
    }
    return fields;
}
