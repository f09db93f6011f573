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
// to `path`; a symlink at the path is saved through, to the file it points to. Goes through
// a temporary file beside the file ("name.hvp.Ab12Cd.horavel-saving"). Where the folder
// cannot take one but the file itself is writable, writes the file in place: the space is
// reserved and the old bytes are kept aside (in the program's data folder) first, and put
// back if the write fails. false with `error` (the system's reason: "No space left on
// device", "File too large") when anything failed; the old file is then as it was.
bool Save(const QString& path, const std::function<bool(QIODevice&)>& produce, QString& error);

// Removes the temporary files a killed save left beside `path`: every
// "name.hvp.XXXXXX.horavel-saving", and the "name.hvp.AbcDef" of earlier versions, whose
// six letters mix both cases (an all one case name may be the person's own
// "name.hvp.backup").
void RemoveLeftoverTemporaries(const QString& path);

// The folder where a write in place keeps the old bytes until the new ones are on disk; a
// copy found there after a crash is the file as it was before that save.
QString AsideFolder();

}  // namespace SafeSave
