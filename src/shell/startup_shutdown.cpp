// What the main window does when it opens and when it closes.
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QStatusBar>

#include "files/recovery_store.h"
#include "shell/frm_main.h"
#include "shell/settings.h"
#include "shell/window_memory.h"

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
    const DisplayFlags flags = ReadDisplayFlags(store);
    TT_ShowTime = flags.showTime;
    TT_ShowTotalTime = flags.showTotalTime;
    TT_ShowSec = flags.showSec;

    if (!arguments.isEmpty()) {
        // Every argument names a project file; an option ("-x") names none. A file that is
        // not there is said in the status bar rather than skipped without a word.
        QStringList missing;
        for (QString path : ProjectFileArguments(arguments)) {
            if (QFileInfo::exists(path)) {
                LoadProjects(path);
            } else {
                missing << path;
            }
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

    const bool firstStart = store.GetSetting(SettingKey::SplitterPosition, QString()).isEmpty();
    ResizeHandle1->offLeft = firstStart ? kFirstStartSplitter : ReadSplitterPosition(store);
    RestoreWindowGeometry();
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
    StoreWindowGeometry();
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
