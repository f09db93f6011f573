#pragma once
// What a program that did not end cleanly leaves to restore a project from: a snapshot of
// the document after its last edits and, while the timer runs, a journal of the timed
// chain's times. Only text and documents here; the files live in recovery_store.

#include <cstdint>
#include <memory>
#include <pugixml.hpp>
#include <string>
#include <string_view>

namespace Recovery {

// A snapshot file's bytes: one header line with the snapshot's generation and the time of
// the change it holds (ms since the epoch), then the document as a save writes it, its
// in-memory file name included so that it goes back to its own file.
std::string SnapshotBytes(const pugi::xml_document& document, int generation, int64_t changedMs);

struct Snapshot {
    std::unique_ptr<pugi::xml_document> document;  // null for torn or foreign bytes
    int generation = 0;
    int64_t changedMs = 0;
};
Snapshot ParseSnapshot(std::string_view bytes);

// One journal line for the timed element: the generation of the snapshot it applies to,
// the time, the element's place (task indices from the project down), its name, then
// task_time and subtask_time of every element from the project down to it. The times are
// absolute texts, so a line replayed twice does no harm.
std::string JournalRecord(pugi::xml_node timed, int generation, int64_t atMs);

// Applies, in order, every complete line of the journal that belongs to the generation and
// still fits the document (the place exists and bears the name). Returns the time of the
// last line applied, or 0 when none was.
int64_t ReplayJournal(pugi::xml_document& document, int generation, std::string_view journal);

// The project's booked seconds (its task time plus its subtask time); 0 for a time that
// does not read.
double ProjectSeconds(const pugi::xml_document& document);

}  // namespace Recovery
