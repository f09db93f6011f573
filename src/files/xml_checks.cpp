#include "files/xml_checks.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <unordered_set>

namespace XmlChecks {

namespace {

constexpr size_t kNoOffset = static_cast<size_t>(-1);

size_t Plus(size_t offset, size_t delta) {
    return offset == kNoOffset ? kNoOffset : offset + delta;
}

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

std::string Hex(unsigned value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, value);
    return text;
}

// The length of the well-formed UTF-8 sequence at `at`, or 0.
size_t Utf8SequenceLength(std::string_view text, size_t at) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[at + i]); };
    const unsigned char lead = byte(0);
    size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;  // allowed range of the second byte (excludes overlong forms)
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;  // nothing beyond U+10FFFF
    } else {
        return 0;
    }
    if (at + length > text.size() || byte(1) < low || byte(1) > high) {
        return 0;
    }
    for (size_t i = 2; i < length; ++i) {
        if (!IsContinuation(byte(i))) {
            return 0;
        }
    }
    return length;
}

std::optional<Problem> WideByteOrderMark(std::string_view text) {
    const auto starts = [&](std::string_view mark) { return text.substr(0, mark.size()) == mark; };
    using namespace std::string_view_literals;
    if (starts("\x00\x00\xFE\xFF"sv) || starts("\xFF\xFE\x00\x00"sv)) {
        return Problem{0, "the file is UTF-32 text; only UTF-8 can be read"};
    }
    if (starts("\xFE\xFF"sv) || starts("\xFF\xFE"sv)) {
        return Problem{0, "the file is UTF-16 text; only UTF-8 can be read"};
    }
    return std::nullopt;
}

void AppendUtf8(std::string& out, unsigned long code) {
    if (code < 0x80) {
        out += char(code);
    } else if (code < 0x800) {
        out += char(0xC0 | (code >> 6));
        out += char(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += char(0xE0 | (code >> 12));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    } else {
        out += char(0xF0 | (code >> 18));
        out += char(0x80 | ((code >> 12) & 0x3F));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    }
}

// The code point of a character reference body ("#65", "#x41"), or 0 when it is malformed
// or out of range.
unsigned long CharacterReference(std::string_view body) {
    const bool hex = body.size() > 1 && body[1] == 'x';
    const std::string_view digits = body.substr(hex ? 2 : 1);
    if (digits.empty() || digits.size() > 8) {
        return 0;
    }
    unsigned long code = 0;
    for (char c : digits) {
        int digit = -1;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (hex && c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (hex && c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        }
        if (digit < 0) {
            return 0;
        }
        code = code * (hex ? 16 : 10) + static_cast<unsigned long>(digit);
    }
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    return (surrogate || code == 0xFFFE || code == 0xFFFF || code > 0x10FFFF) ? 0 : code;
}

// A control character XML 1.0 cannot hold. Earlier versions wrote a pasted one as a
// reference ("&#11;"); such files still load, the character read as a space, as the
// fields turn it into one when it is typed today.
bool IsForbiddenControl(unsigned long code) {
    return code < 0x20 && code != '\t' && code != '\n' && code != '\r';
}

const char* Predefined(std::string_view name) {
    static constexpr std::pair<std::string_view, const char*> kEntities[] = {
        {"lt", "<"}, {"gt", ">"}, {"amp", "&"}, {"apos", "'"}, {"quot", "\""}};
    for (const auto& [entity, text] : kEntities) {
        if (name == entity) {
            return text;
        }
    }
    return nullptr;
}

// The offset of a pugixml string inside the parse buffer, or kNoOffset when it lives
// elsewhere (pugixml hands out a shared empty string for empty values).
size_t OffsetIn(const char* text, const char* buffer, size_t size) {
    const auto address = reinterpret_cast<uintptr_t>(text);
    const auto start = reinterpret_cast<uintptr_t>(buffer);
    return (address >= start && address < start + size) ? size_t(address - start) : kNoOffset;
}

class DocumentChecker {
  public:
    DocumentChecker(const char* buffer, size_t size) : buffer_(buffer), size_(size) {}

    std::optional<Problem> CheckTopLevel(pugi::xml_document& document);
    std::optional<Problem> CheckTree(pugi::xml_node root);

  private:
    size_t Offset(const char* text) const { return OffsetIn(text, buffer_, size_); }
    // Where a node starts: its name, else its value, else the best earlier guess.
    size_t Offset(pugi::xml_node node) const {
        size_t offset = Offset(node.name());
        if (offset == kNoOffset) {
            offset = Offset(node.value());
        }
        return offset;
    }
    Problem At(size_t offset, std::string what) const {
        return Problem{offset == kNoOffset ? lastOffset_ : offset, std::move(what)};
    }
    std::optional<Problem> CheckDeclaration(pugi::xml_node declaration, bool first);
    std::optional<Problem> CheckElement(pugi::xml_node element);
    std::optional<Problem> CheckNode(pugi::xml_node node);
    std::optional<Problem> Expand(pugi::xml_node node);
    std::optional<Problem> Expand(pugi::xml_attribute attribute, size_t elementOffset);

    const char* buffer_;
    size_t size_;
    size_t lastOffset_ = 0;
};

std::optional<Problem> DocumentChecker::CheckDeclaration(pugi::xml_node declaration, bool first) {
    const size_t offset = Offset(declaration);
    // pugixml reports the name's offset, just after "<?"; a BOM may come before that.
    const bool atStart =
        offset == 2 || (offset == 5 && std::memcmp(buffer_, "\xEF\xBB\xBF", 3) == 0);
    if (!first || !atStart) {
        return At(offset, "an XML declaration is allowed only at the very start of the file");
    }
    const std::string_view version = declaration.attribute("version").value();
    if (version != "1.0") {
        return At(offset, "the XML declaration names version '" + std::string(version) +
                              "'; only version 1.0 can be read");
    }
    std::string encoding = declaration.attribute("encoding").value();
    std::transform(encoding.begin(), encoding.end(), encoding.begin(),
                   [](unsigned char c) { return char(std::toupper(c)); });
    if (!encoding.empty() && encoding != "UTF-8") {
        return At(offset, "the file declares the encoding '" +
                              std::string(declaration.attribute("encoding").value()) +
                              "'; only UTF-8 can be read");
    }
    return std::nullopt;
}

std::optional<Problem> DocumentChecker::CheckTopLevel(pugi::xml_document& document) {
    pugi::xml_node element;
    bool sawDoctype = false;
    for (pugi::xml_node node = document.first_child(); node;) {
        const pugi::xml_node next = node.next_sibling();
        const size_t offset = Offset(node);
        switch (node.type()) {
            case pugi::node_declaration:
                if (auto problem = CheckDeclaration(node, node == document.first_child())) {
                    return problem;
                }
                break;
            case pugi::node_doctype:
                if (sawDoctype || element) {
                    return At(offset,
                              "a document type declaration must come once, before the "
                              "top-level element");
                }
                sawDoctype = true;
                break;
            case pugi::node_element:
                if (element) {
                    return At(offset, "more than one top-level element ('" +
                                          std::string(element.name()) + "' and '" +
                                          std::string(node.name()) + "')");
                }
                element = node;
                break;
            case pugi::node_pcdata:
            case pugi::node_cdata: {
                const std::string_view text = node.value();
                const size_t visible = text.find_first_not_of(" \t\r\n");
                if (node.type() == pugi::node_cdata) {
                    return At(offset, "text outside the top-level element");
                }
                if (visible != std::string_view::npos) {
                    return At(Plus(offset, visible), "text outside the top-level element");
                }
                document.remove_child(node);  // line breaks between the parts of the file
                break;
            }
            default:  // comments and processing instructions stay where they are
                break;
        }
        node = next;
    }
    if (!element) {
        return Problem{0, "the file holds no XML element"};
    }
    return std::nullopt;
}

std::optional<Problem> DocumentChecker::Expand(pugi::xml_attribute attribute,
                                               size_t elementOffset) {
    const std::string_view raw = attribute.value();
    if (raw.find_first_of("&<") == std::string_view::npos) {
        return std::nullopt;
    }
    size_t offset = Offset(attribute.value());
    offset = offset == kNoOffset ? elementOffset : offset;
    if (const size_t lt = raw.find('<'); lt != std::string_view::npos) {
        return At(Plus(offset, lt),
                  "'<' in the value of attribute '" + std::string(attribute.name()) + "'");
    }
    Expanded expanded = ExpandReferences(raw);
    if (expanded.problem) {
        return At(Plus(offset, expanded.problem->offset), expanded.problem->what);
    }
    attribute.set_value(expanded.text.c_str());
    return std::nullopt;
}

std::optional<Problem> DocumentChecker::Expand(pugi::xml_node node) {
    const std::string_view raw = node.value();
    if (raw.find('&') == std::string_view::npos) {
        return std::nullopt;
    }
    Expanded expanded = ExpandReferences(raw);
    if (expanded.problem) {
        return At(Plus(Offset(node), expanded.problem->offset), expanded.problem->what);
    }
    node.set_value(expanded.text.c_str());
    return std::nullopt;
}

std::optional<Problem> DocumentChecker::CheckElement(pugi::xml_node element) {
    const size_t offset = Offset(element);
    // Attributes are few; past a handful a set keeps a crafted element from costing n².
    size_t count = 0;
    std::unordered_set<std::string_view> seen;
    for (pugi::xml_attribute attribute : element.attributes()) {
        const std::string_view name = attribute.name();
        bool duplicate = false;
        if (++count <= 8) {
            for (pugi::xml_attribute before = element.first_attribute(); before != attribute;
                 before = before.next_attribute()) {
                duplicate = duplicate || name == before.name();
            }
        } else {
            if (seen.empty()) {
                for (pugi::xml_attribute before = element.first_attribute(); before != attribute;
                     before = before.next_attribute()) {
                    seen.insert(before.name());
                }
            }
            duplicate = !seen.insert(name).second;
        }
        if (duplicate) {
            return At(offset, "attribute '" + std::string(name) + "' appears twice in element '" +
                                  element.name() + "'");
        }
        if (auto problem = Expand(attribute, offset)) {
            return problem;
        }
    }
    return std::nullopt;
}

std::optional<Problem> DocumentChecker::CheckNode(pugi::xml_node node) {
    const size_t offset = Offset(node);
    if (offset != kNoOffset) {
        lastOffset_ = offset;
    }
    switch (node.type()) {
        case pugi::node_element:
            return CheckElement(node);
        case pugi::node_pcdata:
            return Expand(node);
        case pugi::node_comment: {
            const std::string_view text = node.value();
            if (text.find("--") != std::string_view::npos ||
                (!text.empty() && text.back() == '-')) {
                return At(offset, "'--' inside a comment");
            }
            return std::nullopt;
        }
        default:
            return std::nullopt;
    }
}

// Pre-order over the whole tree with an explicit walk: files can nest without limit.
std::optional<Problem> DocumentChecker::CheckTree(pugi::xml_node root) {
    pugi::xml_node node = root;
    while (node) {
        if (auto problem = CheckNode(node)) {
            return problem;
        }
        if (node.first_child()) {
            node = node.first_child();
            continue;
        }
        while (node && node != root && !node.next_sibling()) {
            node = node.parent();
        }
        node = (node && node != root) ? node.next_sibling() : pugi::xml_node();
    }
    return std::nullopt;
}

}  // namespace

TextPosition PositionAt(std::string_view text, size_t offset) {
    TextPosition position;
    offset = std::min(offset, text.size());
    for (size_t i = 0; i < offset; ++i) {
        const char c = text[i];
        if (c == '\n' || (c == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n'))) {
            ++position.line;
            position.column = 1;
        } else if (c != '\r' && !IsContinuation(static_cast<unsigned char>(c))) {
            ++position.column;
        }
    }
    return position;
}

namespace {

// Where the run of printable ASCII from `at` may end, taken eight bytes at a time: that is
// nearly all of a project file, and a byte at a time was a twentieth of a start.
size_t SkipPrintableAscii(std::string_view text, size_t at) {
    constexpr uint64_t kHighBits = 0x8080808080808080ULL;
    constexpr uint64_t kSpaces = 0x2020202020202020ULL;
    for (uint64_t word = 0; at + sizeof word <= text.size(); at += sizeof word) {
        std::memcpy(&word, text.data() + at, sizeof word);
        // A byte of 0x80 or above, or (when there is none) one below 0x20.
        if (((word | ((word - kSpaces) & ~word)) & kHighBits) != 0) {
            break;
        }
    }
    return at;
}

}  // namespace

std::optional<Problem> FindBadCharacter(std::string_view text) {
    if (auto problem = WideByteOrderMark(text)) {
        return problem;
    }
    for (size_t at = SkipPrintableAscii(text, 0); at < text.size();) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (byte >= 0x20 && byte < 0x80) {
            at = SkipPrintableAscii(text, at + 1);
        } else if (byte == '\t' || byte == '\n' || byte == '\r') {
            at = SkipPrintableAscii(text, at + 1);
        } else if (byte < 0x20) {
            return Problem{at, "control character U+" + Hex(byte, 4) + " in the file"};
        } else if (const size_t length = Utf8SequenceLength(text, at)) {
            at += length;
        } else {
            return Problem{at, "byte 0x" + Hex(byte, 2) + " is not valid UTF-8"};
        }
    }
    return std::nullopt;
}

Expanded ExpandReferences(std::string_view raw) {
    Expanded result;
    result.text.reserve(raw.size());
    for (size_t at = 0; at < raw.size();) {
        const size_t amp = raw.find('&', at);
        result.text.append(raw.substr(at, amp == std::string_view::npos ? raw.npos : amp - at));
        if (amp == std::string_view::npos) {
            break;
        }
        const size_t semicolon = raw.find(';', amp);
        const std::string_view body =
            raw.substr(amp + 1, semicolon == std::string_view::npos ? 0 : semicolon - amp - 1);
        if (semicolon == std::string_view::npos || body.empty() || body.size() > 32) {
            result.problem = Problem{amp, "'&' that does not begin a reference (write &amp;)"};
            return result;
        }
        if (body.front() == '#') {
            const unsigned long code = CharacterReference(body);
            if (code == 0) {
                result.problem =
                    Problem{amp, "invalid character reference '&" + std::string(body) + ";'"};
                return result;
            }
            AppendUtf8(result.text, IsForbiddenControl(code) ? ' ' : code);
        } else if (const char* text = Predefined(body)) {
            result.text += text;
        } else {
            result.problem = Problem{amp, "undefined entity '&" + std::string(body) + ";'"};
            return result;
        }
        at = semicolon + 1;
    }
    return result;
}

std::optional<Problem> CheckDocument(pugi::xml_document& document, const char* buffer,
                                     size_t size) {
    DocumentChecker checker(buffer, size);
    if (auto problem = checker.CheckTopLevel(document)) {
        return problem;
    }
    return checker.CheckTree(document);
}

}  // namespace XmlChecks
