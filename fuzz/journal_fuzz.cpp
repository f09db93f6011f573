// The journal replay over any bytes, on a snapshot like one a timing run leaves: never a
// crash, and the replayed document is one a save writes and a load reads back.
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "files/recovery_journal.h"
#include "files/xml_file.h"
#include "fuzz_target.h"

namespace {

// Generation 3: a project with tasks three levels deep, names that need escaping in a
// journal, and periods, one of them as long as a 64-bit count of seconds allows.
constexpr std::string_view kSnapshot =
    "horavel-recovery 1 3 1765100000000\n"
    "<?xml version=\"1.0\"?>"
    "<project name=\"Site\" task_time=\"0:10:00\" subtask_time=\"3:00:00\"><description/>"
    "<task name=\"Design\" task_time=\"1:00:00\" subtask_time=\"1:30:00\"><description/>"
    "<history><session start=\"2026-12-07T09:00:00+01:00\" seconds=\"3600\"/></history>"
    "<task name=\"Logo v2\" task_time=\"1:30:00\" subtask_time=\"0:00:00\"><description/>"
    "<history><session start=\"2026-12-07T11:00:00+01:00\" seconds=\"9223372036854775000\"/>"
    "</history></task></task>"
    "<task name=\"100% &amp; more\" task_time=\"0:30:00\" subtask_time=\"\"/></project>";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view journal(reinterpret_cast<const char*>(data), size);
    Recovery::Snapshot snapshot = Recovery::ParseSnapshot(kSnapshot);
    if (!snapshot.document) {
        std::abort();  // the seed itself must read
    }
    Recovery::ReplayJournal(*snapshot.document, snapshot.generation, journal);
    Recovery::ProjectSeconds(*snapshot.document);
    QString error;
    if (!XmlFile::Parse(XmlFile::Serialize(*snapshot.document), error)) {
        std::fprintf(stderr, "the replayed document does not load again: %s\n",
                     error.toUtf8().constData());
        std::abort();
    }
    return 0;
}
