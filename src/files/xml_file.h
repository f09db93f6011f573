#pragma once
// Project documents on disk: read whole and checked, written whole through a temporary
// file so that a failed save never damages the file that was there before.

#include <QString>

#include <memory>
#include <pugixml.hpp>
#include <string>
#include <string_view>

#include "files/file_hold.h"

class QIODevice;
struct FileStamp;

namespace XmlFile {

// Files beyond this size are refused before they are read.
inline constexpr qint64 kMaxFileBytes = qint64(512) << 20;

// The document the bytes hold, or null with `error` saying what is wrong and where
// ("Undefined entity '&foo;' at line 3, column 14").
std::unique_ptr<pugi::xml_document> Parse(std::string_view bytes, QString& error);

// The document in the file, or null with `error`: a folder or anything but a regular file,
// a file that cannot be read or is too big, or any reason of Parse. `stamp`, when given,
// gets the stamp of the bytes read; `bytes`, when given, the bytes themselves.
std::unique_ptr<pugi::xml_document> Read(const QString& path, QString& error,
                                         FileStamp* stamp = nullptr, std::string* bytes = nullptr);

// The bytes a document is saved as: `<?xml version="1.0"?>` (UTF-8, the default) followed
// by the document without indentation or line breaks. Declaration nodes of the document
// itself are left out.
std::string Serialize(const pugi::xml_document& document);

// Writes Serialize's bytes to the device; false as soon as the device refuses some.
bool Write(const pugi::xml_document& document, QIODevice& device);

// Saves the document at the path: written to a temporary file in the same folder, which
// replaces the path only once everything was written and flushed. false with `error` (the
// reason as the system gives it) when anything failed; the earlier file is then untouched.
// `written`, when given, gets the stamp of the saved file; `bytes`, what was written.
bool Save(const pugi::xml_document& document, const QString& path, QString& error,
          FileStamp* written = nullptr, std::string* bytes = nullptr);

}  // namespace XmlFile
