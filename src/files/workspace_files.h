#pragma once
// Workspace files: the set of open projects saved, reloaded and cleared in one step.

#include <QString>

#include <set>
#include <string>
#include <vector>

#include "files/disk_watch.h"
#include "tree/window_state.h"

class DetailPane;
class ProjectFiles;
class ProjectTree;
class TimingRun;
struct Platform;

class WorkspaceFiles {
  public:
    WorkspaceFiles(ProjectTree& tree, DetailPane& pane, ProjectFiles& files, TimingRun& timing,
                   WorkspaceState& workspace, Platform& platform);

    // Saves every project, then the list of their files to `path`, asking for it when it is
    // empty or `saveAs`; `path` becomes the name chosen. False when cancelled or not saved.
    bool SaveWorkspace(QString& path, bool saveAs);
    // Clears the workspace, then loads the projects the file lists (asking for the file
    // when `path` is empty).
    void LoadWorkspace(QString& path);
    // Offers to save, stops the timer and closes every project; false when the person
    // cancelled or a save failed.
    bool ClearWorkspace();
    // Takes in the workspace file as another computer left it (carried by a sync engine):
    // the projects it lists that are not open, and were not closed here, are opened
    // without a question, and none open here is closed, so the workspace holds the union
    // of both. A file that no longer reads is left alone and told in the status bar.
    void TakeInChangesOnDisk();

  private:
    // The two questions before a clear; false when the person cancelled or a save failed.
    bool OfferToSaveBeforeClearing();
    // The workspace is now `path`, as loaded or saved with `entries`: watched from here on.
    void KeepAsLoaded(const QString& path, const std::vector<std::string>& entries);
    // The files of the open projects, in the tree's order.
    std::vector<std::string> OpenProjectFiles() const;

    ProjectTree& tree_;
    DetailPane& pane_;
    ProjectFiles& files_;
    TimingRun& timing_;
    WorkspaceState& workspace_;
    Platform& platform_;
    // The entries of the workspace file when this window last loaded or saved it.
    std::vector<std::string> entriesAsLoaded_;
    // Entries that would not load when taken in from disk: told once.
    std::set<std::string> failedEntries_;
    bool toldUnreadable_ = false;
    DiskWatch watch_;
};
