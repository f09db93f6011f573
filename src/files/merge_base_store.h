#pragma once
// The bytes each open project file held when it was last loaded or saved: the version both
// this window and another computer started from, for the merge. Kept in the program's own
// state folder (never beside the file, so a sync engine never carries them), readable by
// the owner only, one file per project file named after a hash of its path.
//
// Written by a thread of its own: a base is as large as its project (tens of megabytes with
// a year of history), and copying it to disk would hold up every load and save. What is
// asked for is always the newest base, whether or not it has reached the disk yet.

#include <QString>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include <sys/types.h>

class MergeBaseStore {
  public:
    // An empty folder keeps nothing.
    explicit MergeBaseStore(QString folder) : folder_(std::move(folder)) {}
    ~MergeBaseStore();
    MergeBaseStore(const MergeBaseStore&) = delete;
    MergeBaseStore& operator=(const MergeBaseStore&) = delete;

    // Keeps the bytes as the base of the file at `path`. A base that cannot be written
    // only makes a merge go without one.
    void Keep(const QString& path, std::string bytes);
    // The base kept for the file at `path`; nothing when there is none.
    std::optional<std::string> Base(const QString& path);
    void Forget(const QString& path);

  private:
    struct Job {
        QString file;
        std::string bytes;
    };
    QString FileFor(const QString& path) const;
    // Waits until every base asked for is on disk.
    void Flush();
    bool WriterIsHere() const;
    void WriteJobs();
    void Write(const Job& job) const;

    QString folder_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Job> jobs_;  // the front one is being written while `busy_`
    bool busy_ = false;
    bool stopping_ = false;
    std::thread writer_;
    pid_t writerProcess_ = 0;
};
