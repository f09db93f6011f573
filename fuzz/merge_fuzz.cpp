// The project merge over any three documents (base, mine, theirs; the input split at NUL
// bytes): never a crash, always a project that reads back, and the same whichever side is
// called mine.
#include <cstdlib>
#include <string>
#include <string_view>

#include "files/project_merge.h"
#include "files/xml_file.h"
#include "fuzz_target.h"

namespace {

std::unique_ptr<pugi::xml_document> Loaded(std::string_view bytes) {
    auto document = std::make_unique<pugi::xml_document>();
    if (!document->load_buffer(bytes.data(), bytes.size())) {
        document->reset();
    }
    return document;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    std::unique_ptr<pugi::xml_document> documents[3];
    for (auto& document : documents) {
        const size_t end = std::min(rest.find('\0'), rest.size());
        document = Loaded(rest.substr(0, end));
        rest.remove_prefix(std::min(end + 1, rest.size()));
    }
    const MergeResult ab =
        MergeProjects(documents[0].get(), {documents[1].get(), 0}, {documents[2].get(), 0});
    const MergeResult ba =
        MergeProjects(documents[0].get(), {documents[2].get(), 0}, {documents[1].get(), 0});
    const std::string bytes = XmlFile::Serialize(*ab.document);
    if (bytes != XmlFile::Serialize(*ba.document)) {
        std::abort();
    }
    QString error;
    const auto again = XmlFile::Parse(bytes, error);
    if (!again || std::string_view(again->document_element().name()) != "project") {
        std::abort();
    }
    return 0;
}
