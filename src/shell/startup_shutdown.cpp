// What the main window does when it opens and when it closes.
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>

#include "files/recovery_store.h"
#include "shell/frm_main.h"
#include "shell/settings.h"

namespace {
// Where the splitter may go at the least, in twips.
constexpr double kSplitterMinX = 1815;
}  // namespace

void frmMain::Form_Load(const QStringList& arguments) {
    SettingsStore& store = *platform_.settings;
    const DisplayFlags flags = ReadDisplayFlags(store);
    TT_ShowTime = flags.showTime;
    TT_ShowTotalTime = flags.showTotalTime;
    TT_ShowSec = flags.showSec;

    if (!arguments.isEmpty()) {
        // The first argument names a project file; an option ("-x") names none and, like a
        // command line without a file, loads nothing.
        if (!arguments.first().startsWith(QLatin1Char('-'))) {
            QString path = QFileInfo(arguments.first()).absoluteFilePath();
            LoadProjects(path);
        }
    } else if (AutoLoadWorkspaceAtStart(store)) {
        QString lastWorkspace = ReadLastWorkspace(store);
        if (!lastWorkspace.isEmpty()) {
            LoadWorkspace(lastWorkspace);
        }
    }

    ResizeHandle1->offLeft = ReadSplitterPosition(store);
    ResizeHandle1->MinX = kSplitterMinX;
    // Laid out when the window is first shown, at its real size: a pass now, at whatever
    // size the hidden window has, would clamp the position for good.
    DrawDragSignature();
    OfferRecovery();
    if (Tree->topLevelItemCount() > 0) {
        Tree->setCurrentItem(Tree->topLevelNode(0));
        Tree_NodeClick(Tree->topLevelNode(0));
    }
    Tray->TraySetup(TrayIconWanted(store));
}

bool frmMain::Form_Unload() {
    if (unloaded_) {
        return true;
    }
    SettingsStore& store = *platform_.settings;
    WriteSplitterPosition(store, ResizeHandle1->offLeft);
    // The seconds since the last tick belong in what is saved now.
    if (Timer1.enabled()) {
        Timer1_Timer();
    }
    if (sessionEnding_) {
        // Saved and kept when the session asked (SessionCommitData); no one is there to ask.
        WriteLastWorkspace(store, WorkspaceFile);
    } else if (AutoSaveWorkspace(store)) {
        QString ask;  // the workspace dialog every time, whatever WorkspaceFile holds
        if (!SaveWorkspace(ask, false)) {
            return false;  // cancelled or failed: the work stays open, the timer running
        }
        WriteLastWorkspace(store, WorkspaceFile);
    } else {
        WriteLastWorkspace(store, WorkspaceFile);
        if (!ClearWorkspace()) {
            return false;
        }
    }
    unloaded_ = true;
    store.Flush();
    Tray->RemoveAtShutdown();
    if (sessionEnding_) {
        recovery_->Flush();  // what has no file waits for the next start
    } else {
        recoveryEntries_.clear();
        recovery_->RemoveAll();  // a clean end: all that was kept is saved or given up
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

void frmMain::StopTimer() {
    if (!TimerRunning) {
        return;
    }
    if (SelectedNode() == nullptr && TimedNode != nullptr) {
        Tree->setCurrentItem(TimedNode);
    }
    ToggleTimer();
}
