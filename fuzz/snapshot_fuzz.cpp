// The snapshot parser over any bytes: a document with a project element or nothing, never a
// crash; and a snapshot it accepts, written again, reads back the same.
#include <cstdlib>
#include <string_view>

#include "files/recovery_journal.h"
#include "fuzz_target.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const Recovery::Snapshot snapshot = Recovery::ParseSnapshot(bytes);
    if (!snapshot.document) {
        return 0;
    }
    Recovery::ProjectSeconds(*snapshot.document);
    const Recovery::Snapshot again = Recovery::ParseSnapshot(
        Recovery::SnapshotBytes(*snapshot.document, snapshot.generation, snapshot.changedMs));
    if (!again.document || again.generation != snapshot.generation ||
        again.changedMs != snapshot.changedMs) {
        std::abort();
    }
    return 0;
}
