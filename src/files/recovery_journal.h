#pragma once
// What a program that did not end cleanly leaves to restore a project from: a snapshot of
// the document after its last edits and, while the timer runs, a journal of the timed
// chain's times. Only text and documents here; the files live in recovery_store.
//
// Whatever these files hold is checked as a loaded project file is before any of it
// reaches a document: they may have been damaged, or written by someone else.

#include <cstdint>
#include <memory>
#include <pugixml.hpp>
#include <string>
#include <string_view>

namespace Recovery {

// The latest time a snapshot or a journal line may carry (ms since the epoch): the end of
// the year 9999, the last one a date is shown for.
inline constexpr int64_t kLatestMs = 253402300799999;

// A snapshot file's bytes: one header line with the snapshot's generation and the time of
// the change it holds (ms since the epoch), then the document as a save writes it, its
// in-memory file name included so that it goes back to its own file.
std::string SnapshotBytes(const pugi::xml_document& document, int generation, int64_t changedMs);

struct Snapshot {
    std::unique_ptr<pugi::xml_document> document;  // null when the bytes do not pass
    int generation = 0;
    int64_t changedMs = 0;
    std::string problem;  // why they do not pass; empty when they do
};
// A project document only: the bytes a loaded file would be refused for, a header that
// does not read, or a time beyond kLatestMs give no document and a problem.
Snapshot ParseSnapshot(std::string_view bytes);

// One journal line for the timed element: the generation of the snapshot it applies to,
// the time, the element's place (task indices from the project down), its name, then
// task_time and subtask_time of every element from the project down to it, and last the
// seconds and start of the period being timed (the newest of the element's periods with
// `periodStart`; "-" when there is none). The times are absolute texts, so a line replayed
// twice does no harm.
std::string JournalRecord(pugi::xml_node timed, int generation, int64_t atMs,
                          std::string_view periodStart = {});

struct Replay {
    int64_t lastMs = 0;   // the time of the last line applied, 0 when none was
    std::string problem;  // the first line that does not pass, and why; nothing is applied then
};
// Checks every complete line of the journal; when all pass, applies, in order, each that
// belongs to the generation and still fits the document (the place exists and bears the
// name, the period exists). A line without its line feed was cut short and is left out.
Replay ReplayJournalChecked(pugi::xml_document& document, int generation, std::string_view journal);
// The same, giving only the time of the last line applied (0 for a journal that does not
// pass).
int64_t ReplayJournal(pugi::xml_document& document, int generation, std::string_view journal);

// The project's booked seconds (its task time plus its subtask time); 0 for a time that
// does not read.
double ProjectSeconds(const pugi::xml_document& document);

}  // namespace Recovery
