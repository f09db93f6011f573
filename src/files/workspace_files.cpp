#include "files/workspace_files.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <vector>

#include "files/project_files.h"
#include "files/safe_save.h"
#include "files/workspace_format.h"
#include "model/xml.h"
#include "platform/platform.h"
#include "tracking/timing_run.h"
#include "tree/detail_pane.h"
#include "tree/project_tree.h"

namespace {

const QString kTitle = QStringLiteral("Horavel");
const QString kWorkspaceFilter = QStringLiteral("Horavel Workspace File (*.hvw)|*.hvw");

FileDialogSetup WorkspaceDialog(const QString& title, const QString& fileName,
                                FileDialogFlags flags) {
    FileDialogSetup CD;
    CD.DialogTitle = title;
    CD.FileName = fileName;
    CD.Filter = kWorkspaceFilter;
    CD.Flags = flags;
    CD.FilterIndex = 0;
    // A name typed without an extension becomes a workspace file, not a project file.
    CD.DefaultExt = QStringLiteral(".hvw");
    return CD;
}

// The entries of the workspace file now on disk; none when there is no file or it does not read.
std::vector<std::string> EntriesOnDisk(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return ReadWorkspaceFields(file.readAll().toStdString());
}

}  // namespace

WorkspaceFiles::WorkspaceFiles(ProjectTree& tree, DetailPane& pane, ProjectFiles& files,
                               TimingRun& timing, WorkspaceState& workspace, Platform& platform)
    : tree_(tree),
      pane_(pane),
      files_(files),
      timing_(timing),
      workspace_(workspace),
      platform_(platform) {}

bool WorkspaceFiles::SaveWorkspace(QString& path, bool saveAs) {
    if (!files_.SaveAllProjects()) {
        return false;
    }
    const bool chosenNow = saveAs || path.isEmpty();
    if (chosenNow) {
        FileDialogSetup CD = WorkspaceDialog(
            saveAs ? QStringLiteral("Save Workspace as") : QStringLiteral("Save Workspace"),
            path.isEmpty() ? QStringLiteral("*.hvw") : path,
            FileDialogFlag::Explorer | FileDialogFlag::PathMustExist |
                FileDialogFlag::OverwritePrompt);
        if (!files_.CDSave(CD)) {
            return false;
        }
        path = CD.FileName;
    }
    // Another computer may have added projects to the same workspace file (carried by a sync
    // engine): they are kept, and opened where found here; one closed here since the file
    // was loaded or saved stays closed. A file chosen to be saved over is replaced.
    const std::vector<std::string> onDisk =
        chosenNow ? std::vector<std::string>() : EntriesOnDisk(path);
    std::vector<std::string> projectFiles;
    for (int i = 0; i < tree_.view.topLevelItemCount(); ++i) {
        const pugi::xml_node document = tree_.view.topLevelNode(i)->element.root();
        projectFiles.push_back(XML::NodeText(XML::ResolvePath(document, "project/@filename"), ""));
    }
    const auto listed = [](const std::vector<std::string>& entries, const std::string& entry) {
        return std::find(entries.begin(), entries.end(), entry) != entries.end();
    };
    for (const std::string& entry : onDisk) {
        if (!listed(projectFiles, entry) && !listed(entriesAsLoaded_, entry)) {
            projectFiles.push_back(entry);
            files_.LoadProjectFile(QString::fromStdString(entry));  // a missing one is skipped
        }
    }
    const WorkspaceText text = WorkspaceRecords(projectFiles);
    if (text.unwritable) {
        platform_.prompter->Ask(
            QStringLiteral("The workspace cannot list the project file\r\n%1\r\nbecause its "
                           "name holds a double quote or a line break. Save the project under "
                           "another name first.")
                .arg(QString::fromStdString(*text.unwritable)),
            MsgButtons::OK, kTitle);
        return false;
    }
    const auto produce = [&text](QIODevice& device) {
        return device.write(text.bytes.data(), qint64(text.bytes.size())) ==
               qint64(text.bytes.size());
    };
    QString error;
    SafeSave::RemoveLeftoverTemporaries(path);
    if (!SafeSave::Save(path, produce, error)) {
        platform_.prompter->Ask(
            QStringLiteral("Unable to save the workspace file\r\n%1\r\n%2").arg(path, error),
            MsgButtons::OK, kTitle);
        return false;
    }
    workspace_.WorkspaceFile = path;
    workspace_.WorkspaceModified = false;
    entriesAsLoaded_ = projectFiles;
    return true;
}

void WorkspaceFiles::LoadWorkspace(QString& path) {
    if (!ClearWorkspace()) {
        return;
    }
    if (path.isEmpty()) {
        FileDialogSetup CD =
            WorkspaceDialog(QStringLiteral("Load Workspace"), QStringLiteral("*.hvw"),
                            FileDialogFlag::Explorer | FileDialogFlag::PathMustExist);
        if (!files_.CDOpen(CD)) {
            return;
        }
        path = CD.FileName;
    }
    if (!QFileInfo::exists(path)) {
        return;
    }
    QFile file(path);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly)) {
        bytes = file.readAll();
    }
    if (file.error() != QFileDevice::NoError) {
        platform_.prompter->Ask(QStringLiteral("Unable to read the workspace file\r\n%1\r\n%2")
                                    .arg(path, file.errorString()),
                                MsgButtons::OK, kTitle);
        return;
    }
    entriesAsLoaded_ = ReadWorkspaceFields(bytes.toStdString());
    for (const std::string& field : entriesAsLoaded_) {
        QString projectFile = QString::fromStdString(field);
        files_.LoadProjects(projectFile);
    }
    workspace_.WorkspaceFile = path;
    workspace_.WorkspaceModified = false;
}

bool WorkspaceFiles::ClearWorkspace() {
    if (tree_.view.topLevelItemCount() > 0 && !OfferToSaveBeforeClearing()) {
        return false;
    }
    // Deleting the timed project is refused while the timer runs, so it stops first, even
    // when no node is selected (where the toolbar's toggle does nothing).
    timing_.StopBeforeClearing();
    while (tree_.view.topLevelItemCount() > 0) {
        TreeNode* project = tree_.view.topLevelNode(0);
        if (!tree_.DeleteNode(project)) {
            return false;  // never loop on a refused deletion
        }
    }
    pane_.Show(nullptr);
    workspace_.WorkspaceModified = false;
    workspace_.WorkspaceFile.clear();
    entriesAsLoaded_.clear();
    return true;
}

bool WorkspaceFiles::OfferToSaveBeforeClearing() {
    if (workspace_.WorkspaceModified) {
        const MsgAnswer answer =
            platform_.prompter->Ask(QStringLiteral("Save Workspace first?"),
                                    MsgButtons::YesNoCancel, QStringLiteral("Save Workspace"));
        if (answer == MsgAnswer::Cancel) {
            return false;
        }
        if (answer == MsgAnswer::Yes) {
            QString path = workspace_.WorkspaceFile;
            if (!SaveWorkspace(path, false)) {
                return false;
            }
        }
    }
    QString modified;
    for (int i = 0; i < tree_.view.topLevelItemCount(); ++i) {
        TreeNode* project = tree_.view.topLevelNode(i);
        if (ProjectTree::IsModified(project)) {
            modified += project->caption() + QStringLiteral("\r\n");
        }
    }
    if (modified.isEmpty()) {
        return true;
    }
    const MsgAnswer answer =
        platform_.prompter->Ask(QStringLiteral("Modified Projects: \r\n") + modified +
                                    QStringLiteral("Save Modified Projects First?"),
                                MsgButtons::YesNoCancel, kTitle);
    // A save dialog cancelled on the way counts as Cancel: the person asked to keep that work.
    return answer == MsgAnswer::No || (answer == MsgAnswer::Yes && files_.SaveAllProjects());
}
