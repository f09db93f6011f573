#include "files/xml_file.h"

#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <functional>

#include "files/xml_checks.h"

namespace XmlFile {

namespace {

constexpr std::string_view kDeclaration = R"(<?xml version="1.0"?>)";

using PositionFinder = std::function<XmlChecks::TextPosition(size_t)>;

QString Describe(std::string_view what, XmlChecks::TextPosition position) {
    QString text = QString::fromUtf8(what.data(), qsizetype(what.size()));
    if (!text.isEmpty()) {
        text[0] = text[0].toUpper();
    }
    return QStringLiteral("%1 at line %2, column %3")
        .arg(text)
        .arg(qulonglong(position.line))
        .arg(qulonglong(position.column));
}

char* AllocateBuffer(size_t size) {
    // pugixml frees a buffer it owns with its own deallocation function.
    return static_cast<char*>(pugi::get_memory_allocation_function()(size == 0 ? 1 : size));
}

// Parses a buffer in place; the document owns it from here on, whatever happens. Positions
// of problems found before the parse come from the intact buffer, later ones from `where`
// (the parse rewrites the buffer).
std::unique_ptr<pugi::xml_document> ParseOwned(char* buffer, size_t size,
                                               const PositionFinder& where, QString& error) {
    auto document = std::make_unique<pugi::xml_document>();
    const std::string_view intact(buffer, size);
    if (auto problem = XmlChecks::FindBadCharacter(intact)) {
        error = Describe(problem->what, XmlChecks::PositionAt(intact, problem->offset));
        pugi::get_memory_deallocation_function()(buffer);
        return nullptr;
    }
    const pugi::xml_parse_result result = document->load_buffer_inplace_own(
        buffer, size, XmlChecks::kParseOptions, pugi::encoding_utf8);
    if (!result) {
        error = Describe(result.description(), where(size_t(result.offset)));
        return nullptr;
    }
    if (auto problem = XmlChecks::CheckDocument(*document, buffer, size)) {
        error = Describe(problem->what, where(problem->offset));
        return nullptr;
    }
    return document;
}

// Feeds pugixml's output to a sink. pugixml writes a carriage return in text content as it
// is, and every reader turns that into a line feed; a character reference keeps it. Only
// text content can hold one here: pugixml escapes it in attribute values, and comments,
// CDATA and the like come from parsed files whose line ends were normalized.
class CarriageReturnEscaper : public pugi::xml_writer {
  public:
    explicit CarriageReturnEscaper(std::function<bool(const char*, size_t)> sink)
        : sink_(std::move(sink)) {}

    void write(const void* data, size_t size) override {
        const char* at = static_cast<const char*>(data);
        const char* end = at + size;
        while (ok_ && at < end) {
            const void* found = std::memchr(at, '\r', size_t(end - at));
            const char* stop = found ? static_cast<const char*>(found) : end;
            ok_ = Put(at, size_t(stop - at)) && (stop == end || Put("&#13;", 5));
            at = stop == end ? end : stop + 1;
        }
    }
    bool Put(const char* data, size_t size) { return size == 0 || sink_(data, size); }
    bool ok() const { return ok_; }

  private:
    std::function<bool(const char*, size_t)> sink_;
    bool ok_ = true;
};

bool WriteTo(const pugi::xml_document& document, CarriageReturnEscaper& writer) {
    writer.Put(kDeclaration.data(), kDeclaration.size());
    for (pugi::xml_node node = document.first_child(); node && writer.ok();
         node = node.next_sibling()) {
        // Our own declaration is written above; the document's may name an encoding.
        if (node.type() != pugi::node_declaration) {
            node.print(writer, "", pugi::format_raw, pugi::encoding_utf8);
        }
    }
    return writer.ok();
}

// `systemError` gets errno of the write that failed: a file device only learns its own
// reason (a full disk, say) later, at commit.
bool WriteTo(const pugi::xml_document& document, QIODevice& device, int& systemError) {
    CarriageReturnEscaper writer([&](const char* data, size_t size) {
        errno = 0;
        if (device.write(data, qint64(size)) == qint64(size)) {
            return true;
        }
        systemError = errno;
        return false;
    });
    return WriteTo(document, writer);
}

// Where an offset falls in the file; read again, as the parse rewrote its copy.
XmlChecks::TextPosition PositionInFile(const QString& path, size_t offset) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray head = file.read(qint64(offset));
    return XmlChecks::PositionAt(std::string_view(head.constData(), size_t(head.size())), offset);
}

QString NotARegularFile(const QFileInfo& info) {
    return info.isDir() ? QStringLiteral("This is a folder, not a file")
                        : QStringLiteral("This is not a regular file");
}

}  // namespace

std::unique_ptr<pugi::xml_document> Parse(std::string_view bytes, QString& error) {
    char* buffer = AllocateBuffer(bytes.size());
    if (!bytes.empty()) {
        std::memcpy(buffer, bytes.data(), bytes.size());
    }
    const PositionFinder where = [bytes](size_t offset) {
        return XmlChecks::PositionAt(bytes, offset);
    };
    return ParseOwned(buffer, bytes.size(), where, error);
}

std::unique_ptr<pugi::xml_document> Read(const QString& path, QString& error) {
    const QFileInfo info(path);
    if (!info.isFile()) {
        error = info.exists() ? NotARegularFile(info) : QStringLiteral("The file does not exist");
        return nullptr;
    }
    if (info.size() > kMaxFileBytes) {
        error = QStringLiteral("The file is too large (%1 MB; at most %2 MB can be read)")
                    .arg(info.size() >> 20)
                    .arg(kMaxFileBytes >> 20);
        return nullptr;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = file.errorString();
        return nullptr;
    }
    // Read straight into the buffer pugixml will parse in place: one copy of the file only.
    const auto expected = size_t(info.size());
    char* buffer = AllocateBuffer(expected);
    size_t size = 0;
    while (size < expected) {
        const qint64 got = file.read(buffer + size, qint64(expected - size));
        if (got < 0) {
            error = file.errorString();
            pugi::get_memory_deallocation_function()(buffer);
            return nullptr;
        }
        if (got == 0) {
            break;  // the file shrank since it was measured
        }
        size += size_t(got);
    }
    const PositionFinder where = [path](size_t offset) { return PositionInFile(path, offset); };
    return ParseOwned(buffer, size, where, error);
}

std::string Serialize(const pugi::xml_document& document) {
    std::string out;
    CarriageReturnEscaper writer([&out](const char* data, size_t size) {
        out.append(data, size);
        return true;
    });
    WriteTo(document, writer);
    return out;
}

bool Write(const pugi::xml_document& document, QIODevice& device) {
    int ignored = 0;
    return WriteTo(document, device, ignored);
}

bool Save(const pugi::xml_document& document, const QString& path, QString& error) {
    // QSaveFile would replace whatever sits at the path, a device node included.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        error = NotARegularFile(info);
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString();
        return false;
    }
    int systemError = 0;
    if (!WriteTo(document, file, systemError)) {
        error = systemError != 0 ? qt_error_string(systemError) : file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}

}  // namespace XmlFile
