#include "files/recovery_store.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLockFile>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <future>

#include "files/recovery_journal.h"
#include "files/xml_file.h"

namespace {

const QString kLockName = QStringLiteral("lock");

QString Reason(const char* path) {
    return QStringLiteral("%1: %2").arg(QString::fromLocal8Bit(path),
                                        QString::fromLocal8Bit(std::strerror(errno)));
}

bool WriteAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        done += size_t(written);
    }
    return true;
}

// Plain POSIX rather than QSaveFile: the files are private from their first byte, and the
// result of every write, of the sync and of the rename is seen.
bool ReplaceFile(const std::string& path, const std::string& bytes, QString& error) {
    const std::string temporary = path + ".new";
    const int fd =
        ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        error = Reason(temporary.c_str());
        return false;
    }
    const bool written = WriteAll(fd, bytes) && ::fdatasync(fd) == 0;
    if (!written) {
        error = Reason(temporary.c_str());
    }
    if (::close(fd) != 0 && written) {
        error = Reason(temporary.c_str());
        ::unlink(temporary.c_str());
        return false;
    }
    if (!written || ::rename(temporary.c_str(), path.c_str()) != 0) {
        if (written) {
            error = Reason(path.c_str());
        }
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace

// The journal being written, kept open between its lines: timing adds one every few seconds,
// and opening and closing it each time was most of the cost of a quiet tick.
class RecoveryStore::OpenJournal {
  public:
    ~OpenJournal() { Close(); }
    // A line that fails part way is taken back whole: a torn line followed by later ones
    // would make the journal unreadable.
    bool Append(const std::string& path, const std::string& bytes, QString& error) {
        struct stat before {};
        if (path != path_ || fd_ < 0 || ::fstat(fd_, &before) != 0 || before.st_nlink == 0) {
            // Another journal, or this one was removed or replaced: a new file at the path.
            Close();
            fd_ =
                ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_CLOEXEC, 0600);
            path_ = path;
            if (fd_ < 0 || ::fstat(fd_, &before) != 0) {
                error = Reason(path.c_str());
                Close();
                return false;
            }
        }
        if (WriteAll(fd_, bytes) && ::fdatasync(fd_) == 0) {
            return true;
        }
        error = Reason(path.c_str());
        (void)!::ftruncate(fd_, before.st_size);  // the reason of the write stands
        Close();
        return false;
    }
    // Lets go of the journal at the path, before it is removed.
    void Forget(const std::string& path) {
        if (path == path_) {
            Close();
        }
    }
    void Close() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = -1;
        path_.clear();
    }

  private:
    std::string path_;
    int fd_ = -1;
};

namespace {

// A rename reaches the disk only with its folder.
void SyncFolder(const QString& folder) {
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Snapshots hold a document as a save writes it; a journal grows by a line every few
// seconds of timing, and a snapshot starts it afresh: weeks of timing without a single edit
// stay far below its limit.
constexpr size_t kMaxSnapshotBytes = size_t(XmlFile::kMaxFileBytes) + 4096;
constexpr size_t kMaxJournalBytes = size_t(128) << 20;

// A file descriptor that closes itself.
class Descriptor {
  public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    Descriptor(Descriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Descriptor& operator=(Descriptor&& other) noexcept {
        std::swap(fd_, other.fd_);
        return *this;
    }
    ~Descriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }

  private:
    int fd_;
};

QString SystemReason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

QByteArray Encoded(const QString& path) {
    return QFile::encodeName(path);
}

// A folder of the user's own, opened where it is (`at` a folder, or AT_FDCWD for a path):
// none for a link, anything but a folder, or a folder of someone else's.
Descriptor OpenOwnFolder(int at, const QByteArray& name, QString* problem = nullptr) {
    Descriptor folder(
        ::openat(at, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat info {};
    if (!folder) {
        if (problem != nullptr) {
            *problem = errno == ELOOP || errno == ENOTDIR ? QStringLiteral("it is not a folder")
                                                          : SystemReason(errno);
        }
        return folder;
    }
    if (::fstat(folder.get(), &info) != 0 || info.st_uid != ::geteuid()) {
        if (problem != nullptr) {
            *problem = QStringLiteral("it belongs to another user");
        }
        return Descriptor();
    }
    return folder;
}

// The bytes of a regular file of the user's own no larger than `limit`, or why not. The
// file is opened without following a link and without waiting (a pipe would block).
bool ReadOwnFile(int folder, const std::string& name, size_t limit, std::string& bytes,
                 QString& problem) {
    const Descriptor file(
        ::openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat info {};
    if (!file || ::fstat(file.get(), &info) != 0) {
        problem = errno == ELOOP ? QStringLiteral("it is a link") : SystemReason(errno);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        problem = QStringLiteral("it is not a regular file");
        return false;
    }
    if (info.st_uid != ::geteuid()) {
        problem = QStringLiteral("it belongs to another user");
        return false;
    }
    const QString tooLarge = QStringLiteral("it is larger than %1 MB").arg(limit >> 20);
    if (size_t(info.st_size) > limit) {
        problem = tooLarge;
        return false;
    }
    bytes.resize(size_t(info.st_size) + 1);  // one byte more tells a file that grew since
    size_t done = 0;
    for (;;) {
        if (done == bytes.size()) {
            bytes.resize(std::min(bytes.size() * 2, limit + 1));
        }
        const ssize_t got = ::read(file.get(), bytes.data() + done, bytes.size() - done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            problem = SystemReason(errno);
            return false;
        }
        done += size_t(got);
        if (got == 0 || done > limit) {
            break;
        }
    }
    if (done > limit) {
        problem = tooLarge;
        return false;
    }
    bytes.resize(done);
    return true;
}

// The names in a folder, without "." and "..".
std::vector<std::string> NamesIn(int folder) {
    std::vector<std::string> names;
    const int fd = ::dup(folder);
    DIR* listing = fd < 0 ? nullptr : ::fdopendir(fd);
    if (listing == nullptr) {
        if (fd >= 0) {
            ::close(fd);
        }
        return names;
    }
    ::rewinddir(listing);
    while (const dirent* entry = ::readdir(listing)) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..") {
            names.emplace_back(name);
        }
    }
    ::closedir(listing);
    return names;
}

// The number of a file named "<number><suffix>", or -1.
long long NumberOf(std::string_view name, std::string_view suffix) {
    if (!name.ends_with(suffix) || name.size() == suffix.size()) {
        return -1;
    }
    long long number = -1;
    const char* end = name.data() + name.size() - suffix.size();
    const auto [stop, error] = std::from_chars(name.data(), end, number);
    return error == std::errc() && stop == end && number >= 0 ? number : -1;
}

bool AllDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A folder this program makes for itself: "<pid>-<ms>".
bool IsSessionFolderName(std::string_view name) {
    const size_t dash = name.find('-');
    return dash != std::string_view::npos && AllDigits(name.substr(0, dash)) &&
           AllDigits(name.substr(dash + 1));
}

// A file this program writes in its folder.
bool IsOwnFileName(std::string_view name) {
    return name == "lock" || NumberOf(name, ".snapshot") >= 0 || NumberOf(name, ".journal") >= 0 ||
           NumberOf(name, ".snapshot.new") >= 0;
}

bool IsOwnRegularFile(int folder, const std::string& name) {
    struct stat info {};
    return ::fstatat(folder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
           S_ISREG(info.st_mode) && info.st_uid == ::geteuid();
}

// Whether nothing but a lock file of the user's own, or none, sits at the lock's name: a
// lock is read to tell whether it is stale, and a pipe there would block.
bool LockIsPlain(int folder) {
    struct stat info {};
    if (::fstatat(folder, "lock", &info, AT_SYMLINK_NOFOLLOW) != 0) {
        return errno == ENOENT;
    }
    return S_ISREG(info.st_mode) && info.st_uid == ::geteuid();
}

// The base folder, made when missing: a real folder of the user's own, private to them.
Descriptor OpenBaseFolder(const QString& path, QString& problem) {
    const QByteArray name = Encoded(path);
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST) {
        problem = QStringLiteral("%1: %2").arg(path, SystemReason(errno));
        return Descriptor();
    }
    QString why;
    Descriptor base = OpenOwnFolder(AT_FDCWD, name, &why);
    if (!base) {
        problem = QStringLiteral("%1: %2").arg(path, why);
    } else if (::fchmod(base.get(), 0700) != 0) {
        problem = QStringLiteral("%1: %2").arg(path, SystemReason(errno));
        return Descriptor();
    }
    return base;
}

// What FindLeft reads of one left folder.
class LeftFolderReader {
  public:
    LeftFolderReader(int base, const QString& basePath, const std::string& name, int folder,
                     LeftSessions& left)
        : base_(base), folder_(folder), name_(name), left_(left) {
        path_ = QDir(basePath).filePath(QFile::decodeName(name.c_str()));
        left_.folders.push_back({path_, {}});
    }

    void ReadProjects() {
        std::vector<std::pair<long long, std::string>> snapshots;
        for (std::string& file : NamesIn(folder_)) {
            if (const long long number = NumberOf(file, ".snapshot"); number >= 0) {
                snapshots.emplace_back(number, std::move(file));
            }
        }
        std::sort(snapshots.begin(), snapshots.end());
        for (const auto& [number, snapshot] : snapshots) {
            ReadProject(snapshot, std::to_string(number) + ".journal");
        }
    }

  private:
    void ReadProject(const std::string& snapshotName, const std::string& journalName) {
        std::string bytes;
        QString problem;
        Recovery::Snapshot snapshot;
        if (ReadOwnFile(folder_, snapshotName, kMaxSnapshotBytes, bytes, problem)) {
            snapshot = Recovery::ParseSnapshot(bytes);
            problem = QString::fromStdString(snapshot.problem);
        }
        if (!snapshot.document) {
            SetAsideFile(snapshotName,
                         QStringLiteral("The kept project %1").arg(Named(snapshotName)), problem);
            MoveAlong(journalName);  // of no use without its snapshot, but not to be lost
            return;
        }
        LeftProject project{std::move(snapshot.document),
                            snapshot.changedMs,
                            path_,
                            {QString::fromStdString(snapshotName)}};
        if (ReadJournal(*project.document, snapshot.generation, journalName, project)) {
            project.files.push_back(QString::fromStdString(journalName));
        }
        left_.projects.push_back(std::move(project));
    }

    // Replays the journal onto the document; false when there is none to keep with it.
    bool ReadJournal(pugi::xml_document& document, int generation, const std::string& name,
                     LeftProject& project) {
        struct stat info {};
        if (::fstatat(folder_, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
            return false;  // timing never ran since the snapshot
        }
        std::string bytes;
        QString problem;
        if (ReadOwnFile(folder_, name, kMaxJournalBytes, bytes, problem)) {
            const Recovery::Replay replay =
                Recovery::ReplayJournalChecked(document, generation, bytes);
            project.changedMs = std::max(project.changedMs, replay.lastMs);
            if (replay.problem.empty()) {
                return true;
            }
            problem = QString::fromStdString(replay.problem);
        }
        const QString projectName =
            QString::fromUtf8(document.document_element().attribute("name").value());
        SetAsideFile(name,
                     QStringLiteral("The timing kept for '%1' (%2)").arg(projectName, Named(name)),
                     problem);
        return false;
    }

    QString Named(const std::string& file) const {
        return QFile::decodeName((name_ + '/' + file).c_str());
    }

    // A rename moves a link or a pipe as it is, without opening it.
    QString MoveAside(const std::string& file) {
        const std::string target = name_ + '-' + file + ".damaged";
        if (::renameat(folder_, file.c_str(), base_, target.c_str()) != 0) {
            left_.folders.back().keep.push_back(QString::fromStdString(file));
            return {};
        }
        return QFileInfo(path_).dir().filePath(QFile::decodeName(target.c_str()));
    }

    void SetAsideFile(const std::string& file, const QString& what, const QString& problem) {
        left_.damaged.push_back({what, problem, MoveAside(file)});
    }

    void MoveAlong(const std::string& file) {
        struct stat info {};
        if (::fstatat(folder_, file.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0) {
            MoveAside(file);
        }
    }

    int base_;
    int folder_;
    std::string name_;
    QString path_;
    LeftSessions& left_;
};

}  // namespace

RecoveryStore::RecoveryStore(const QString& baseFolder) {
    if (baseFolder.isEmpty()) {
        problem_ = QStringLiteral("no folder is set for them");
        return;
    }
    const Descriptor base = OpenBaseFolder(baseFolder, problem_);
    if (!base) {
        return;
    }
    const QString name = QStringLiteral("%1-%2")
                             .arg(QCoreApplication::applicationPid())
                             .arg(QDateTime::currentMSecsSinceEpoch());
    const QString folder = QDir(baseFolder).filePath(name);
    if (::mkdirat(base.get(), Encoded(name).constData(), 0700) != 0) {
        problem_ = QStringLiteral("%1: %2").arg(folder, SystemReason(errno));
        return;
    }
    auto lock = std::make_unique<QLockFile>(QDir(folder).filePath(kLockName));
    if (!lock->tryLock(0)) {
        problem_ = QStringLiteral("%1: the folder cannot be locked").arg(folder);
        return;
    }
    folder_ = folder;
    lock_ = std::move(lock);
    journal_ = std::make_unique<OpenJournal>();
    worker_ = std::thread([this] { Run(); });
}

RecoveryStore::~RecoveryStore() {
    if (!worker_.joinable()) {
        return;
    }
    {
        std::lock_guard guard(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    worker_.join();
}

void RecoveryStore::Queue(std::function<void()> job) {
    if (!isActive()) {
        return;
    }
    {
        std::lock_guard guard(mutex_);
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
}

void RecoveryStore::Run() {
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock guard(mutex_);
            wake_.wait(guard, [this] { return stopping_ || !jobs_.empty(); });
            if (jobs_.empty()) {
                return;  // stopping, with everything written
            }
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        job();
    }
}

void RecoveryStore::Fail(const QString& what) {
    std::lock_guard guard(mutex_);
    if (error_.isEmpty()) {
        error_ = what;
    }
}

QString RecoveryStore::TakeError() {
    std::lock_guard guard(mutex_);
    return std::exchange(error_, QString());
}

std::string RecoveryStore::PathOf(int number, const char* suffix) const {
    return QFile::encodeName(QDir(folder_).filePath(QString::number(number))).toStdString() +
           suffix;
}

void RecoveryStore::WriteSnapshot(int number, std::string bytes) {
    Queue([this, snapshot = PathOf(number, ".snapshot"), journal = PathOf(number, ".journal"),
           bytes = std::move(bytes)] {
        QString error;
        if (!ReplaceFile(snapshot, bytes, error)) {
            Fail(error);
            return;
        }
        journal_->Forget(journal);
        ::unlink(journal.c_str());
        SyncFolder(folder_);
    });
}

void RecoveryStore::AppendJournal(int number, std::string line) {
    Queue([this, journal = PathOf(number, ".journal"), line = std::move(line)] {
        QString error;
        if (!journal_->Append(journal, line, error)) {
            Fail(error);
        }
    });
}

void RecoveryStore::Discard(int number) {
    Queue([this, snapshot = PathOf(number, ".snapshot"), journal = PathOf(number, ".journal")] {
        journal_->Forget(journal);
        ::unlink(snapshot.c_str());
        ::unlink(journal.c_str());
    });
}

void RecoveryStore::Flush() {
    if (!isActive()) {
        return;
    }
    std::promise<void> done;
    std::future<void> written = done.get_future();
    Queue([&done] { done.set_value(); });
    written.wait();
}

void RecoveryStore::RemoveAll() {
    if (!isActive()) {
        return;
    }
    Queue([this] { journal_->Close(); });
    Flush();
    lock_.reset();
    RemoveFolder(folder_);
}

LeftSessions RecoveryStore::FindLeft(const QString& baseFolder, const QString& ownFolder) {
    LeftSessions left;
    const Descriptor base = OpenOwnFolder(AT_FDCWD, Encoded(baseFolder));
    if (!base) {
        return left;
    }
    const std::string own = Encoded(QFileInfo(ownFolder).fileName()).toStdString();
    std::vector<std::string> names = NamesIn(base.get());
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        if (name == own || !IsSessionFolderName(name)) {
            continue;
        }
        const Descriptor folder = OpenOwnFolder(base.get(), QByteArray::fromStdString(name));
        if (!folder || !LockIsPlain(folder.get())) {
            continue;  // not one of ours: left as it is
        }
        // A lock still held belongs to a copy that runs; only the age of a lock must not
        // make it look abandoned.
        const QString path = QDir(baseFolder).filePath(QFile::decodeName(name.c_str()));
        QLockFile lock(QDir(path).filePath(kLockName));
        lock.setStaleLockTime(0);
        if (!lock.tryLock(0)) {
            continue;
        }
        LeftFolderReader(base.get(), baseFolder, name, folder.get(), left).ReadProjects();
    }
    return left;
}

void RecoveryStore::RemoveFolder(const QString& folder, const std::vector<QString>& keep) {
    const QFileInfo info(folder);
    const Descriptor base(
        ::open(Encoded(info.absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    const QByteArray name = Encoded(info.fileName());
    const Descriptor own = base ? OpenOwnFolder(base.get(), name) : Descriptor();
    if (!own) {
        return;
    }
    for (const std::string& file : NamesIn(own.get())) {
        const bool kept =
            std::find(keep.begin(), keep.end(), QFile::decodeName(file.c_str())) != keep.end();
        if (!kept && IsOwnFileName(file) && IsOwnRegularFile(own.get(), file)) {
            ::unlinkat(own.get(), file.c_str(), 0);
        }
    }
    // Fails, leaving it, when anything else is in it, or when a link took its place.
    ::unlinkat(base.get(), name.constData(), AT_REMOVEDIR);
}
