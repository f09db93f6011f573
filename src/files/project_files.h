#pragma once
// Saving and loading project files.

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <set>
#include <vector>

#include "files/disk_watch.h"
#include "files/file_hold.h"
#include "files/merge_base_store.h"
#include "files/project_merge.h"
#include "platform/file_dialog.h"
#include "platform/prompter.h"
#include "tree/window_state.h"

class ProjectTree;
class TreeNode;
struct Platform;

// The filter of the project file dialogs: pairs of label and pattern.
inline constexpr char kProjectFileFilter[] =
    "Horavel File (*.hvp)|*.hvp|XML File (*.xml)|*.xml|All Files (*.*)|*.hvp;*.*";

// The file name offered for a project that was never saved: its name with each of
// \ / : * ? < > | replaced by "_". Nothing else changes and no extension is added.
QString SuggestedFileName(const QString& projectName);

// The paths an open dialog's answer stands for. Without a NUL it is one path; with NULs it
// is a folder followed by names in that folder, each ended by a NUL, which give one path
// each, in order ("/p\0a.hvp\0b.hvp\0" gives "/p/a.hvp" and "/p/b.hvp").
QStringList SelectedPaths(const QString& fileName);

// A decision a merge took, with when, in which project and against what.
struct TakenDecision {
    QDateTime when;
    QString project;    // the project's name
    QString otherSide;  // what was merged in: "the file on disk", or a conflict copy's name
    MergeDecision decision;
};

class ProjectFiles : public QObject {
    Q_OBJECT
  public:
    ProjectFiles(ProjectTree& tree, WorkspaceState& workspace, TimingState& timing,
                 Platform& platform);

    // The file dialog `CommonDialog1`: false when the person cancels.
    bool CDSave(FileDialogSetup& CD);
    bool CDOpen(FileDialogSetup& CD);
    // Saves the node's project under its file name, or under a name the person chooses
    // when it has none or `saveAs`; false when cancelled or not saved (and then said why).
    bool SaveProject(TreeNode* node, bool saveAs);
    // Every open project in turn; false at the first that is not saved.
    bool SaveAllProjects();
    // Yes when the file is as it was loaded or last saved, or the person says to save over
    // it; No to save under another name; Cancel.
    MsgAnswer AskBeforeSavingOverAChangedFile(TreeNode* project, const QString& path);
    // What became of a project whose file may have changed on disk.
    enum class DiskChange { None, Reloaded, Merged, NotMergeable };
    // When the project's file holds something else than it was loaded from or last saved
    // to (another computer's save, carried by a sync engine): a project without unsaved
    // changes is reloaded, any other is merged with it against the base and stays
    // modified, both without a question; what was decided is told in the status bar and
    // added to MergeDecisions. NotMergeable: the file does not read or holds no project.
    DiskChange TakeInChangesOnDisk(TreeNode* project);
    // Merges each conflict copy a sync engine left beside the project's file that was not
    // merged yet, against the base (by id alone without one); the project stays modified,
    // and each copy goes to the trash once the project holding it is saved.
    void TakeInConflictCopies(TreeNode* project);
    // Every decision the merges of this session took, the newest last.
    const std::vector<TakenDecision>& MergeDecisions() const { return decisions_; }

    // Loads the files `fileName` stands for, asking for them when it is empty.
    void LoadProjects(QString& fileName);
    // Loads each file in turn, as files handed over by another start or given on the
    // command line; those that cannot be loaded are told in one message at the end, however
    // many they are.
    void LoadProjectFiles(const QStringList& paths);
    void LoadProjectFile(const QString& path);
    // Loads the file without a question: why it could not be loaded, or nothing when it was
    // loaded, is missing or is open already.
    std::optional<QString> LoadProjectFileQuietly(const QString& path);

  signals:
    // A merge took decisions: MergeDecisions() holds more than before.
    void Decided();

  private:
    // Why a file was not loaded: the message when it is the only one, and the reason listed
    // after its path among several.
    struct LoadFailure {
        QString path;
        QString reason;
        QString message;
    };
    // Loads the file; a missing one is skipped without a word, and one already open is not
    // loaded again but added to `alreadyOpen`.
    std::optional<LoadFailure> OpenProjectFile(const QString& path,
                                               std::vector<TreeNode*>& alreadyOpen);
    void TellLoadFailures(const std::vector<LoadFailure>& failures);
    // Selects the last of the projects a load found open already and says which they are.
    void TellAlreadyOpen(const std::vector<TreeNode*>& projects);

    // Keeps the bytes as the project's merge base and its file's stamp as loaded.
    void KeepAsLoaded(TreeNode* project, const QString& path, const pugi::xml_document& document,
                      const FileStamp& stamp);
    void TellMerge(TreeNode* project, const MergeResult& result);
    // When this window last changed the project, to weigh its edits against another's in a
    // merge: the later change of a field wins.
    qint64 ChangedAt(TreeNode* project) const;
    // Adds the merge's decisions to MergeDecisions, and says so when there were any.
    void Record(TreeNode* project, const QString& otherSide, const MergeResult& result);
    void TakeInConflictCopy(TreeNode* project, const QString& copy);
    // Puts the merge into the project as one undo step; `applied` hears of its undo and redo.
    void ApplyMerge(TreeNode* project, const pugi::xml_document& merged,
                    std::function<void(bool)> applied = {});
    // Sends to the trash the copies merged into the document now saved at `path`.
    void TrashMergedCopies(const pugi::xml_document* document, const pugi::xml_document& saved);

    // A conflict copy merged into a project that is not saved yet.
    struct MergedCopy {
        const pugi::xml_document* document;  // the project's
        QString path;
        FileStamp stamp;  // of the copy as merged: a copy changed since is merged again
    };

    ProjectTree& tree_;
    WorkspaceState& workspace_;
    TimingState& timing_;
    Platform& platform_;
    MergeBaseStore bases_;
    DiskWatch watch_;
    std::vector<TakenDecision> decisions_;
    std::vector<MergedCopy> mergedCopies_;
    // Copies that did not read, as they were when told: told once.
    std::vector<std::pair<QString, FileStamp>> unreadableCopies_;
    // Documents whose tasks all had ids at their last save: a task enters a document only
    // with its node entering the tree, and until one does, a save need not walk tens of
    // thousands of tasks again (the walk misses the cache at every name it reads).
    std::set<const pugi::xml_document*> idsComplete_;
};
