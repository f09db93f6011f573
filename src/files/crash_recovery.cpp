#include "files/crash_recovery.h"

#include <QDateTime>
#include <QFileInfo>
#include <QStringList>
#include <QTimer>

#include <optional>

#include "files/file_hold.h"
#include "files/recovery_journal.h"
#include "files/recovery_store.h"
#include "files/xml_file.h"
#include "history/sessions.h"
#include "model/time_text.h"
#include "model/xml.h"
#include "platform/prompter.h"
#include "tree/project_tree.h"

namespace {

const QString kTitle = QStringLiteral("Horavel");
// An edit reaches the disk this long after it was made, however many follow it.
constexpr int kSnapshotDelayMs = 2000;
// At most this many seconds of timing are lost by a kill, plus the tick's own second.
constexpr int kJournalIntervalMs = 3000;

int64_t Now() {
    return QDateTime::currentMSecsSinceEpoch();
}

std::string FileNameOf(const pugi::xml_document& document) {
    return document.document_element().attribute("filename").value();
}

std::optional<QString> Formatted(double seconds) {
    try {
        return QString::fromStdString(Module1::FormatTime(seconds, true));
    } catch (const Module1::TimeOverflow&) {
        return std::nullopt;
    }
}

// The project's times as stored, for a total beyond what a time can show.
QString StoredTimes(const pugi::xml_document& document) {
    const pugi::xml_node project = document.document_element();
    QStringList times;
    for (const char* name : {"task_time", "subtask_time"}) {
        if (const char* text = project.attribute(name).value(); *text != 0) {
            times << QString::fromUtf8(text);
        }
    }
    return times.join(QStringLiteral(" + "));
}

// One line of the offer: the project, where it belongs, when it last changed, and what
// it holds beyond its file.
QString DescribeLeft(const LeftProject& left) {
    const pugi::xml_document& document = *left.document;
    const QString name = QString::fromUtf8(document.document_element().attribute("name").value());
    const QString file = QString::fromStdString(FileNameOf(document));
    const QString when =
        QDateTime::fromMSecsSinceEpoch(left.changedMs).toString("yyyy-MM-dd hh:mm:ss");
    double seconds = Recovery::ProjectSeconds(document);
    const std::optional<QString> total = Formatted(seconds);
    if (!total) {
        return QStringLiteral("%1 (%2), last changed %3, %4 booked")
            .arg(name, file.isEmpty() ? QStringLiteral("never saved") : file, when,
                 StoredTimes(document));
    }
    if (file.isEmpty()) {
        return QStringLiteral("%1 (never saved), last changed %2, %3 booked")
            .arg(name, when, *total);
    }
    QString error;
    if (const auto saved = XmlFile::Read(file, error)) {
        seconds = std::max(0.0, seconds - Recovery::ProjectSeconds(*saved));
    }
    return QStringLiteral("%1 (%2), last changed %3, %4 booked since it was saved")
        .arg(name, file, when, Formatted(seconds).value_or(*total));
}

QString DescribeSetAside(const SetAside& damaged) {
    const QString where = damaged.movedTo.isEmpty()
                              ? QStringLiteral("It stays where it was.")
                              : QStringLiteral("It was put aside as %1").arg(damaged.movedTo);
    return QStringLiteral("%1 cannot be restored: %2. %3")
        .arg(damaged.what, damaged.problem, where);
}

}  // namespace

CrashRecovery::CrashRecovery(ProjectTree& tree, const TimingState& timing,
                             const SessionRecorder& periods, WorkspaceState& workspace,
                             Prompter& prompter, const QString& baseFolder, QObject* parent)
    : QObject(parent),
      tree_(tree),
      timing_(timing),
      periods_(periods),
      workspace_(workspace),
      prompter_(prompter),
      baseFolder_(baseFolder),
      store_(std::make_unique<RecoveryStore>(baseFolder)) {
    snapshotTimer_ = new QTimer(this);
    snapshotTimer_->setSingleShot(true);
    snapshotTimer_->setInterval(kSnapshotDelayMs);
    connect(snapshotTimer_, &QTimer::timeout, this, &CrashRecovery::WriteRecoverySnapshots);
    journalTimer_ = new QTimer(this);
    journalTimer_->setInterval(kJournalIntervalMs);
    connect(journalTimer_, &QTimer::timeout, this, &CrashRecovery::RecoveryTick);
    connect(&tree_, &ProjectTree::ProjectChanged, this, &CrashRecovery::NoteUnsavedChange);
    connect(&tree_, &ProjectTree::ProjectSettled, this, &CrashRecovery::ForgetRecovery);
}

CrashRecovery::~CrashRecovery() {
    // Nothing unsaved: nothing to leave for the next start.
    if (entries_.empty()) {
        store_->RemoveAll();
    }
}

CrashRecovery::Entry& CrashRecovery::EntryOf(TreeNode* project) {
    Entry& entry = entries_[project->document()];
    if (entry.number == 0) {
        entry.number = nextNumber_++;
    }
    return entry;
}

void CrashRecovery::NoteUnsavedChange(TreeNode* node) {
    if (node == nullptr || node->document() == nullptr) {
        return;
    }
    if (!store_->isActive()) {
        TellNothingKept(toldAtChange_);
        return;
    }
    EntryOf(node).dirty = true;
    if (!snapshotTimer_->isActive()) {
        snapshotTimer_->start();
    }
}

void CrashRecovery::ForgetRecovery(TreeNode* project) {
    const auto found = entries_.find(project->document());
    if (found == entries_.end()) {
        return;
    }
    store_->Discard(found->second.number);
    entries_.erase(found);
}

void CrashRecovery::WriteRecoverySnapshot(TreeNode* project, Entry& entry) {
    store_->WriteSnapshot(entry.number,
                          Recovery::SnapshotBytes(*project->document(), ++entry.generation, Now()));
    entry.dirty = false;
    entry.timed = timing_.TimerRunning && timing_.TimedNode != nullptr &&
                          ProjectTree::ProjectNodeOf(timing_.TimedNode) == project
                      ? timing_.TimedNode->element
                      : pugi::xml_node();
    // The period open now is the one the journal extends until the next snapshot: a new
    // period always brings a snapshot first.
    entry.periodStart = entry.timed ? periods_.OpenStart().toStdString() : std::string();
    entry.lastJournaled.clear();
    KeepRecoveryTicking();  // to tell if the write fails
}

void CrashRecovery::WriteRecoverySnapshots() {
    for (int i = 0; i < tree_.view.topLevelItemCount(); ++i) {
        TreeNode* project = tree_.view.topLevelNode(i);
        const auto found = entries_.find(project->document());
        if (found != entries_.end() && found->second.dirty) {
            WriteRecoverySnapshot(project, found->second);
        }
    }
}

void CrashRecovery::KeepRecoveryTicking() {
    if (!store_->isActive()) {
        TellNothingKept(toldAtTimer_);
    } else if (!journalTimer_->isActive()) {
        journalTimer_->start();
    }
}

void CrashRecovery::TellNothingKept(bool& told) {
    if (!told) {
        told = true;
        emit Notice(QStringLiteral("Unsaved changes cannot be kept for a restart: %1")
                        .arg(store_->problem()));
    }
}

void CrashRecovery::RecoveryTick() {
    if (const QString error = store_->TakeError(); !error.isEmpty()) {
        emit Notice(QStringLiteral("Unsaved changes cannot be kept for a restart: %1").arg(error));
    }
    // Stopped, with the last seconds written and the writes' outcome told: a program that
    // only sits open wakes for nothing.
    if (!JournalTiming() && !timing_.TimerRunning) {
        journalTimer_->stop();
    }
}

bool CrashRecovery::JournalTiming() {
    if (timing_.TimedNode == nullptr || !timing_.TimedNode->element) {
        return false;
    }
    TreeNode* project = ProjectTree::ProjectNodeOf(timing_.TimedNode);
    const bool known = entries_.count(project->document()) > 0;
    // Once stopped, the last seconds booked are still journaled once.
    if (!timing_.TimerRunning && !known) {
        return false;
    }
    Entry& entry = EntryOf(project);
    // The journal names the timed element by its place in the snapshot: after a change of
    // structure, or on another element, a fresh snapshot comes first.
    if (!known || entry.dirty || entry.timed != timing_.TimedNode->element) {
        WriteRecoverySnapshot(project, entry);
        return true;
    }
    const pugi::xml_node timed = timing_.TimedNode->element;
    std::string times = Recovery::JournalRecord(timed, entry.generation, 0, entry.periodStart);
    if (times == entry.lastJournaled) {
        return false;
    }
    entry.lastJournaled = std::move(times);
    store_->AppendJournal(
        entry.number, Recovery::JournalRecord(timed, entry.generation, Now(), entry.periodStart));
    return true;
}

void CrashRecovery::OfferRecovery() {
    if (!store_->isActive()) {
        return;
    }
    LeftSessions left = RecoveryStore::FindLeft(baseFolder_, store_->folder());
    if (!left.projects.empty() || !left.damaged.empty()) {
        QString text = QStringLiteral(
            "Horavel did not end cleanly last time. These projects had changes that were "
            "not saved:\r\n");
        for (const LeftProject& project : left.projects) {
            text += DescribeLeft(project) + QStringLiteral("\r\n");
        }
        for (const SetAside& damaged : left.damaged) {
            text += DescribeSetAside(damaged) + QStringLiteral("\r\n");
        }
        if (left.projects.empty()) {
            prompter_.Ask(text.chopped(2), MsgButtons::OK, kTitle);
        } else {
            text += QStringLiteral("Restore them? No discards the changes.");
            if (prompter_.Ask(text, MsgButtons::YesNo, kTitle) == MsgAnswer::Yes) {
                RestoreProjects(left);
            }
        }
    }
    for (const LeftFolder& folder : left.folders) {
        RecoveryStore::RemoveFolder(folder.path, folder.keep);
    }
}

void CrashRecovery::RestoreProjects(LeftSessions& left) {
    for (LeftProject& project : left.projects) {
        if (RestoreProject(std::move(project.document))) {
            continue;
        }
        // Kept where it is, to be offered again once the other copy has let go.
        for (LeftFolder& folder : left.folders) {
            if (folder.path == project.folder) {
                folder.keep.insert(folder.keep.end(), project.files.begin(), project.files.end());
            }
        }
    }
    // Kept again, under this copy's name, before the old copies go.
    WriteRecoverySnapshots();
    store_->Flush();
}

// In place of the same file loaded unchanged (from the workspace or the command line), or
// else after the open projects. Its file is held as a loaded one is: locked, and stamped so
// that a change made there meanwhile is noticed before a save overwrites it.
bool CrashRecovery::RestoreProject(std::unique_ptr<pugi::xml_document> document) {
    const std::string file = FileNameOf(*document);
    std::shared_ptr<FileHold> hold;
    if (!file.empty()) {
        const QFileInfo info(QString::fromStdString(file));
        LockOutcome outcome = LockOutcome::NotLockable;
        std::shared_ptr<QLockFile> lock = LockProjectFile(info.absoluteFilePath(), outcome);
        if (outcome == LockOutcome::HeldByAnotherCopy) {
            prompter_.Ask(QStringLiteral("The file\r\n%1\r\nis open in another Horavel window, so "
                                         "its unsaved changes were not restored here. They are "
                                         "kept and offered again at the next start.")
                              .arg(info.absoluteFilePath()),
                          MsgButtons::OK, kTitle);
            return false;
        }
        // Only a regular file is read for its stamp: a pipe in its place would block.
        hold = std::make_shared<FileHold>(FileHold{
            std::move(lock), info.isFile() ? StampOfFile(info.absoluteFilePath()) : FileStamp()});
    }
    int index = tree_.view.topLevelItemCount();
    for (int i = 0; !file.empty() && i < tree_.view.topLevelItemCount(); ++i) {
        TreeNode* open = tree_.view.topLevelNode(i);
        if (FileNameOf(*open->document()) == file && !ProjectTree::IsModified(open)) {
            index = i;
            tree_.DeleteNode(open);
            break;
        }
    }
    TreeNode* project = tree_.AddProjectNode(std::move(document), index);
    project->fileHold = std::move(hold);
    tree_.MarkModified(project);
    workspace_.WorkspaceModified = true;
    return true;
}

void CrashRecovery::KeepForNextStart() {
    for (int i = 0; i < tree_.view.topLevelItemCount(); ++i) {
        TreeNode* project = tree_.view.topLevelNode(i);
        if (ProjectTree::IsModified(project)) {
            NoteUnsavedChange(project);
        }
    }
    WriteRecoverySnapshots();
    store_->Flush();
}

void CrashRecovery::EndCleanly() {
    entries_.clear();
    store_->RemoveAll();
}
