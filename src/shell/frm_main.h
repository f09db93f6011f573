#pragma once
// The main window: the hub that composes the subsystems. It owns the controls, the plain
// state objects (display flags, timing, workspace) and one object per subsystem, wires
// widgets, menus and seams to them, and keeps the names of the window's operations, each a
// few lines handing the work to the subsystem that owns it.

#include <QMainWindow>
#include <QPointer>
#include <QString>

#include <map>
#include <memory>
#include <optional>
#include <pugixml.hpp>

#include "platform/platform.h"
#include "platform/remote_command.h"
#include "shell/command_guard.h"
#include "shell/main_controls.h"
#include "tree/caption.h"
#include "tree/task_tree.h"
#include "tree/window_state.h"

class CrashRecovery;
class DetailPane;
class HistoryFrame;
class LabelEditDelegate;
class LabelEditing;
class ProjectFiles;
class ProjectTree;
class QDialog;
class QMimeData;
class TaskDragDrop;
class TimingRun;
class MergeDecisionsWindow;
class WorkspaceFiles;

class frmMain : public QMainWindow {
    Q_OBJECT
  public:
    explicit frmMain(Platform platform, QWidget* parent = nullptr);
    ~frmMain() override;

    MainControls ui;

    // ---- State, apart from the widgets ----
    DisplayFlags Display;  // what tree captions show (read from the settings at start)
    TimingState Timing;
    WorkspaceState Workspace;

    // ---- Tree binding, nodes and structure (tree/) ----
    void UpdateNode(TreeNode* node);
    void UpdateAllNodes();
    void Tree_NodeClick(TreeNode* node);
    void Tree_BeforeLabelEdit(bool& cancel);
    void Tree_AfterLabelEdit(bool& cancel, QString& newString);
    void NewProject();
    void NewTask(TreeNode* ParentTreeNode);
    void MarkModified(TreeNode* node);
    void MarkUnmodified(TreeNode* node);
    static TreeNode* ProjectNodeOf(TreeNode* node);
    void BuildTaskNodes(TreeNode* node, pugi::xml_node element);
    bool DeleteNode(TreeNode*& node);
    // Offers to save a modified project first, then deletes the node.
    void RemoveItem(TreeNode* node);
    void MoveNodeUp();
    void MoveNodeDown();
    // Every edit of the projects is one step on one stack (Ctrl+Z, Ctrl+Shift+Z, Ctrl+Y).
    void Undo();
    void Redo();
    TreeNode* RecreateNode(TreeNode* sel, TreeNode* parent, int index);
    void MoveChildNodes(TreeNode* from, TreeNode* to);
    QMimeData* Tree_OLEStartDrag();
    TaskTree::DropEffect Tree_OLEDragOver(const QMimeData& data, QPoint position);
    void Tree_OLEDragDrop(const QMimeData& data, QPoint position);

    // ---- Timer control and time accounting (tracking/) ----
    void ToggleTimer();
    void SwitchTimer();
    void Timer1_Timer();
    // Stops a running timer whatever is selected (the tray's and the clear's way to stop).
    void StopTimer();
    // A command from a desktop shortcut or a script, sent by a second start of the program
    // (shell/remote_control.cpp): done as the window's own command would, then answered
    // with what the timer field says (or its JSON form).
    RemoteAnswer AnswerRemoteCommand(const RemoteCommand& command);

    // ---- Project and workspace files (files/) ----
    bool CDSave(FileDialogSetup& CD);
    bool CDOpen(FileDialogSetup& CD);
    bool SaveProject(TreeNode* node, bool saveAs);
    bool SaveAllProjects();
    void LoadProjects(QString& fileName);
    void LoadProjectFile(const QString& path);
    // Files a second start of the program handed over: loaded here, the window brought up.
    void OpenHandedOverFiles(const QStringList& files);
    bool SaveWorkspace(QString& path, bool saveAs);
    void LoadWorkspace(QString& path);
    bool ClearWorkspace();
    CrashRecovery& Recovery() { return *recovery_; }
    HistoryFrame* History = nullptr;  // the History frame's contents

    // ---- Start-up, shutdown, layout and dialogs (shell/) ----
    // Start-up: the display flags, the project on the command line or else the last
    // workspace, the splitter, the drag signature, what a crash left, the first project
    // selected, the tray. `arguments` are the program's arguments without its own name.
    void Form_Load(const QStringList& arguments);
    // Shutdown: the splitter position, the workspace saved or cleared, the last workspace
    // remembered, the tray icon removed. false when the person cancelled a question or a
    // save dialog (or a save failed): the program then goes on as it was. When the session
    // ends it asks nothing: what has a file is saved, the rest kept for recovery.
    bool Form_Unload();
    // The desktop session is ending (logout): nothing may wait for an answer now.
    void SessionCommitData();
    // The layout pass, run on every resize and after a splitter move.
    void Form_Resize();
    void ResizeHandle1_StartMove();
    void ResizeHandle1_Move(double position);
    // The dialogs, each at most once at a time.
    void ShowOptions(bool modal);
    void ShowAbout();
    // What the merges of this session decided, in a window that does not block.
    void ShowMergeDecisions();
    // Where a person looks for the timer (shell/timing_status.cpp): the status bar's timer
    // field, the tray's tooltip and icon. Runs after every tick, start and stop; it touches
    // the widgets only when what they show changes.
    void ShowTimingStatus();

    // Whether any of the window can be seen: shown, not minimized, not wholly covered.
    bool IsSeen() const;

    // The tree's selected node, or none.
    TreeNode* SelectedNode() const { return ui.Tree->selectedNode(); }
    // Toolbar buttons by key ("toggletimer", "newproject", ...).
    QAction* ToolbarButton(const QString& key) const;
    QAction* TreeBarButton(const QString& key) const;
    Platform& platform() { return platform_; }

  private:
    // Building the window (shell/frm_main.cpp, shell/menus.cpp, shell/shortcuts.cpp).
    void CreateControls();
    void CreateTreeBar();
    void CreatePaneControls();
    void CreateTreePopUp();
    void CreateToolbar();
    void AddToolbarButton(const QString& key, const QString& caption, const QString& toolTip,
                          const QIcon& icon);
    void CreateMenus();
    void CreateTray();
    // Window-level shortcuts: each triggers the toolbar, tree-bar or menu command it stands
    // for, so it asks the same questions and keeps the same guards.
    void CreateShortcuts();
    void CreateStatusBar();
    void PlaceControls();
    void CreateSubsystems();
    void ConnectEvents();
    void ConnectTree();
    void ConnectSubsystems();

    // Handlers of the controls.
    void Toolbar1_ButtonClick(const QString& key);
    void TreeBar_ButtonClick(const QString& key);
    void Tree_MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, QPoint position);
    void mnuCompleted_Click();
    void Timer2_Timer();
    // Says in the status bar why `command` could not act, when it cannot.
    void ExplainIfCannotAct(NodeCommand command);
    // What the toolbar button and the pop-up entry offer next.
    void ShowTimerState(bool running);
    // --start: the task at the path timed, switching from any other; refused with the
    // reason when the path names no task or several.
    RemoteAnswer StartTimingAt(const QString& taskPath);
    RemoteAnswer TimingStatusAnswer(bool json) const;
    // Window size and place (shell/window_memory.cpp).
    void RestoreWindowGeometry();
    void StoreWindowGeometry();
    int TreeBarButtonsWidth() const;
    // No pop-up on the menu bar or the toolbar: its only entry would hide the toolbar.
    QMenu* createPopupMenu() override { return nullptr; }
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // What ticks left undrawn while nobody saw the window, drawn now that it is seen.
    void CatchUpOnSight();

    Platform platform_;
    // One object per subsystem, each given the state and the seams it needs.
    std::unique_ptr<ProjectTree> tree_;
    std::unique_ptr<DetailPane> pane_;
    std::unique_ptr<LabelEditing> labels_;
    std::unique_ptr<TaskDragDrop> drag_;
    std::unique_ptr<TimingRun> timing_;
    std::unique_ptr<CrashRecovery> recovery_;
    std::unique_ptr<ProjectFiles> files_;
    std::unique_ptr<WorkspaceFiles> workspaceFiles_;
    LabelEditDelegate* labelDelegate_ = nullptr;

    QWidget* client_ = nullptr;      // the area the layout pass arranges
    bool timer1WasEnabled_ = false;  // Timer1's state when a splitter drag began
    bool unloaded_ = false;
    bool sessionEnding_ = false;
    bool shownOnce_ = false;
    bool behindWhileUnseen_ = false;  // ticks booked while unseen left the window as it was
    QPointer<QDialog> optionsDialog_;
    // Read once and again when the options are saved: the timer asks at every tick.
    double idleLimitSeconds_ = 0;
    QPointer<QDialog> aboutDialog_;
    QPointer<MergeDecisionsWindow> mergeDecisionsWindow_;
    std::map<QString, QAction*> toolbarButtons_;
    std::map<QString, QAction*> treeBarButtons_;
    std::optional<QString> shownTimingSummary_;  // what the timer field shows; none at first
    QString timerFieldShape_;  // its text with every digit a 0, as its size was measured for
};
