#pragma once
// Unsaved work kept on disk while the program runs, and offered back at the next start when
// the program did not end cleanly (a crash, a kill, a power cut, a session that ended).
// Edits leave a snapshot of their document a moment later; the timer's seconds, which
// change every tick, go to a small journal every few seconds instead.

#include <QObject>
#include <QString>

#include <map>
#include <memory>
#include <pugixml.hpp>
#include <string>

#include "tree/window_state.h"

class ProjectTree;
class Prompter;
class QTimer;
class RecoveryStore;
class SessionRecorder;
struct LeftSessions;
class TreeNode;

class CrashRecovery : public QObject {
    Q_OBJECT
  public:
    // Keeps the projects of `tree` in a folder of this program's own under `baseFolder`;
    // keeps nothing when `baseFolder` is empty or cannot be used, and says so when a change
    // or the timer would need it. `periods` tells which period the timer extends.
    CrashRecovery(ProjectTree& tree, const TimingState& timing, const SessionRecorder& periods,
                  WorkspaceState& workspace, Prompter& prompter, const QString& baseFolder,
                  QObject* parent = nullptr);
    // Leaves nothing behind when nothing unsaved is kept.
    ~CrashRecovery() override;

    // The project's unsaved work is to be kept on disk: a snapshot follows shortly.
    void NoteUnsavedChange(TreeNode* node);
    // The project's kept work is no longer needed: it was saved or removed.
    void ForgetRecovery(TreeNode* project);
    // A snapshot of every project whose changes are not kept yet.
    void WriteRecoverySnapshots();
    // While timing, every few seconds: the timed chain's times go to the journal, and a
    // failure to keep them is told. Runs from the timer's start or a snapshot until both
    // have nothing left to do.
    void RecoveryTick();
    // The timer started, or a snapshot was asked for. When nothing can be kept, the first
    // call says so.
    void KeepRecoveryTicking();
    // At start: offers to restore what a copy that did not end cleanly left behind.
    void OfferRecovery();
    // The session ends: every modified project is kept for the next start, on disk now.
    void KeepForNextStart();
    // A clean end: all that was kept is saved or given up.
    void EndCleanly();

  signals:
    void Notice(const QString& text);

  private:
    struct Entry {
        int number = 0;
        int generation = 0;
        bool dirty = true;          // changed since the last snapshot
        pugi::xml_node timed;       // the element timed when the snapshot was taken
        std::string periodStart;    // the start of its period the timer extends, if any
        std::string lastJournaled;  // the last journal line, without its time
    };
    Entry& EntryOf(TreeNode* project);
    void WriteRecoverySnapshot(TreeNode* project, Entry& entry);
    bool JournalTiming();  // false when there was nothing to write
    void RestoreProjects(LeftSessions& left);
    // False when the project's file is held by another running copy: it is not restored.
    bool RestoreProject(std::unique_ptr<pugi::xml_document> document);
    // Says once, for each `told`, that nothing can be kept and why.
    void TellNothingKept(bool& told);

    ProjectTree& tree_;
    const TimingState& timing_;
    const SessionRecorder& periods_;
    WorkspaceState& workspace_;
    Prompter& prompter_;
    QString baseFolder_;
    std::unique_ptr<RecoveryStore> store_;
    std::map<const pugi::xml_document*, Entry> entries_;
    QTimer* snapshotTimer_ = nullptr;
    QTimer* journalTimer_ = nullptr;
    int nextNumber_ = 1;
    bool toldAtChange_ = false;
    bool toldAtTimer_ = false;
};
