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
#include <pugixml.hpp>
#include <set>

#include "platform/platform.h"
#include "history/sessions.h"
#include "platform/timer.h"
#include "shell/resize_handle.h"
#include "shell/tray_menu.h"
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
class QToolBar;
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

    // ---- Timing periods, corrections and reports (history/) ----
    SessionRecorder Sessions;
    HistoryFrame* History = nullptr;  // the History frame's contents

    // ---- Project files (files/project_files.cpp) ----
    bool CDSave(FileDialogSetup& CD);
    bool CDOpen(FileDialogSetup& CD);
    bool SaveProject(TreeNode* node, bool saveAs);
    bool SaveAllProjects();
    void LoadProjects(QString& fileName);
    void LoadProjectFile(const QString& path);

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
    // remembered, the tray icon removed. It cannot be cancelled.
    void Form_Unload();
    // Stops a running timer whatever is selected (the tray's and the clear's way to stop).
    void StopTimer();
    // The layout pass (shell/window_layout.cpp), run on every resize and after a splitter move.
    void Form_Resize();
    void ResizeHandle1_StartMove();
    void ResizeHandle1_Move(double position);
    // The dialogs, each at most once at a time (shell/menus.cpp).
    void ShowOptions(bool modal);
    void ShowAbout();
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
    double TimerStartSeconds = 0;  // clock reading the next tick measures from
    QString WorkspaceFile;
    bool WorkspaceModified = false;

    // The tree's selected node, or none.
    TreeNode* SelectedNode() const { return Tree->selectedNode(); }
    // Every node that will be gone once `node` is removed from the tree must be let go
    // first: this forgets the timed node when it lies in that subtree.
    void ForgetSubtree(TreeNode* node);
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
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    QWidget* client_ = nullptr;      // the area the layout pass arranges
    bool timer1WasEnabled_ = false;  // Timer1's state when a splitter drag began
    bool unloaded_ = false;
    QPointer<QDialog> optionsDialog_;
    QPointer<QDialog> aboutDialog_;

    Platform platform_;
    int frame_ = 0;  // clock animation frame, carried over between timing periods
    std::map<QString, QAction*> toolbarButtons_;
    std::map<QString, QAction*> treeBarButtons_;
    std::set<uintptr_t> timeOverflowReported_;
};
