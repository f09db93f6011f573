#pragma once
// What a project file must be beyond what pugixml itself checks. pugixml is lenient: it
// skips text outside the top-level element, accepts several top-level elements, leaves an
// unknown entity as literal text (a save would then escape it) and stops quietly at a NUL
// byte. A document is accepted only when a save writes back what the file meant.

#include <pugixml.hpp>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace XmlChecks {

// The parse options a project file is read with: references are left as written (so that
// ExpandReferences can refuse the ones pugixml would keep as text), and comments, processing
// instructions, the document type and whitespace inside elements are kept so that a save
// writes them back.
inline constexpr unsigned kParseOptions =
    (pugi::parse_default & ~pugi::parse_escapes) | pugi::parse_fragment | pugi::parse_ws_pcdata |
    pugi::parse_comments | pugi::parse_pi | pugi::parse_doctype | pugi::parse_declaration;

// Where something went wrong, and what.
struct Problem {
    size_t offset;  // byte offset in the file
    std::string what;
};

// 1-based line and column (in characters) of a byte offset; LF, CR LF and a lone CR each
// end a line.
struct TextPosition {
    size_t line = 1;
    size_t column = 1;
};
TextPosition PositionAt(std::string_view text, size_t offset);

// The first byte that is not well-formed UTF-8 (overlong forms and surrogates included) or
// a control character that XML text may not hold (anything below U+0020 but tab, LF and CR);
// none when the text is clean. A byte-order mark of UTF-16 or UTF-32 is named as such.
std::optional<Problem> FindBadCharacter(std::string_view text);

// The text with the five predefined entities and character references replaced by what
// they stand for; a Problem (offset within `raw`) for a reference to anything else, a
// malformed reference, a bare "&", or a character reference to NUL, a surrogate or beyond
// U+10FFFF.
struct Expanded {
    std::string text;
    std::optional<Problem> problem;
};
Expanded ExpandReferences(std::string_view raw);

// Checks a document parsed with kParseOptions from `buffer` (pugixml's in-place buffer, so
// that offsets can be taken from value pointers) and expands its references in place:
// exactly one top-level element, nothing but whitespace, comments, processing instructions,
// one leading declaration (version 1.0, UTF-8) and one document type before it around it,
// no duplicate attributes, no "<" in attribute values, no "--" in comments. Whitespace at
// document level is dropped. Walks the tree without recursion.
std::optional<Problem> CheckDocument(pugi::xml_document& document, const char* buffer, size_t size);

}  // namespace XmlChecks
