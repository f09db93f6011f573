#include "files/recovery_journal.h"

#include <algorithm>
#include <charconv>
#include <vector>

#include "files/xml_file.h"
#include "history/sessions.h"
#include "model/time_text.h"

namespace Recovery {

namespace {

constexpr std::string_view kSnapshotMagic = "horavel-recovery 1 ";

// Fields are separated by spaces and lines by line feeds, so both (and the escape itself)
// are written as %XX inside a field; an empty field is "%".
std::string Escape(std::string_view text) {
    if (text.empty()) {
        return "%";
    }
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= ' ' || c == '%') {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        } else {
            out += c;
        }
    }
    return out;
}

std::string Unescape(std::string_view field) {
    if (field == "%") {
        return {};
    }
    std::string out;
    for (size_t i = 0; i < field.size(); ++i) {
        unsigned value = 0;
        if (field[i] == '%' && i + 2 < field.size() &&
            std::from_chars(field.data() + i + 1, field.data() + i + 3, value, 16).ec ==
                std::errc()) {
            out += static_cast<char>(value);
            i += 2;
        } else {
            out += field[i];
        }
    }
    return out;
}

std::vector<std::string_view> Split(std::string_view line) {
    std::vector<std::string_view> fields;
    while (!line.empty()) {
        const size_t space = line.find(' ');
        fields.push_back(line.substr(0, space));
        if (space == std::string_view::npos) {
            break;
        }
        line.remove_prefix(space + 1);
    }
    return fields;
}

template <typename Number>
bool ReadNumber(std::string_view text, Number& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

void SetAttribute(pugi::xml_node element, const char* name, const std::string& value) {
    pugi::xml_attribute attribute = element.attribute(name);
    if (!attribute && value.empty()) {
        return;  // an absent attribute reads as empty: nothing to write
    }
    if (!attribute) {
        attribute = element.append_attribute(name);
    }
    attribute.set_value(value.c_str());
}

// The element at the place, if the document still has one there.
pugi::xml_node ElementAt(pugi::xml_node project, std::string_view place) {
    pugi::xml_node element = project;
    if (place == "-") {
        return element;
    }
    size_t start = 0;
    while (start <= place.size()) {
        const size_t dot = std::min(place.find('.', start), place.size());
        size_t index = 0;
        if (!ReadNumber(place.substr(start, dot - start), index)) {
            return {};
        }
        pugi::xml_node child = element.child("task");
        for (; child && index > 0; --index) {
            child = child.next_sibling("task");
        }
        if (!child) {
            return {};
        }
        element = child;
        start = dot + 1;
    }
    return element;
}

// The elements from the project down to the given one.
double TaskTimeOf(pugi::xml_node element) {
    try {
        return Module1::ParseTime(element.attribute("task_time").value());
    } catch (const Module1::TimeOverflow&) {
        return 0;
    }
}

// The timed element's newest period grows by what the journal books, so that its periods
// still add up to its time once restored.
void ExtendNewestPeriod(pugi::xml_node element, double seconds) {
    const std::vector<Session> sessions = ReadSessions(element);
    if (seconds != 0 && !sessions.empty()) {
        SetSessionSeconds(sessions.back().node, sessions.back().seconds + int64_t(seconds));
    }
}

std::vector<pugi::xml_node> ChainDownTo(pugi::xml_node element) {
    std::vector<pugi::xml_node> chain;
    for (; element.type() == pugi::node_element; element = element.parent()) {
        chain.push_back(element);
    }
    std::reverse(chain.begin(), chain.end());
    return chain;
}

}  // namespace

std::string SnapshotBytes(const pugi::xml_document& document, int generation, int64_t changedMs) {
    return std::string(kSnapshotMagic) + std::to_string(generation) + ' ' +
           std::to_string(changedMs) + '\n' + XmlFile::Serialize(document);
}

Snapshot ParseSnapshot(std::string_view bytes) {
    Snapshot snapshot;
    const size_t end = bytes.find('\n');
    if (!bytes.starts_with(kSnapshotMagic) || end == std::string_view::npos) {
        return snapshot;
    }
    const auto header = Split(bytes.substr(kSnapshotMagic.size(), end - kSnapshotMagic.size()));
    if (header.size() != 2 || !ReadNumber(header[0], snapshot.generation) ||
        !ReadNumber(header[1], snapshot.changedMs)) {
        return snapshot;
    }
    QString error;
    snapshot.document = XmlFile::Parse(bytes.substr(end + 1), error);
    if (snapshot.document && !snapshot.document->document_element()) {
        snapshot.document.reset();
    }
    return snapshot;
}

std::string JournalRecord(pugi::xml_node timed, int generation, int64_t atMs) {
    const std::vector<pugi::xml_node> chain = ChainDownTo(timed);
    std::string place;
    for (size_t level = 1; level < chain.size(); ++level) {
        size_t index = 0;
        for (pugi::xml_node before = chain[level].previous_sibling("task"); before;
             before = before.previous_sibling("task")) {
            ++index;
        }
        if (level > 1) {
            place += '.';
        }
        place += std::to_string(index);
    }
    std::string line = std::to_string(generation) + ' ' + std::to_string(atMs) + ' ' +
                       (place.empty() ? "-" : place) + ' ' +
                       Escape(timed.attribute("name").value());
    for (const pugi::xml_node element : chain) {
        line += ' ' + Escape(element.attribute("task_time").value());
        line += ' ' + Escape(element.attribute("subtask_time").value());
    }
    return line + '\n';
}

int64_t ReplayJournal(pugi::xml_document& document, int generation, std::string_view journal) {
    int64_t last = 0;
    const pugi::xml_node project = document.document_element();
    // A line without its line feed was cut short by the crash: left out.
    for (size_t end = journal.find('\n'); end != std::string_view::npos; end = journal.find('\n')) {
        const auto fields = Split(journal.substr(0, end));
        journal.remove_prefix(end + 1);
        int lineGeneration = 0;
        int64_t at = 0;
        if (fields.size() < 6 || fields.size() % 2 != 0 || !ReadNumber(fields[0], lineGeneration) ||
            lineGeneration != generation || !ReadNumber(fields[1], at)) {
            continue;
        }
        const pugi::xml_node timed = ElementAt(project, fields[2]);
        if (!timed || timed.attribute("name").value() != Unescape(fields[3])) {
            continue;
        }
        const std::vector<pugi::xml_node> chain = ChainDownTo(timed);
        if (fields.size() != 4 + 2 * chain.size()) {
            continue;
        }
        const double before = TaskTimeOf(timed);
        for (size_t level = 0; level < chain.size(); ++level) {
            SetAttribute(chain[level], "task_time", Unescape(fields[4 + 2 * level]));
            SetAttribute(chain[level], "subtask_time", Unescape(fields[5 + 2 * level]));
        }
        ExtendNewestPeriod(timed, TaskTimeOf(timed) - before);
        last = at;
    }
    return last;
}

double ProjectSeconds(const pugi::xml_document& document) {
    const pugi::xml_node project = document.document_element();
    try {
        return Module1::ParseTime(project.attribute("task_time").value()) +
               Module1::ParseTime(project.attribute("subtask_time").value());
    } catch (const Module1::TimeOverflow&) {
        return 0;
    }
}

}  // namespace Recovery
