#pragma once
// The main window: the hub that owns the tree, the documents (through the project nodes),
// the timing state, the workspace state and the display flags. Each operation is defined in
// the folder of the subsystem that owns it (tree/, tracking/, files/, shell/).

#include <QDialog>
#include <QMainWindow>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <pugixml.hpp>
#include <set>
#include <string>
#include <vector>

#include "history/sessions.h"
#include "platform/platform.h"
#include "platform/timer.h"
#include "shell/command_guard.h"
#include "shell/resize_handle.h"
#include "shell/tray_menu.h"
#include "tracking/elapsed.h"
#include "tracking/held_time.h"
#include "tracking/idle_watch.h"
#include "tree/drag_data.h"
#include "tree/task_tree.h"

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMimeData;
class QMenu;
class QPlainTextEdit;
class QTimer;
class QToolBar;
class RecoveryStore;
class HistoryFrame;

class frmMain : public QMainWindow {
    Q_OBJECT
  public:
    explicit frmMain(Platform platform, QWidget* parent = nullptr);
    ~frmMain() override;

    // ---- Display flags: what tree captions show (loaded from the settings at start) ----
    bool TT_ShowTime = false;
    bool TT_ShowSec = false;
    bool TT_ShowTotalTime = true;

    // ---- Tree binding, captions and detail pane (tree/tree_binding.cpp) ----
    void UpdateNode(TreeNode* node);
    void UpdateAllNodes();
    void Tree_NodeClick(TreeNode* node);
    void txtName_Change();
    void txtDescription_Change();
    void chkCompleted_Click();
    // In-place renaming (tree/renaming.cpp).
    void Tree_BeforeLabelEdit(bool& cancel);
    void Tree_AfterLabelEdit(bool& cancel, QString& newString);
    void Timer2_Timer();
    // The tree's pop-up menu (tree/tree_popup.cpp).
    void Tree_MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, QPoint position);
    void mnuCompleted_Click();

    // ---- Project and task nodes (tree/project_nodes.cpp) ----
    void NewProject();
    void NewTask(TreeNode* ParentTreeNode);
    void MarkModified(TreeNode* node);
    void MarkUnmodified(TreeNode* node);
    static TreeNode* ProjectNodeOf(TreeNode* node);
    void BuildTaskNodes(TreeNode* node, pugi::xml_node element);

    // ---- Tree structure editing (tree/structure_editing.cpp) ----
    bool DeleteNode(TreeNode*& node);
    void RemoveItem(TreeNode* node);
    void MoveNodeUp();
    void MoveNodeDown();
    void MoveChildNodes(TreeNode* from, TreeNode* to);
    // The last step of every move: a replacement for `sel` is inserted at `index` among the
    // children of `parent` (the root nodes when none), takes over its element (and document),
    // children, caption, image, expansion, selection and timing, and `sel` is deleted.
    // Returns the replacement.
    TreeNode* RecreateNode(TreeNode* sel, TreeNode* parent, int index);
    void TreeBar_ButtonClick(const QString& key);

    // ---- Drag and drop of tasks (tree/drag_drop.cpp) ----
    QMimeData* Tree_OLEStartDrag();
    TaskTree::DropEffect Tree_OLEDragOver(const QMimeData& data, QPoint position);
    void Tree_OLEDragDrop(const QMimeData& data, QPoint position);
    // Draws this instance's signature; done once at start-up.
    void DrawDragSignature();
    int MouseDownX = 0;  // where the last press in the tree was, in the tree's coordinates
    int MouseDownY = 0;
    DragSignatureBytes DragSignature{};

    // ---- Timer control and time accounting (tracking/timer_control.cpp) ----
    void ToggleTimer();
    void SwitchTimer();
    void Timer1_Timer();
    // Adds `seconds` (negative to take time back) to the node's own time and to the subtask
    // time of every node above it, up to and including the project, all or nothing: when
    // one of those times cannot take them, nothing is written, the person is told which node
    // and why (prefixed with `refused`), and the result is false. A booking marks the project
    // modified. Every second the timer books goes through here.
    bool BookTime(TreeNode* node, double seconds, const QString& refused);
    // A time between two ticks longer than this is held and asked about, not booked.
    double GapSeconds = 120;

    // ---- Timing periods, corrections and reports (history/) ----
    SessionRecorder Sessions;
    HistoryFrame* History = nullptr;  // the History frame's contents

    // ---- Project files (files/project_files.cpp) ----
    bool CDSave(FileDialogSetup& CD);
    bool CDOpen(FileDialogSetup& CD);
    bool SaveProject(TreeNode* node, bool saveAs);
    bool SaveAllProjects();
    // Yes when the file is as it was loaded or last saved, or the person says to save over
    // it; No to save under another name; Cancel.
    MsgAnswer AskBeforeSavingOverAChangedFile(TreeNode* project, const QString& path);
    // Files a second start of the program handed over: loaded here, the window brought up.
    void OpenHandedOverFiles(const QStringList& files);
    void LoadProjects(QString& fileName);
    void LoadProjectFile(const QString& path);

    // ---- Crash recovery (files/crash_recovery.cpp) ----
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
    void KeepRecoveryTicking();
    // At start: offers to restore what a copy that did not end cleanly left behind.
    void OfferRecovery();

    // ---- Workspace files (files/workspace_files.cpp) ----
    bool SaveWorkspace(QString& path, bool saveAs);
    void LoadWorkspace(QString& path);
    bool ClearWorkspace();
    // The two questions before a clear; false when the person cancelled or a save failed.
    bool OfferToSaveBeforeClearing();
    void StopTimerBeforeClearing();

    // ---- Shell: settings, layout, menus, toolbars, tray, start-up, shutdown (shell/) ----
    // Start-up (shell/startup_shutdown.cpp): the display flags, the project on the command
    // line or else the last workspace, the splitter, the drag signature, the first project
    // selected, the tray. `arguments` are the program's arguments without its own name.
    void Form_Load(const QStringList& arguments);
    // Shutdown: the splitter position, the workspace saved or cleared, the last workspace
    // remembered, the tray icon removed. false when the person cancelled a question or a
    // save dialog (or a save failed): the program then goes on as it was. When the session
    // ends it asks nothing: what has a file is saved, the rest kept for recovery.
    bool Form_Unload();
    // The desktop session is ending (logout): nothing may wait for an answer now.
    void SessionCommitData();
    // Stops a running timer whatever is selected (the tray's and the clear's way to stop).
    void StopTimer();
    // The layout pass (shell/window_layout.cpp), run on every resize and after a splitter move.
    void Form_Resize();
    void ResizeHandle1_StartMove();
    void ResizeHandle1_Move(double position);
    // The dialogs, each at most once at a time (shell/menus.cpp).
    void ShowOptions(bool modal);
    void ShowAbout();
    // Where a person looks for the timer (shell/timing_status.cpp): the status bar's timer
    // field, the tray's tooltip and icon. Called from every tick and from ToggleTimer; it
    // touches the widgets only when what they show changes.
    void ShowTimingStatus();
    QLabel* lblTimerStatus = nullptr;
    ResizeHandle* ResizeHandle1 = nullptr;
    TrayMenu* Tray = nullptr;
    QMenu* mnuFile = nullptr;
    QMenu* mnuWorkspace = nullptr;
    QMenu* mnuHelp = nullptr;
    QMenu* mnuHidden = nullptr;
    QAction* mnuOptions = nullptr;
    QAction* mnuExit = nullptr;

    // ---- State owned here and read across the subsystems ----
    TreeNode* TimedNode = nullptr;  // the node timed now, or last; never left dangling
    bool TimerRunning = false;
    double TimerStartSeconds = 0;  // monotonic whole second up to which time is booked
    QString WorkspaceFile;
    bool WorkspaceModified = false;

    // The tree's selected node, or none.
    TreeNode* SelectedNode() const { return Tree->selectedNode(); }
    // Every node that will be gone once `node` is removed from the tree must be let go
    // first: this forgets the timed node when it lies in that subtree.
    void ForgetSubtree(TreeNode* node);
    // A held time follows its node to the replacement a move builds.
    void CarryHeldTimes(TreeNode* from, TreeNode* to);
    // Tells the person, once per element and without a modal box, that a stored time of
    // the node does not fit (more than 32767 hours); the stored text stays as it is.
    void ReportTimeOverflow(TreeNode* node, const QString& detail);

    // ---- Controls ----
    TaskTree* Tree = nullptr;
    QToolBar* TreeBar = nullptr;
    QToolBar* Toolbar1 = nullptr;
    QLabel* lblName = nullptr;
    QLineEdit* txtName = nullptr;
    QCheckBox* chkCompleted = nullptr;
    QLabel* lblDescription = nullptr;
    QPlainTextEdit* txtDescription = nullptr;
    QLabel* lblTimeHead = nullptr;
    QLabel* lblTaskTime = nullptr;
    QLineEdit* txtTaskTime = nullptr;
    QLabel* lblSubTaskTime = nullptr;
    QLineEdit* txtSubTaskTime = nullptr;
    QLabel* lblTotalTime = nullptr;
    QLineEdit* txtTotalTime = nullptr;
    QGroupBox* frmHistory = nullptr;

    // The tree's pop-up menu and its entries.
    QMenu* mnuTreePopUp = nullptr;
    QAction* mnuToggleTimer = nullptr;
    QAction* mnuSwitchTimer = nullptr;
    QAction* mnuCompleted = nullptr;
    QAction* mnuTreeNewTask = nullptr;
    QAction* mnuTreeEdit = nullptr;
    QAction* mnuTreeDelete = nullptr;

    // Toolbar buttons by key ("toggletimer", "newproject", ...).
    QAction* ToolbarButton(const QString& key) const;
    QAction* TreeBarButton(const QString& key) const;

    Timer Timer1{500};
    Timer Timer2{1};

    Platform& platform() { return platform_; }

  private:
    void CreateControls();
    void CreateTreeBar();
    void CreatePaneControls();
    void CreateTreePopUp();
    void CreateToolbar();
    void PlaceControls();
    void ConnectEvents();
    void AddToolbarButton(const QString& key, const QString& caption, const QString& toolTip,
                          const QIcon& icon);
    void Toolbar1_ButtonClick(const QString& key);
    void CreateMenus();
    int TreeBarButtonsWidth() const;
    void CreateTray();
    // Window-level shortcuts (shell/shortcuts.cpp): each triggers the toolbar, tree-bar or
    // menu command it stands for, so it asks the same questions and keeps the same guards.
    void CreateShortcuts();
    void CreateStatusBar();
    // Says in the status bar why `command` could not act, when it cannot.
    void ExplainIfCannotAct(NodeCommand command);
    // No pop-up on the menu bar or the toolbar: its only entry would hide the toolbar.
    QMenu* createPopupMenu() override { return nullptr; }
    // Window size and place (shell/window_memory.cpp).
    void RestoreWindowGeometry();
    void StoreWindowGeometry();
    void closeEvent(QCloseEvent* event) override;
    struct RecoveryEntry {
        int number = 0;
        int generation = 0;
        bool dirty = true;          // changed since the last snapshot
        pugi::xml_node timed;       // the element timed when the snapshot was taken
        std::string lastJournaled;  // the last journal line, without its time
    };
    void StartRecovery();
    RecoveryEntry& RecoveryEntryOf(TreeNode* project);
    void WriteRecoverySnapshot(TreeNode* project, RecoveryEntry& entry);
    bool JournalTiming();  // false when there was nothing to write
    void RestoreProject(std::unique_ptr<pugi::xml_document> document);
    std::unique_ptr<RecoveryStore> recovery_;
    std::map<const pugi::xml_document*, RecoveryEntry> recoveryEntries_;
    QTimer* snapshotTimer_ = nullptr;
    QTimer* journalTimer_ = nullptr;
    int nextRecoveryNumber_ = 1;
    bool sessionEnding_ = false;
    bool eventFilter(QObject* watched, QEvent* event) override;
    QWidget* client_ = nullptr;      // the area the layout pass arranges
    bool timer1WasEnabled_ = false;  // Timer1's state when a splitter drag began
    bool unloaded_ = false;
    QPointer<QDialog> optionsDialog_;
    QPointer<QDialog> aboutDialog_;

    Platform platform_;
    int frame_ = 0;  // clock animation frame, carried over between timing periods
    // Timing (tracking/): readings between ticks, the idle stretch being watched, and the
    // times held while their questions wait.
    void HaltTimer();
    void HoldTime(HeldTime held);
    void AnswerHeldTime(int id, int button);
    void EndIdleStretch(const IdleStep& step);
    TickState ticks_;
    double lastTickWall_ = 0;
    double bookedSince_ = 0;
    IdleWatch idle_;
    IdleAnswer lastIdleAnswer_;
    std::optional<double> IdleNow(double now, double limit);  // none: unknown or unwatched
    std::vector<HeldTime> held_;
    int nextHeldId_ = 1;
    std::map<QString, QAction*> toolbarButtons_;
    std::map<QString, QAction*> treeBarButtons_;
    std::set<uintptr_t> timeOverflowReported_;
    // The pane as it was filled for the selected node: what the description field showed
    // then and the line end its stored text uses, so that showing a node writes nothing.
    bool showingNode_ = false;
    QString descriptionShown_;
    QString descriptionLineEnd_ = QStringLiteral("\n");
    std::optional<QString> shownTimingSummary_;  // what the timer field shows; none at first
    QString timerFieldShape_;  // its text with every digit a 0, as its size was measured for
};
