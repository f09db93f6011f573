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
};

struct LeftSessions {
    std::vector<QString> folders;  // to remove once the person has answered
    std::vector<LeftProject> projects;
};

class RecoveryStore {
  public:
    // Creates this program's folder (private to the user) under `baseFolder`; the store is
    // inactive, writing nothing, when that fails.
    explicit RecoveryStore(const QString& baseFolder);
    // Waits for the queued writes; the folder stays unless RemoveAll was called.
    ~RecoveryStore();

    bool isActive() const { return lock_ != nullptr; }
    QString folder() const { return folder_; }

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
    static LeftSessions FindLeft(const QString& baseFolder, const QString& ownFolder);
    static void RemoveFolder(const QString& folder);

  private:
    void Queue(std::function<void()> job);
    void Run();
    void Fail(const QString& what);
    std::string PathOf(int number, const char* suffix) const;

    QString folder_;
    std::unique_ptr<QLockFile> lock_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_;
    bool stopping_ = false;
    QString error_;
    std::thread worker_;
};
