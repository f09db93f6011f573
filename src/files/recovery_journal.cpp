#include "files/recovery_journal.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <optional>
#include <vector>

#include "files/xml_checks.h"
#include "files/xml_file.h"
#include "history/report.h"
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

// The field's text, or none when an escape is not "%" and two hex digits.
std::optional<std::string> Unescape(std::string_view field) {
    if (field == "%") {
        return std::string();
    }
    std::string out;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '%') {
            out += field[i];
            continue;
        }
        unsigned value = 0;
        const char* digits = field.data() + i + 1;
        if (i + 2 >= field.size() || !std::isxdigit(static_cast<unsigned char>(digits[0])) ||
            !std::isxdigit(static_cast<unsigned char>(digits[1]))) {
            return std::nullopt;
        }
        std::from_chars(digits, digits + 2, value, 16);
        out += static_cast<char>(value);
        i += 2;
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

double TaskTimeOf(pugi::xml_node element) {
    try {
        return Module1::ParseTime(element.attribute("task_time").value());
    } catch (const Module1::TimeOverflow&) {
        return 0;
    }
}

// Lines written before periods were named in the journal: the timed element's newest
// period grows by what the line books, so that its periods still add up to its time.
// The newest timed period, never a correction: a correction made while the timer ran is
// stored after the period the timer extends.
void ExtendNewestPeriod(pugi::xml_node element, double seconds) {
    const std::vector<Session> sessions = ReadSessions(element);
    for (auto it = sessions.rbegin(); seconds != 0 && it != sessions.rend(); ++it) {
        if (!it->correction) {
            // A period's stored seconds can be any number a file held: the sum must not wrap.
            SetSessionSeconds(it->node, AddSeconds(it->seconds, int64_t(seconds)));
            return;
        }
    }
}

// The newest of the element's timed periods that began at `start`: the one a timer run
// extends (a correction made in the same second is not it).
pugi::xml_node PeriodStartingAt(pugi::xml_node element, std::string_view start) {
    return OpenSessionOf(element, QString::fromUtf8(start.data(), qsizetype(start.size())));
}

// The elements from the project down to the given one.
std::vector<pugi::xml_node> ChainDownTo(pugi::xml_node element) {
    std::vector<pugi::xml_node> chain;
    for (; element.type() == pugi::node_element; element = element.parent()) {
        chain.push_back(element);
    }
    std::reverse(chain.begin(), chain.end());
    return chain;
}

// A period's seconds as the timer can book them: no more than a time field holds.
constexpr int64_t kMostPeriodSeconds = 32767 * 3600 + 3599;

// One journal line, read and checked.
struct JournalLine {
    enum class Period { Newest, None, Named };
    int generation = 0;
    int64_t atMs = 0;
    std::string_view place;
    std::string name;
    std::vector<std::string> times;  // task_time and subtask_time, from the project down
    Period period = Period::Newest;
    std::string periodStart;
    int64_t periodSeconds = 0;
};

bool IsPlace(std::string_view place) {
    if (place == "-") {
        return true;
    }
    for (size_t start = 0; start <= place.size();) {
        const size_t dot = std::min(place.find('.', start), place.size());
        size_t index = 0;
        if (!ReadNumber(place.substr(start, dot - start), index)) {
            return false;
        }
        start = dot + 1;
    }
    return true;
}

// The field's text when it holds what an attribute of a loaded file may; else why not.
std::optional<std::string> TextOf(std::string_view field, const char* what, std::string& problem) {
    std::optional<std::string> text = Unescape(field);
    if (!text) {
        problem = std::string("a broken escape in the ") + what;
    } else if (const auto bad = XmlChecks::FindBadCharacter(*text)) {
        problem = bad->what + " in the " + what;
        text.reset();
    }
    return text;
}

std::optional<std::string> TimeOf(std::string_view field, std::string& problem) {
    std::optional<std::string> text = TextOf(field, "times", problem);
    if (!text) {
        return text;
    }
    try {
        Module1::ParseTime(*text);
    } catch (const Module1::TimeOverflow&) {
        problem = "the time \"" + *text + "\" does not fit";
        text.reset();
    }
    return text;
}

// "-", or the period's seconds, "@" and its start.
bool ReadPeriod(std::string_view field, JournalLine& line, std::string& problem) {
    if (field == "-") {
        line.period = JournalLine::Period::None;
        return true;
    }
    line.period = JournalLine::Period::Named;
    const size_t at = field.find('@');
    int64_t when = 0;
    int offset = 0;
    if (at == std::string_view::npos || !ReadNumber(field.substr(0, at), line.periodSeconds) ||
        line.periodSeconds < 0 || line.periodSeconds > kMostPeriodSeconds) {
        problem = "the period's seconds do not read";
        return false;
    }
    const std::optional<std::string> start = TextOf(field.substr(at + 1), "period", problem);
    if (!start) {
        return false;
    }
    if (!ParseSessionStart(start->c_str(), when, offset)) {
        problem = "the period's start does not read";
        return false;
    }
    line.periodStart = *start;
    return true;
}

// Reads a line as JournalRecord writes it; false, with `problem` saying why, for anything else.
bool ReadJournalLine(std::string_view text, JournalLine& line, std::string& problem) {
    const auto fields = Split(text);
    // Lines of older versions end in the times: an even count. Now the period follows.
    const bool withPeriod = fields.size() % 2 != 0;
    const size_t timeFields = fields.size() - 4 - (withPeriod ? 1 : 0);
    if (fields.size() < 6 || timeFields < 2) {
        problem = "too few fields";
        return false;
    }
    if (!ReadNumber(fields[0], line.generation) || !ReadNumber(fields[1], line.atMs) ||
        line.atMs < 0 || line.atMs > kLatestMs) {
        problem = "its generation or time does not read";
        return false;
    }
    if (!IsPlace(fields[2])) {
        problem = "its place does not read";
        return false;
    }
    line.place = fields[2];
    std::optional<std::string> name = TextOf(fields[3], "name", problem);
    if (!name) {
        return false;
    }
    line.name = std::move(*name);
    for (size_t i = 0; i < timeFields; ++i) {
        std::optional<std::string> time = TimeOf(fields[4 + i], problem);
        if (!time) {
            return false;
        }
        line.times.push_back(std::move(*time));
    }
    return !withPeriod || ReadPeriod(fields.back(), line, problem);
}

// Writes the line into the document; false, with nothing changed, when it does not fit.
bool ApplyLine(pugi::xml_node project, const JournalLine& line) {
    const pugi::xml_node timed = ElementAt(project, line.place);
    if (!timed || timed.attribute("name").value() != line.name) {
        return false;
    }
    const std::vector<pugi::xml_node> chain = ChainDownTo(timed);
    if (line.times.size() != 2 * chain.size()) {
        return false;
    }
    pugi::xml_node period;
    if (line.period == JournalLine::Period::Named) {
        period = PeriodStartingAt(timed, line.periodStart);
        if (!period) {
            return false;
        }
    }
    const double before = TaskTimeOf(timed);
    for (size_t level = 0; level < chain.size(); ++level) {
        SetAttribute(chain[level], "task_time", line.times[2 * level]);
        SetAttribute(chain[level], "subtask_time", line.times[2 * level + 1]);
    }
    if (period) {
        SetSessionSeconds(period, line.periodSeconds);
    } else if (line.period == JournalLine::Period::Newest) {
        ExtendNewestPeriod(timed, TaskTimeOf(timed) - before);
    }
    return true;
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
        snapshot.problem = "not a snapshot of Horavel's";
        return snapshot;
    }
    const auto header = Split(bytes.substr(kSnapshotMagic.size(), end - kSnapshotMagic.size()));
    if (header.size() != 2 || !ReadNumber(header[0], snapshot.generation) ||
        !ReadNumber(header[1], snapshot.changedMs) || snapshot.changedMs < 0 ||
        snapshot.changedMs > kLatestMs) {
        snapshot.problem = "its first line does not read";
        return snapshot;
    }
    QString error;
    snapshot.document = XmlFile::Parse(bytes.substr(end + 1), error);
    if (!snapshot.document) {
        snapshot.problem = error.toStdString();
    } else if (std::string_view(snapshot.document->document_element().name()) != "project") {
        snapshot.document.reset();
        snapshot.problem = "it holds no project";
    }
    return snapshot;
}

std::string JournalRecord(pugi::xml_node timed, int generation, int64_t atMs,
                          std::string_view periodStart) {
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
    const pugi::xml_node period =
        periodStart.empty() ? pugi::xml_node() : PeriodStartingAt(timed, periodStart);
    if (period) {
        line += ' ' + std::to_string(period.attribute("seconds").as_llong()) + '@' +
                Escape(periodStart);
    } else {
        line += " -";
    }
    return line + '\n';
}

Replay ReplayJournalChecked(pugi::xml_document& document, int generation,
                            std::string_view journal) {
    Replay replay;
    std::vector<JournalLine> lines;
    // A line without its line feed was cut short by the crash: left out.
    for (size_t number = 1, end = journal.find('\n'); end != std::string_view::npos;
         ++number, end = journal.find('\n')) {
        JournalLine line;
        std::string problem;
        if (!ReadJournalLine(journal.substr(0, end), line, problem)) {
            replay.problem = "line " + std::to_string(number) + ": " + problem;
            return replay;
        }
        journal.remove_prefix(end + 1);
        if (line.generation == generation) {
            lines.push_back(std::move(line));
        }
    }
    const pugi::xml_node project = document.document_element();
    for (const JournalLine& line : lines) {
        if (ApplyLine(project, line)) {
            replay.lastMs = line.atMs;
        }
    }
    return replay;
}

int64_t ReplayJournal(pugi::xml_document& document, int generation, std::string_view journal) {
    return ReplayJournalChecked(document, generation, journal).lastMs;
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
