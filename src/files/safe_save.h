#pragma once
// Writing a file so that a failure never passes for success and never damages what was
// there: every write is checked, the data reaches the disk before the temporary file
// replaces the old one, and the folder is synced after the rename so that a power cut
// after "saved" keeps the new file.

#include <QString>

#include <functional>

class QIODevice;

namespace SafeSave {

// Writes the bytes `produce` puts into the device (it returns false when a write failed)
// to `path`. Goes through a temporary file beside the path; where the folder cannot take
// one but the file itself is writable, writes the file in place. false with `error` (the
// system's reason: "No space left on device", "File too large") when anything failed; the
// old file is then as it was, except after an in-place write, which cannot promise that.
bool Save(const QString& path, const std::function<bool(QIODevice&)>& produce, QString& error);

// Removes the temporary files a killed save left beside `path` ("name.hvp.AbcDef").
// A name whose six letters are all of one case is kept: it may be a copy the person made
// ("name.hvp.backup"), and a save makes such a name rarely.
void RemoveLeftoverTemporaries(const QString& path);

}  // namespace SafeSave
