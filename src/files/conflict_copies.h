#pragma once
// The copies a sync engine leaves beside a file when two computers changed it at once:
// Syncthing's "NAME.sync-conflict-20261207-101010-ABCDEFG.hvp", Nextcloud's and ownCloud's
// "NAME (conflicted copy 2026-12-07 101010).hvp", Dropbox's
// "NAME (Jane's conflicted copy 2026-12-07).hvp".

#include <QString>
#include <QStringList>

// Whether `name` (a file name, no folder) is a conflict copy of the file named `fileName`.
bool IsConflictCopyName(const QString& name, const QString& fileName);

// The conflict copies of the file at `path` in its folder, as absolute paths, in name order.
QStringList ConflictCopiesOf(const QString& path);

// Whether a sync engine carries `folder` to other computers: it or a folder above it holds
// Syncthing's, Nextcloud's or ownCloud's, or Dropbox's marker.
bool CarriedBySyncEngine(const QString& folder);
