#include "files/workspace_files.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <optional>
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
// The entries of the workspace file at `path`, or nothing and why when it does not read: it
// cannot be opened, or it holds binary data, which no workspace file does.
std::optional<std::vector<std::string>> ReadEntries(const QString& path, QString& error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = file.errorString();
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        error = file.errorString();
        return std::nullopt;
    }
    if (bytes.contains('\0')) {
        error = QStringLiteral("it holds binary data");
        return std::nullopt;
    }
    return ReadWorkspaceFields(bytes.toStdString());
}

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
    QString error;
    return ReadEntries(path, error).value_or(std::vector<std::string>());
}

bool Listed(const std::vector<std::string>& entries, const std::string& entry) {
    return std::find(entries.begin(), entries.end(), entry) != entries.end();
}

}  // namespace

WorkspaceFiles::WorkspaceFiles(ProjectTree& tree, DetailPane& pane, ProjectFiles& files,
                               TimingRun& timing, WorkspaceState& workspace, Platform& platform)
    : tree_(tree),
      pane_(pane),
      files_(files),
      timing_(timing),
      workspace_(workspace),
      platform_(platform),
      watch_([this](const QString& path) {
          if (QFileInfo(path).absoluteFilePath() !=
              QFileInfo(workspace_.WorkspaceFile).absoluteFilePath()) {
              return;  // a workspace this window has left
          }
          if (tree_.view.editingLabel()) {
              watch_.Later(path);  // a name being typed would lose its node
          } else {
              TakeInChangesOnDisk();
          }
      }) {}

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
    std::vector<std::string> projectFiles = OpenProjectFiles();
    for (const std::string& entry : onDisk) {
        if (!Listed(projectFiles, entry) && !Listed(entriesAsLoaded_, entry)) {
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
    KeepAsLoaded(path, projectFiles);
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
    const std::vector<std::string> entries = ReadWorkspaceFields(bytes.toStdString());
    for (const std::string& field : entries) {
        QString projectFile = QString::fromStdString(field);
        files_.LoadProjects(projectFile);
    }
    KeepAsLoaded(path, entries);
}

void WorkspaceFiles::KeepAsLoaded(const QString& path, const std::vector<std::string>& entries) {
    workspace_.WorkspaceFile = path;
    workspace_.WorkspaceModified = false;
    entriesAsLoaded_ = entries;
    failedEntries_.clear();
    toldUnreadable_ = false;
    watch_.Watch(path);
}

std::vector<std::string> WorkspaceFiles::OpenProjectFiles() const {
    std::vector<std::string> files;
    for (int i = 0; i < tree_.view.topLevelItemCount(); ++i) {
        const pugi::xml_node document = tree_.view.topLevelNode(i)->element.root();
        files.push_back(XML::NodeText(XML::ResolvePath(document, "project/@filename"), ""));
    }
    return files;
}

void WorkspaceFiles::TakeInChangesOnDisk() {
    const QString path = workspace_.WorkspaceFile;
    if (path.isEmpty()) {
        return;
    }
    QString error;
    const std::optional<std::vector<std::string>> onDisk = ReadEntries(path, error);
    if (!onDisk) {
        if (!toldUnreadable_) {
            tree_.Tell(QStringLiteral("The workspace file %1 changed on disk and no longer reads "
                                      "(%2); it is left as it is, and the open projects stay "
                                      "open.")
                           .arg(path, error));
        }
        toldUnreadable_ = true;
        return;
    }
    toldUnreadable_ = false;
    const bool wasModified = workspace_.WorkspaceModified;  // opening a project sets it
    QStringList opened;
    QStringList failed;
    for (const std::string& entry : *onDisk) {
        const QString file = QString::fromStdString(entry);
        // Closed here since, or not there yet (a sync engine may bring it next): not opened.
        if (Listed(OpenProjectFiles(), entry) || Listed(entriesAsLoaded_, entry) ||
            failedEntries_.count(entry) != 0 || !QFileInfo::exists(file)) {
            continue;
        }
        if (const std::optional<QString> why = files_.LoadProjectFileQuietly(file)) {
            failedEntries_.insert(entry);
            failed << QStringLiteral("%1 (%2)").arg(file, *why);
        } else {
            entriesAsLoaded_.push_back(entry);
            opened << QFileInfo(file).fileName();
        }
    }
    // The file lacks none of this window's projects: it needs no save for them.
    const std::vector<std::string> open = OpenProjectFiles();
    workspace_.WorkspaceModified =
        wasModified || std::any_of(open.begin(), open.end(), [&](const std::string& entry) {
            return !Listed(*onDisk, entry);
        });
    if (!opened.isEmpty() || !failed.isEmpty()) {
        QString text = QStringLiteral("The workspace file %1 changed on disk").arg(path);
        if (!opened.isEmpty()) {
            text += QStringLiteral("; opened %1").arg(opened.join(QStringLiteral(", ")));
        }
        if (!failed.isEmpty()) {
            text += QStringLiteral("; could not open %1").arg(failed.join(QStringLiteral(", ")));
        }
        tree_.Tell(text + QLatin1Char('.'));
    }
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
    failedEntries_.clear();
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
