#include "model/project_document.h"

std::unique_ptr<pugi::xml_document> NewProjectDocument() {
    auto document = std::make_unique<pugi::xml_document>();
    // The template is constant, so the parse result needs no check.
    document->load_buffer(kProjectTemplate.data(), kProjectTemplate.size(),
                          pugi::parse_default | pugi::parse_declaration, pugi::encoding_utf8);
    return document;
}

bool IsCompletedText(std::string_view text) {
    constexpr std::string_view kTrue = "true";
    if (text.size() != kTrue.size()) {
        return false;
    }
    for (size_t i = 0; i < text.size(); ++i) {
        const char lower = (text[i] >= 'A' && text[i] <= 'Z') ? char(text[i] - 'A' + 'a') : text[i];
        if (lower != kTrue[i]) {
            return false;
        }
    }
    return true;
}
