#pragma once
// Workspace files: the set of open projects saved, reloaded and cleared in one step.

#include <QString>

#include <string>
#include <vector>

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

  private:
    // The two questions before a clear; false when the person cancelled or a save failed.
    bool OfferToSaveBeforeClearing();

    ProjectTree& tree_;
    DetailPane& pane_;
    ProjectFiles& files_;
    TimingRun& timing_;
    WorkspaceState& workspace_;
    Platform& platform_;
    // The entries of the workspace file when this window last loaded or saved it.
    std::vector<std::string> entriesAsLoaded_;
};
