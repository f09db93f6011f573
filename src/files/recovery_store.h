#pragma once
// The recovery files of one running program: a folder of their own under the base folder,
// held by a lock so that a second running copy never offers them as left behind. Writes run
// on a thread of their own, in the order asked, so that waiting for the disk never blocks
// the window; each is checked, synced, and put in place by a rename.

#include <QString>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <pugixml.hpp>
#include <thread>
#include <vector>

class QLockFile;

// A project found in the folder of a program that ended without cleaning up.
struct LeftProject {
    std::unique_ptr<pugi::xml_document> document;  // snapshot with its journal replayed
    int64_t changedMs = 0;                         // the last change it holds
    QString folder;                                // the left folder it was found in
    std::vector<QString> files;                    // its files there
};

// A recovery file that does not pass its checks, moved out of the way so that it neither
// stops the start nor is lost.
struct SetAside {
    QString what;     // which file: "the snapshot 1000-2/1.snapshot"
    QString problem;  // why it cannot be restored
    QString movedTo;  // where it is now; empty when it could not be moved and stays put
};

struct LeftFolder {
    QString path;
    std::vector<QString> keep;  // files not to remove with it
};

struct LeftSessions {
    std::vector<LeftFolder> folders;  // to remove once the person has answered
    std::vector<LeftProject> projects;
    std::vector<SetAside> damaged;
};

class RecoveryStore {
  public:
    // Creates this program's folder (private to the user) under `baseFolder`; the store is
    // inactive, writing nothing, when that fails, and `problem` says why. Only a real folder
    // of the user's own serves as `baseFolder`, never one reached through a link.
    explicit RecoveryStore(const QString& baseFolder);
    // Waits for the queued writes; the folder stays unless RemoveAll was called.
    ~RecoveryStore();

    bool isActive() const { return lock_ != nullptr; }
    QString folder() const { return folder_; }
    QString problem() const { return problem_; }

    // Replaces project `number`'s snapshot, then drops its journal, which the snapshot
    // supersedes.
    void WriteSnapshot(int number, std::string bytes);
    void AppendJournal(int number, std::string line);
    void Discard(int number);
    // Returns once everything asked so far is on disk (or has failed).
    void Flush();
    // A clean end: nothing is left to recover.
    void RemoveAll();
    // The reason of the first write that failed since the last call, or empty.
    QString TakeError();

    // The projects left by programs that ended without cleaning up, other than this one.
    // Only folders and regular files this program creates, owned by the user, are looked
    // at; no link is followed. A snapshot or journal that does not pass its checks is moved
    // beside the folders, its name ending in ".damaged", and listed in `damaged`.
    static LeftSessions FindLeft(const QString& baseFolder, const QString& ownFolder);
    // Removes the files this program creates in the folder (but those in `keep`), then the
    // folder if nothing else is left in it. Never follows a link.
    static void RemoveFolder(const QString& folder, const std::vector<QString>& keep = {});

  private:
    class OpenJournal;
    void Queue(std::function<void()> job);
    void Run();
    void Fail(const QString& what);
    std::string PathOf(int number, const char* suffix) const;

    QString folder_;
    QString problem_;
    std::unique_ptr<QLockFile> lock_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_;
    bool stopping_ = false;
    QString error_;
    std::unique_ptr<OpenJournal> journal_;  // used by the worker only
    std::thread worker_;
};
