#pragma once
// The bytes each open project file held when it was last loaded or saved: the version both
// this window and another computer started from, for the merge. Kept in the program's own
// state folder (never beside the file, so a sync engine never carries them), readable by
// the owner only, one file per project file named after a hash of its path.

#include <QString>

#include <optional>
#include <string>
#include <string_view>

class MergeBaseStore {
  public:
    // An empty folder keeps nothing.
    explicit MergeBaseStore(QString folder) : folder_(std::move(folder)) {}

    // Keeps the bytes as the base of the file at `path`; false when they could not be
    // written (the merge then goes without a base).
    bool Keep(const QString& path, std::string_view bytes) const;
    // The base kept for the file at `path`; nothing when there is none.
    std::optional<std::string> Base(const QString& path) const;
    void Forget(const QString& path) const;

  private:
    QString FileFor(const QString& path) const;

    QString folder_;
};
