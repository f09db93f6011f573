#pragma once
// Whether two names reach one file.

#include <QString>

// Whether the two names reach one file, by its device and inode: through "..", a symlink or
// a hard link alike. False when either names nothing.
bool SameFile(const QString& one, const QString& other);
