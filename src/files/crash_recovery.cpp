// Unsaved work kept on disk while the program runs, and offered back at the next start when
// the program did not end cleanly (a crash, a kill, a power cut, a session that ended).
// Edits leave a snapshot of their document a moment later; the timer's seconds, which
// change every tick, go to a small journal every few seconds instead.
#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSessionManager>
#include <QStatusBar>
#include <QTimer>

#include "files/recovery_journal.h"
#include "files/recovery_store.h"
#include "files/xml_file.h"
#include "model/time_text.h"
#include "model/xml.h"
#include "shell/frm_main.h"

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

bool IsModified(TreeNode* project) {
    return std::string_view(project->element.attribute("modified").value()) == "true";
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
    if (file.isEmpty()) {
        return QStringLiteral("%1 (never saved), last changed %2, %3 booked")
            .arg(name, when, QString::fromStdString(Module1::FormatTime(seconds, true)));
    }
    QString error;
    if (const auto saved = XmlFile::Read(file, error)) {
        seconds = std::max(0.0, seconds - Recovery::ProjectSeconds(*saved));
    }
    return QStringLiteral("%1 (%2), last changed %3, %4 booked since it was saved")
        .arg(name, file, when, QString::fromStdString(Module1::FormatTime(seconds, true)));
}

}  // namespace

void frmMain::StartRecovery() {
    recovery_ = std::make_unique<RecoveryStore>(platform_.recoveryFolder);
    snapshotTimer_ = new QTimer(this);
    snapshotTimer_->setSingleShot(true);
    snapshotTimer_->setInterval(kSnapshotDelayMs);
    connect(snapshotTimer_, &QTimer::timeout, this, &frmMain::WriteRecoverySnapshots);
    journalTimer_ = new QTimer(this);
    journalTimer_->setInterval(kJournalIntervalMs);
    connect(journalTimer_, &QTimer::timeout, this, &frmMain::RecoveryTick);
    if (auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        connect(application, &QGuiApplication::commitDataRequest, this,
                [this](QSessionManager&) { SessionCommitData(); });
    }
}

frmMain::RecoveryEntry& frmMain::RecoveryEntryOf(TreeNode* project) {
    RecoveryEntry& entry = recoveryEntries_[project->document()];
    if (entry.number == 0) {
        entry.number = nextRecoveryNumber_++;
    }
    return entry;
}

void frmMain::NoteUnsavedChange(TreeNode* node) {
    if (!recovery_->isActive() || node == nullptr || node->document() == nullptr) {
        return;
    }
    RecoveryEntryOf(node).dirty = true;
    if (!snapshotTimer_->isActive()) {
        snapshotTimer_->start();
    }
}

void frmMain::ForgetRecovery(TreeNode* project) {
    const auto found = recoveryEntries_.find(project->document());
    if (found == recoveryEntries_.end()) {
        return;
    }
    recovery_->Discard(found->second.number);
    recoveryEntries_.erase(found);
}

void frmMain::WriteRecoverySnapshot(TreeNode* project, RecoveryEntry& entry) {
    recovery_->WriteSnapshot(
        entry.number, Recovery::SnapshotBytes(*project->document(), ++entry.generation, Now()));
    entry.dirty = false;
    entry.timed = TimerRunning && TimedNode != nullptr && ProjectNodeOf(TimedNode) == project
                      ? TimedNode->element
                      : pugi::xml_node();
    entry.lastJournaled.clear();
    KeepRecoveryTicking();  // to tell if the write fails
}

void frmMain::WriteRecoverySnapshots() {
    for (int i = 0; i < Tree->topLevelItemCount(); ++i) {
        TreeNode* project = Tree->topLevelNode(i);
        const auto found = recoveryEntries_.find(project->document());
        if (found != recoveryEntries_.end() && found->second.dirty) {
            WriteRecoverySnapshot(project, found->second);
        }
    }
}

void frmMain::KeepRecoveryTicking() {
    if (recovery_->isActive() && !journalTimer_->isActive()) {
        journalTimer_->start();
    }
}

void frmMain::RecoveryTick() {
    if (const QString error = recovery_->TakeError(); !error.isEmpty()) {
        statusBar()->showMessage(
            QStringLiteral("Unsaved changes cannot be kept for a restart: %1").arg(error));
    }
    // Stopped, with the last seconds written and the writes' outcome told: a program that
    // only sits open wakes for nothing.
    if (!JournalTiming() && !TimerRunning) {
        journalTimer_->stop();
    }
}

bool frmMain::JournalTiming() {
    if (TimedNode == nullptr || !TimedNode->element) {
        return false;
    }
    TreeNode* project = ProjectNodeOf(TimedNode);
    const bool known = recoveryEntries_.count(project->document()) > 0;
    // Once stopped, the last seconds booked are still journaled once.
    if (!TimerRunning && !known) {
        return false;
    }
    RecoveryEntry& entry = RecoveryEntryOf(project);
    // The journal names the timed element by its place in the snapshot: after a change of
    // structure, or on another element, a fresh snapshot comes first.
    if (!known || entry.dirty || entry.timed != TimedNode->element) {
        WriteRecoverySnapshot(project, entry);
        return true;
    }
    std::string times = Recovery::JournalRecord(TimedNode->element, entry.generation, 0);
    if (times == entry.lastJournaled) {
        return false;
    }
    entry.lastJournaled = std::move(times);
    recovery_->AppendJournal(entry.number,
                             Recovery::JournalRecord(TimedNode->element, entry.generation, Now()));
    return true;
}

void frmMain::OfferRecovery() {
    if (!recovery_->isActive()) {
        return;
    }
    LeftSessions left = RecoveryStore::FindLeft(platform_.recoveryFolder, recovery_->folder());
    if (!left.projects.empty()) {
        QString text = QStringLiteral(
            "Horavel did not end cleanly last time. These projects had changes that were "
            "not saved:\r\n");
        for (const LeftProject& project : left.projects) {
            text += DescribeLeft(project) + QStringLiteral("\r\n");
        }
        text += QStringLiteral("Restore them? No discards the changes.");
        if (platform_.prompter->Ask(text, MsgButtons::YesNo, kTitle) == MsgAnswer::Yes) {
            for (LeftProject& project : left.projects) {
                RestoreProject(std::move(project.document));
            }
            // Kept again, under this copy's name, before the old copies go.
            WriteRecoverySnapshots();
            recovery_->Flush();
        }
    }
    for (const QString& folder : left.folders) {
        RecoveryStore::RemoveFolder(folder);
    }
}

// In place of the same file loaded unchanged (from the workspace or the command line), or
// else after the open projects.
void frmMain::RestoreProject(std::unique_ptr<pugi::xml_document> document) {
    const std::string file = FileNameOf(*document);
    int index = Tree->topLevelItemCount();
    for (int i = 0; !file.empty() && i < Tree->topLevelItemCount(); ++i) {
        TreeNode* open = Tree->topLevelNode(i);
        if (FileNameOf(*open->document()) == file && !IsModified(open)) {
            index = i;
            DeleteNode(open);
            break;
        }
    }
    const QString name = QString::fromUtf8(document->document_element().attribute("name").value());
    auto* node = new TreeNode(std::move(document));
    node->setCaption(name);
    node->setImage(TreeImage::ProjectUnmodified);
    UpdateNode(node);
    BuildTaskNodes(node, node->element);
    Tree->insertTopLevelItem(index, node);
    MarkModified(node);
    WorkspaceModified = true;
}

void frmMain::SessionCommitData() {
    sessionEnding_ = true;
    if (Timer1.enabled()) {
        Timer1_Timer();
    }
    for (int i = 0; i < Tree->topLevelItemCount(); ++i) {
        TreeNode* project = Tree->topLevelNode(i);
        const bool timed = TimerRunning && TimedNode && ProjectNodeOf(TimedNode) == project;
        if (!FileNameOf(*project->document()).empty() && (IsModified(project) || timed)) {
            SaveProject(project, false);
        }
    }
    // What has no file, or could not be saved, waits for the next start.
    for (int i = 0; i < Tree->topLevelItemCount(); ++i) {
        TreeNode* project = Tree->topLevelNode(i);
        if (IsModified(project)) {
            NoteUnsavedChange(project);
        }
    }
    WriteRecoverySnapshots();
    recovery_->Flush();
}
