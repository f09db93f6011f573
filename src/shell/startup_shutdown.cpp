// What the main window does when it opens and when it closes.
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QStatusBar>
#include <QTimer>

#include "files/crash_recovery.h"
#include "files/project_files.h"
#include "shell/frm_main.h"
#include "shell/resize_handle.h"
#include "shell/settings.h"
#include "shell/tray_menu.h"
#include "shell/window_memory.h"
#include "tracking/timing_run.h"
#include "tree/drag_drop.h"
#include "tree/project_tree.h"

namespace {
// Where the splitter may go at the least, in twips.
constexpr double kSplitterMinX = 1815;
// Where the splitter sits on the very first start: wide enough for names three levels deep.
constexpr double kFirstStartSplitter = 3900;

// The project files named on the command line: every argument that is not an option. A
// command line that begins with an option ("-x") names none, like one without a file.
QStringList ProjectFileArguments(const QStringList& arguments) {
    QStringList files;
    if (arguments.isEmpty() || arguments.first().startsWith(QLatin1Char('-'))) {
        return files;
    }
    for (const QString& argument : arguments) {
        if (!argument.startsWith(QLatin1Char('-'))) {
            files << QFileInfo(argument).absoluteFilePath();
        }
    }
    return files;
}
}  // namespace

void frmMain::Form_Load(const QStringList& arguments) {
    SettingsStore& store = *platform_.settings;
    Display = ReadDisplayFlags(store);

    if (!arguments.isEmpty()) {
        // Every argument names a project file; an option ("-x") names none. A file that is
        // not there is said in the status bar rather than skipped without a word.
        QStringList found;
        QStringList missing;
        for (const QString& path : ProjectFileArguments(arguments)) {
            (QFileInfo::exists(path) ? found : missing) << path;
        }
        if (!found.isEmpty()) {
            files_->LoadProjectFiles(found);
        }
        if (!missing.isEmpty()) {
            statusBar()->showMessage(QStringLiteral("File not found: ") +
                                     missing.join(QStringLiteral(", ")));
        }
    } else if (AutoLoadWorkspaceAtStart(store)) {
        QString lastWorkspace = ReadLastWorkspace(store);
        if (!lastWorkspace.isEmpty()) {
            LoadWorkspace(lastWorkspace);
        }
    }

    ui.ResizeHandle1->offLeft = ReadSplitterPosition(store).value_or(kFirstStartSplitter);
    RestoreWindowGeometry();
    ui.ResizeHandle1->MinX = kSplitterMinX;
    // Laid out when the window is first shown, at its real size: a pass now, at whatever
    // size the hidden window has, would clamp the position for good.
    drag_->DrawDragSignature(*platform_.random);
    recovery_->OfferRecovery();
    if (ui.Tree->topLevelItemCount() > 0) {
        ui.Tree->setCurrentItem(ui.Tree->topLevelNode(0));
        Tree_NodeClick(ui.Tree->topLevelNode(0));
    }
    ui.Tray->TraySetup(TrayIconWanted(store));
}

bool frmMain::Form_Unload() {
    if (unloaded_) {
        return true;
    }
    SettingsStore& store = *platform_.settings;
    WriteSplitterPosition(store, ui.ResizeHandle1->offLeft);
    StoreWindowGeometry();
    // The seconds since the last tick belong in what is saved now.
    if (ui.Timer1.enabled()) {
        Timer1_Timer();
    }
    if (sessionEnding_) {
        // Saved and kept when the session asked (SessionCommitData); no one is there to ask.
        WriteLastWorkspace(store, Workspace.WorkspaceFile);
    } else if (AutoSaveWorkspace(store)) {
        // "No Prompt": a workspace with its file is saved there; only a new one is named.
        QString path = Workspace.WorkspaceFile;
        if (!SaveWorkspace(path, false)) {
            return false;  // cancelled or failed: the work stays open, the timer running
        }
        WriteLastWorkspace(store, Workspace.WorkspaceFile);
    } else {
        WriteLastWorkspace(store, Workspace.WorkspaceFile);
        if (!ClearWorkspace()) {
            return false;
        }
    }
    unloaded_ = true;
    store.Flush();
    ui.Tray->RemoveAtShutdown();
    if (sessionEnding_) {
        recovery_->KeepForNextStart();  // what has no file waits for the next start
    } else {
        recovery_->EndCleanly();  // a clean end: all that was kept is saved or given up
    }
    return true;
}

void frmMain::closeEvent(QCloseEvent* event) {
    if (!Form_Unload()) {
        event->ignore();
        return;
    }
    event->accept();
    // Also when the window was hidden in the tray, where closing it would not end the loop.
    QCoreApplication::quit();
}

void frmMain::SessionCommitData() {
    sessionEnding_ = true;
    if (ui.Timer1.enabled()) {
        Timer1_Timer();
    }
    for (int i = 0; i < ui.Tree->topLevelItemCount(); ++i) {
        TreeNode* project = ui.Tree->topLevelNode(i);
        const bool timed = Timing.TimerRunning && ProjectNodeOf(Timing.TimedNode) == project;
        if (!NodeString(project, "^filename").isEmpty() &&
            (ProjectTree::IsModified(project) || timed)) {
            SaveProject(project, false);
        }
    }
    // What has no file, or could not be saved, waits for the next start.
    recovery_->KeepForNextStart();
}

void frmMain::OpenHandedOverFiles(const QStringList& files) {
    // Never underneath a question the person has not answered yet.
    if (QApplication::activeModalWidget() != nullptr) {
        QTimer::singleShot(250, this, [this, files] { OpenHandedOverFiles(files); });
        return;
    }
    if (!files.isEmpty()) {
        files_->LoadProjectFiles(files);  // those that fail are told in one message
    }
    if (isMinimized()) {
        showNormal();
    }
    show();
    raise();
    activateWindow();
}
