#include "files/xml_file.h"

#include <QFile>
#include <QFileInfo>
#include <QIODevice>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>

#include "files/file_hold.h"
#include "files/safe_save.h"
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
    // pugixml parses in place with the last byte as its end mark and drops that byte when
    // it is ordinary text ("<project/>x"). A document ends in markup, so look before.
    const size_t last = intact.find_last_not_of(" \t\r\n");
    const bool endsInText = last != std::string_view::npos && intact[last] != '>';
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
    if (endsInText) {
        error = Describe("text outside the top-level element", where(last));
        return nullptr;
    }
    return document;
}

// Feeds pugixml's output to a sink. pugixml writes a carriage return in text content as it
// is, and every reader turns that into a line feed; a character reference keeps it. Only
// text content needs one: pugixml escapes it in attribute values, and inside markup
// (a processing instruction, a comment, CDATA, the document type) a reference is no
// reference at all, so what was read there is written back as it was.
class CarriageReturnEscaper : public pugi::xml_writer {
  public:
    explicit CarriageReturnEscaper(std::function<bool(const char*, size_t)> sink)
        : sink_(std::move(sink)) {}

    void write(const void* data, size_t size) override {
        const char* at = static_cast<const char*>(data);
        const char* const end = at + size;
        const char* run = at;  // the start of what is not passed on yet
        // Only a "<" and a carriage return can matter, and a file runs to megabytes: both
        // are found with memchr, the carriage return (rare) once until it is passed.
        const char* cr = Find(at, end, '\r');
        while (at < end && ok_) {
            if (!markupEnd_.empty()) {
                at = SkipVerbatim(at, end);
            } else if (!opening_.empty()) {
                at = ReadOpening(at, end);
            } else {
                if (cr < at) {
                    cr = Find(at, end, '\r');
                }
                const char* lt = Find(at, cr, '<');
                if (lt == cr) {  // a carriage return first, or nothing more
                    if (cr == end) {
                        break;
                    }
                    if (escaping_) {
                        ok_ = Put(run, size_t(cr - run)) && Put("&#13;", 5);
                        run = cr + 1;
                    }
                    at = cr + 1;
                } else if (lt + 1 < end && lt[1] != '?' && lt[1] != '!') {
                    at = lt + 1;  // an element's tag: nothing to follow
                } else {
                    opening_.assign(1, '<');
                    at = lt + 1;
                }
            }
        }
        ok_ = ok_ && Put(run, size_t(end - run));
    }
    bool Put(const char* data, size_t size) { return size == 0 || sink_(data, size); }
    bool ok() const { return ok_; }
    // Off for whatever stands outside the top-level element.
    void setEscaping(bool escaping) { escaping_ = escaping; }

  private:
    static const char* Find(const char* from, const char* to, char c) {
        const void* found = from < to ? std::memchr(from, c, size_t(to - from)) : nullptr;
        return found != nullptr ? static_cast<const char*>(found) : to;
    }

    // Follows "<" on into markup whose content is written verbatim, a byte at a time: it is
    // rare, and its opening may be split between two writes. Returns where to go on.
    const char* ReadOpening(const char* at, const char* end) {
        for (; at < end; ++at) {
            opening_.push_back(*at);
            for (const auto& [opening, closing] : kVerbatim) {
                if (opening_ == opening) {
                    markupEnd_ = closing;
                    opening_.clear();
                    last_ = beforeLast_ = 0;
                    return at + 1;
                }
            }
            const bool partial =
                std::any_of(std::begin(kVerbatim), std::end(kVerbatim),
                            [this](const auto& v) { return v.first.starts_with(opening_); });
            if (!partial) {
                opening_.clear();
                return at;  // looked at again as ordinary output: it may be a "<" itself
            }
        }
        return at;
    }

    // Passes over verbatim markup up to its end. Returns where to go on.
    const char* SkipVerbatim(const char* from, const char* end) {
        for (const char* at = from; at < end;) {
            const char* gt = Find(at, end, '>');
            if (gt == end) {
                break;
            }
            const char before = gt > from ? gt[-1] : last_;
            const char beforeThat = gt > from + 1 ? gt[-2] : gt > from ? last_ : beforeLast_;
            if (markupEnd_.size() == 2 ? before == markupEnd_[0]
                                       : before == markupEnd_[1] && beforeThat == markupEnd_[0]) {
                markupEnd_ = {};
                return gt + 1;
            }
            at = gt + 1;
        }
        // The end may be split between this write and the next.
        if (end - from >= 2) {
            beforeLast_ = end[-2];
        } else {
            beforeLast_ = last_;
        }
        last_ = end[-1];
        return end;
    }

    static constexpr std::pair<std::string_view, std::string_view> kVerbatim[] = {
        {"<?", "?>"}, {"<!--", "-->"}, {"<![CDATA[", "]]>"}};
    std::function<bool(const char*, size_t)> sink_;
    bool ok_ = true;
    bool escaping_ = true;
    std::string opening_;  // the start of an opening of verbatim markup, seen so far
    char last_ = 0;        // the last two bytes of verbatim markup before this write
    char beforeLast_ = 0;
    std::string_view markupEnd_;
};

bool WriteTo(const pugi::xml_document& document, CarriageReturnEscaper& writer) {
    writer.Put(kDeclaration.data(), kDeclaration.size());
    for (pugi::xml_node node = document.first_child(); node && writer.ok();
         node = node.next_sibling()) {
        // Our own declaration is written above; the document's may name an encoding.
        if (node.type() != pugi::node_declaration) {
            writer.setEscaping(node.type() == pugi::node_element);
            node.print(writer, "", pugi::format_raw, pugi::encoding_utf8);
        }
    }
    return writer.ok();
}

// `systemError` gets errno of the write that failed: a file device only learns its own
// reason (a full disk, say) later, at commit.
bool WriteTo(const pugi::xml_document& document, QIODevice& device, int& systemError,
             StampHasher* hash = nullptr, std::string* kept = nullptr) {
    // pugixml hands over many small pieces, and each would be a system call on the unbuffered
    // file: they are gathered into large writes.
    constexpr size_t kChunk = 1 << 16;
    std::string pending;
    const auto flush = [&] {
        errno = 0;
        if (hash != nullptr) {
            hash->Add(pending.data(), pending.size());
        }
        if (kept != nullptr) {
            kept->append(pending);
        }
        const bool ok = pending.empty() || device.write(pending.data(), qint64(pending.size())) ==
                                               qint64(pending.size());
        if (!ok) {
            systemError = errno;
        }
        pending.clear();
        return ok;
    };
    CarriageReturnEscaper writer([&](const char* data, size_t size) {
        pending.append(data, size);
        return pending.size() < kChunk || flush();
    });
    return WriteTo(document, writer) && flush();
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

std::unique_ptr<pugi::xml_document> Read(const QString& path, QString& error, FileStamp* stamp,
                                         std::string* bytes) {
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
    // Taken before the read: a change made while it reads then shows at the next save.
    FileStamp onDisk = StatOfDescriptor(file.handle());
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
    if (stamp != nullptr) {
        StampHasher hasher;
        hasher.Add(buffer, size);  // before the parse rewrites it
        onDisk.hash = hasher.Result();
        *stamp = onDisk;
    }
    if (bytes != nullptr) {
        bytes->assign(buffer, size);
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

bool Save(const pugi::xml_document& document, const QString& path, QString& error,
          FileStamp* written, std::string* bytes) {
    // QSaveFile would replace whatever sits at the path, a device node included.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        error = NotARegularFile(info);
        return false;
    }
    SafeSave::RemoveLeftoverTemporaries(path);
    // The stamp comes from the bytes as they go out: reading a large file back to hash it
    // would cost as much as writing it.
    StampHasher hash;
    const bool saved = SafeSave::Save(
        path,
        [&](QIODevice& device) {
            int systemError = 0;
            if (bytes != nullptr) {
                bytes->clear();  // a second attempt (in place, say) starts over
                bytes->reserve(size_t(std::max<qint64>(info.size(), 0)));  // about the last save
            }
            const bool complete = WriteTo(document, device, systemError, &hash, bytes);
            errno = systemError;  // SafeSave names the reason from errno
            return complete;
        },
        error);
    if (saved && written != nullptr) {
        *written = StatOfFile(path);
        written->hash = hash.Result();
    }
    return saved;
}

}  // namespace XmlFile
