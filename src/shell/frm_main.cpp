#include "shell/frm_main.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSessionManager>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>
#include <utility>

#include "files/crash_recovery.h"
#include "files/merge_decisions_window.h"
#include "files/project_files.h"
#include "files/workspace_files.h"
#include "history/history_frame.h"
#include "shell/framed_field.h"
#include "shell/resize_handle.h"
#include "shell/settings.h"
#include "shell/toolbar_icons.h"
#include "shell/tray_menu.h"
#include "shell/twips.h"
#include "tracking/timing_run.h"
#include "tree/detail_pane.h"
#include "tree/drag_drop.h"
#include "tree/label_edit_delegate.h"
#include "tree/project_tree.h"
#include "tree/renaming.h"

frmMain::frmMain(Platform platform, QWidget* parent)
    : QMainWindow(parent), platform_(std::move(platform)) {
    setWindowTitle(QStringLiteral("Horavel"));
    CreateControls();
    CreateMenus();
    CreateTray();
    CreateStatusBar();
    PlaceControls();
    CreateSubsystems();
    ConnectEvents();
    CreateShortcuts();
    ShowTimingStatus();
    History = new HistoryFrame(*tree_, *pane_, platform_, ui.frmHistory, *this);
    ConnectSubsystems();
    drag_->DrawDragSignature(*platform_.random);
}

frmMain::~frmMain() {
    // An open label editor would be committed while QWidget tears the window down.
    labelDelegate_->Detach();
    // The tree's nodes own the documents; take the timed node out of play before they go.
    ui.Timer1.setEnabled(false);
    Timing.TimedNode = nullptr;
    recovery_.reset();  // leaves nothing behind when nothing unsaved is kept
    delete History;     // it listens to the tree: gone before the tree's teardown can signal it
    History = nullptr;
}

QAction* frmMain::ToolbarButton(const QString& key) const {
    const auto found = toolbarButtons_.find(key);
    return found == toolbarButtons_.end() ? nullptr : found->second;
}

QAction* frmMain::TreeBarButton(const QString& key) const {
    const auto found = treeBarButtons_.find(key);
    return found == treeBarButtons_.end() ? nullptr : found->second;
}

void frmMain::CreateControls() {
    ui.Tree = new TaskTree(this);
    ui.Tree->setObjectName(QStringLiteral("Tree"));
    ui.Tree->setAccessibleName(QStringLiteral("Tasks"));
    CreateTreeBar();
    CreatePaneControls();
    CreateTreePopUp();
    CreateToolbar();
}

void frmMain::CreateTreeBar() {
    ui.TreeBar = new QToolBar(this);
    ui.TreeBar->setObjectName(QStringLiteral("TreeBar"));
    ui.TreeBar->setAccessibleName(QStringLiteral("Tree Bar"));
    ui.TreeBar->setIconSize(QSize(16, 18));
    ui.TreeBar->setMovable(false);  // sits under the tree, never in a dock area
    ui.TreeBar->setContentsMargins(0, 0, 0, 0);
    auto button = [this](const QString& key, const QString& toolTip, const QIcon& icon) {
        QAction* action = ui.TreeBar->addAction(icon, QString());
        action->setObjectName(key);
        action->setToolTip(toolTip);
        // The buttons show no caption; a screen reader reads them by their tooltip.
        ui.TreeBar->widgetForAction(action)->setAccessibleName(toolTip);
        connect(action, &QAction::triggered, this, [this, key] {
            if (key == "remove") {
                ExplainIfCannotAct(NodeCommand::RemoveItem);
            } else if (key == "newtask") {
                ExplainIfCannotAct(NodeCommand::NewTask);
            } else if (key == "up" || key == "down") {
                ExplainIfCannotAct(NodeCommand::MoveItem);
            }
            TreeBar_ButtonClick(key);
        });
        treeBarButtons_[key] = action;
        return action;
    };
    button("remove", "Remove Item", ToolbarIcon("remove"));
    button("newproject", "New Project", ToolbarIcon("newproject"));
    button("newtask", "New Task", ToolbarIcon("newtask"));
    ui.TreeBar->addSeparator();
    button("down", "Move Item Down", ToolbarIcon("down"));
    button("up", "Move Item Up", ToolbarIcon("up"));
    // Marks where the real buttons end. Hidden: a visible empty slot would not fit the
    // bar, which is exactly as wide as the real buttons, and Qt would fold them away.
    QAction* end = button("end", QString(), QIcon());
    end->setEnabled(false);
    end->setVisible(false);
}

void frmMain::CreatePaneControls() {
    auto label = [this](const char* name, const QString& text) {
        auto* created = new QLabel(text, this);
        created->setObjectName(QString::fromLatin1(name));
        return created;
    };
    auto timeField = [this](const char* name) {
        // Shows values only; nothing typed here is stored.
        QLineEdit* field = (new FramedField(this))->field();
        field->setObjectName(QString::fromLatin1(name));
        return field;
    };
    ui.lblName = label("lblName", QStringLiteral("Task Name:"));
    ui.txtName = new QLineEdit(this);
    ui.txtName->setObjectName(QStringLiteral("txtName"));
    ui.txtName->setMaxLength(std::numeric_limits<int>::max());  // a long name is never cut short
    ui.chkCompleted = new QCheckBox(QStringLiteral("Completed"), this);
    ui.chkCompleted->setObjectName(QStringLiteral("chkCompleted"));
    ui.lblDescription = label("lblDescription", QStringLiteral("Task Description:"));
    ui.txtDescription = new QPlainTextEdit(this);
    ui.txtDescription->setObjectName(QStringLiteral("txtDescription"));
    // Tab moves on to the next field, as in every other field of the pane.
    ui.txtDescription->setTabChangesFocus(true);
    ui.lblTimeHead = label("lblTimeHead", QStringLiteral("(h:mm:ss)"));
    ui.lblTimeHead->setAlignment(Qt::AlignHCenter);
    ui.lblTaskTime = label("lblTaskTime", QStringLiteral("Task Time:"));
    ui.txtTaskTime = timeField("txtTaskTime");
    ui.lblSubTaskTime = label("lblSubTaskTime", QStringLiteral("SubTask(s) Time:"));
    ui.txtSubTaskTime = timeField("txtSubTaskTime");
    ui.lblTotalTime = label("lblTotalTime", QStringLiteral("Total Time:"));
    ui.txtTotalTime = timeField("txtTotalTime");
    for (QLabel* right : {ui.lblTaskTime, ui.lblSubTaskTime, ui.lblTotalTime}) {
        right->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    ui.lblName->setBuddy(ui.txtName);
    ui.lblDescription->setBuddy(ui.txtDescription);
    for (auto [label, field] : {std::pair{ui.lblTaskTime, ui.txtTaskTime},
                                {ui.lblSubTaskTime, ui.txtSubTaskTime},
                                {ui.lblTotalTime, ui.txtTotalTime}}) {
        label->setBuddy(field);
        // A screen reader names a field after a label beside it, and a time field's label
        // stands beside its frame.
        field->setAccessibleName(label->text());
    }
    ui.frmHistory = new QGroupBox(QStringLiteral("History"), this);
    ui.frmHistory->setObjectName(QStringLiteral("frmHistory"));
    new QVBoxLayout(ui.frmHistory);  // filled by the History frame once the tree exists
}

void frmMain::CreateTreePopUp() {
    ui.mnuTreePopUp = new QMenu(this);
    ui.mnuTreePopUp->setObjectName(QStringLiteral("mnuTreePopUp"));
    // Never shown with its title; a screen reader announces the pop-up by it.
    ui.mnuTreePopUp->setTitle(QStringLiteral("Task Menu"));
    ui.mnuTreePopUp->setAccessibleName(ui.mnuTreePopUp->title());
    auto entry = [this](const char* name, const QString& caption) {
        QAction* action = ui.mnuTreePopUp->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };
    ui.mnuToggleTimer = entry("mnuToggleTimer", QStringLiteral("&Start Timer"));
    ui.mnuSwitchTimer = entry("mnuSwitchTimer", QStringLiteral("S&witch Timer"));
    ui.mnuTreePopUp->addSeparator()->setObjectName(QStringLiteral("mnuBreak"));
    ui.mnuCompleted = entry("mnuCompleted", QStringLiteral("&Completed"));
    ui.mnuCompleted->setCheckable(true);
    ui.mnuTreeNewTask = entry("mnuTreeNewTask", QStringLiteral("&New Task"));
    ui.mnuTreeEdit = entry("mnuTreeEdit", QStringLiteral("&Edit"));
    ui.mnuTreeDelete = entry("mnuTreeDelete", QStringLiteral("&Delete"));
}

void frmMain::AddToolbarButton(const QString& key, const QString& caption, const QString& toolTip,
                               const QIcon& icon) {
    QAction* button = ui.Toolbar1->addAction(icon, caption);
    button->setObjectName(key);
    button->setToolTip(toolTip.isEmpty() ? caption : toolTip);
    connect(button, &QAction::triggered, this, [this, key] { Toolbar1_ButtonClick(key); });
    toolbarButtons_[key] = button;
}

void frmMain::CreateToolbar() {
    ui.Toolbar1 = addToolBar(QStringLiteral("Toolbar1"));
    ui.Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    ui.Toolbar1->setAccessibleName(QStringLiteral("Main Toolbar"));
    ui.Toolbar1->setMovable(false);
    ui.Toolbar1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    ui.Toolbar1->setIconSize(QSize(25, 25));
    AddToolbarButton("loadproject", "Load Project", "", ToolbarIcon("loadproject"));
    AddToolbarButton("saveproject", "Save Project", "", ToolbarIcon("saveproject"));
    AddToolbarButton("saveall", "Save All", "Save All Projects", ToolbarIcon("saveall"));
    ui.Toolbar1->addSeparator();
    AddToolbarButton("toggletimer", "Start Timer", "", ToolbarIcon("start"));
    ui.Toolbar1->addSeparator();
    AddToolbarButton("newproject", "New Project", "", ToolbarIcon("newproject"));
    AddToolbarButton("newtask", "New Task", "", ToolbarIcon("newtask"));
    ui.Toolbar1->addSeparator();
    AddToolbarButton("options", "Options", "", ToolbarIcon("options"));
}

// Dispatch by key, compared case-sensitively; an unknown key does nothing.
void frmMain::Toolbar1_ButtonClick(const QString& key) {
    if (key == "loadproject") {
        QString none;
        LoadProjects(none);
    } else if (key == "saveproject") {
        ExplainIfCannotAct(NodeCommand::SaveProject);
        SaveProject(SelectedNode(), false);
    } else if (key == "saveall") {
        SaveAllProjects();
    } else if (key == "newproject") {
        NewProject();
    } else if (key == "newtask") {
        ExplainIfCannotAct(NodeCommand::NewTask);
        NewTask(SelectedNode());
    } else if (key == "toggletimer") {
        if (!Timing.TimerRunning) {
            ExplainIfCannotAct(NodeCommand::StartTimer);
        }
        ToggleTimer();
    } else if (key == "options") {
        ShowOptions(true);
    }
}

void frmMain::ExplainIfCannotAct(NodeCommand command) {
    const QString why =
        WhyCommandCannotAct(command, ui.Tree->topLevelItemCount() == 0, SelectedNode() != nullptr);
    if (!why.isEmpty()) {
        statusBar()->showMessage(why, 10000);
    }
}

void frmMain::CreateStatusBar() {
    ui.lblTimerStatus = new QLabel(this);
    ui.lblTimerStatus->setObjectName(QStringLiteral("lblTimerStatus"));
    ui.lblTimerStatus->setAccessibleName(QStringLiteral("Timer"));
    statusBar()->addPermanentWidget(ui.lblTimerStatus);
    ui.cmdMergeDecisions = new QToolButton(this);
    ui.cmdMergeDecisions->setObjectName(QStringLiteral("cmdMergeDecisions"));
    ui.cmdMergeDecisions->setText(QStringLiteral("Show what was decided"));
    ui.cmdMergeDecisions->setAccessibleName(QStringLiteral("Show what was decided"));
    ui.cmdMergeDecisions->setToolTip(
        QStringLiteral("What the merges with other computers' changes decided"));
    ui.cmdMergeDecisions->setAutoRaise(true);
    ui.cmdMergeDecisions->hide();
    connect(ui.cmdMergeDecisions, &QToolButton::clicked, this, &frmMain::ShowMergeDecisions);
    statusBar()->insertPermanentWidget(0, ui.cmdMergeDecisions);
}

void frmMain::ShowMergeDecisions() {
    if (mergeDecisionsWindow_) {
        mergeDecisionsWindow_->List(files_->MergeDecisions());
        mergeDecisionsWindow_->show();
        mergeDecisionsWindow_->raise();
        mergeDecisionsWindow_->activateWindow();
        return;
    }
    mergeDecisionsWindow_ = new MergeDecisionsWindow(*this, files_->MergeDecisions());
    mergeDecisionsWindow_->setAttribute(Qt::WA_DeleteOnClose);
    mergeDecisionsWindow_->show();
}

// Every control sits directly on the client area, where the layout pass places it.
void frmMain::PlaceControls() {
    client_ = new QWidget(this);
    client_->setObjectName(QStringLiteral("client"));
    setCentralWidget(client_);
    for (QWidget* control : std::initializer_list<QWidget*>{
             ui.Tree, ui.TreeBar, ui.lblName, ui.txtName, ui.chkCompleted, ui.lblDescription,
             ui.txtDescription, ui.lblTimeHead, ui.lblTaskTime, Placed(ui.txtTaskTime),
             ui.lblSubTaskTime, Placed(ui.txtSubTaskTime), ui.lblTotalTime, Placed(ui.txtTotalTime),
             ui.frmHistory}) {
        control->setParent(client_);
    }
    ui.ResizeHandle1 = new ResizeHandle(client_);
    ui.ResizeHandle1->setObjectName(QStringLiteral("ResizeHandle1"));
    ui.ResizeHandle1->setAccessibleName(QStringLiteral("Splitter"));
    client_->installEventFilter(this);
    ui.txtName->installEventFilter(this);
    ui.txtDescription->installEventFilter(this);
    // The designed client area, widened where the desktop's font makes the toolbar longer.
    const TwipsScale scale = TwipsScale::Of(this);
    const QSize design = scale.ToPixels(7530, 4515);
    resize(std::max(design.width(), ui.Toolbar1->sizeHint().width()),
           design.height() + menuBar()->sizeHint().height() + ui.Toolbar1->sizeHint().height() +
               statusBar()->sizeHint().height());
}

void frmMain::CreateSubsystems() {
    tree_ =
        std::make_unique<ProjectTree>(*ui.Tree, Display, Timing, Workspace, *platform_.prompter);
    pane_ = std::make_unique<DetailPane>(
        *tree_, PaneFields{ui.txtName, ui.chkCompleted, ui.txtDescription, ui.txtTaskTime,
                           ui.txtSubTaskTime, ui.txtTotalTime});
    labels_ = std::make_unique<LabelEditing>(*tree_, ui.Timer2, *ui.txtName);
    drag_ = std::make_unique<TaskDragDrop>(*tree_);
    idleLimitSeconds_ = ReadIdleMinutes(*platform_.settings) * 60.0;
    timing_ = std::make_unique<TimingRun>(*tree_, Timing, ui.Timer1, platform_,
                                          [this] { return idleLimitSeconds_; });
    recovery_ = std::make_unique<CrashRecovery>(*tree_, Timing, timing_->Sessions, Workspace,
                                                *platform_.prompter, platform_.recoveryFolder);
    files_ = std::make_unique<ProjectFiles>(*tree_, Workspace, Timing, platform_);
    workspaceFiles_ =
        std::make_unique<WorkspaceFiles>(*tree_, *pane_, *files_, *timing_, Workspace, platform_);
}

void frmMain::ConnectEvents() {
    ConnectTree();
    connect(ui.txtName, &QLineEdit::textChanged, this, [this] { pane_->txtName_Change(); });
    connect(ui.txtDescription, &QPlainTextEdit::textChanged, this,
            [this] { pane_->txtDescription_Change(); });
    connect(ui.chkCompleted, &QCheckBox::stateChanged, this,
            [this] { pane_->chkCompleted_Click(); });
    connect(ui.mnuToggleTimer, &QAction::triggered, this, [this] { ToggleTimer(); });
    connect(ui.mnuSwitchTimer, &QAction::triggered, this, [this] { SwitchTimer(); });
    connect(ui.mnuCompleted, &QAction::triggered, this, [this] {
        // Qt flips a checkable entry's mark before it reports the click; the command reads
        // the mark as the menu showed it.
        ui.mnuCompleted->setChecked(!ui.mnuCompleted->isChecked());
        mnuCompleted_Click();
    });
    connect(ui.mnuTreeNewTask, &QAction::triggered, this, [this] { NewTask(SelectedNode()); });
    connect(ui.mnuTreeEdit, &QAction::triggered, ui.Tree, &TaskTree::StartLabelEdit);
    connect(ui.mnuTreeDelete, &QAction::triggered, this, [this] {
        tree_->Remove(SelectedNode());
        Tree_NodeClick(SelectedNode());
    });
    connect(ui.ResizeHandle1, &ResizeHandle::StartMove, this, &frmMain::ResizeHandle1_StartMove);
    connect(ui.ResizeHandle1, &ResizeHandle::Move, this, &frmMain::ResizeHandle1_Move);
    connect(&ui.Timer1, &Timer::Tick, this, &frmMain::Timer1_Timer);
    connect(&ui.Timer2, &Timer::Tick, this, &frmMain::Timer2_Timer);
    if (auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        connect(application, &QGuiApplication::commitDataRequest, this,
                [this](QSessionManager&) { SessionCommitData(); });
    }
}

void frmMain::ConnectTree() {
    labelDelegate_ = new LabelEditDelegate(
        *ui.Tree, [this](bool& cancel) { Tree_BeforeLabelEdit(cancel); },
        [this](bool& cancel, QString& label) { Tree_AfterLabelEdit(cancel, label); });
    ui.Tree->setItemDelegate(labelDelegate_);
    connect(ui.Tree, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current) { Tree_NodeClick(static_cast<TreeNode*>(current)); });
    // A click on the node already selected shows it afresh too (after the pop-up's
    // Completed command, the pane's box catches up this way).
    connect(ui.Tree, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { Tree_NodeClick(static_cast<TreeNode*>(item)); });
    connect(ui.Tree, &TaskTree::MouseUp, this, &frmMain::Tree_MouseUp);
    connect(ui.Tree, &TaskTree::MouseDown, this,
            [this](Qt::MouseButton, Qt::KeyboardModifiers, QPoint at) {
                drag_->MouseDownX = at.x();
                drag_->MouseDownY = at.y();
            });
    ui.Tree->onStartDrag = [this] { return Tree_OLEStartDrag(); };
    ui.Tree->onDragOver = [this](const QMimeData& data, QPoint at) {
        return Tree_OLEDragOver(data, at);
    };
    ui.Tree->onDrop = [this](const QMimeData& data, QPoint at) { Tree_OLEDragDrop(data, at); };
}

// What one subsystem tells, the others hear: the hub is the only one that knows them all.
void frmMain::ConnectSubsystems() {
    const auto tell = [this](const QString& text) { statusBar()->showMessage(text); };
    connect(tree_.get(), &ProjectTree::Notice, this, tell);
    // An undo or redo may have changed any node: the pane and the History list look again.
    connect(&tree_->Edits(), &EditHistory::Stepped, this, [this] {
        Tree_NodeClick(SelectedNode());
        History->PeriodsChanged();
    });
    connect(recovery_.get(), &CrashRecovery::Notice, this, tell);
    connect(files_.get(), &ProjectFiles::Decided, this, [this] {
        ui.cmdMergeDecisions->setText(
            QStringLiteral("Show what was decided (%1)").arg(files_->MergeDecisions().size()));
        ui.cmdMergeDecisions->show();
        if (mergeDecisionsWindow_) {
            mergeDecisionsWindow_->List(files_->MergeDecisions());  // an open list keeps up
        }
    });
    connect(timing_.get(), &TimingRun::RunningChanged, this, [this](bool running) {
        ShowTimerState(running);
        if (running) {
            recovery_->KeepRecoveryTicking();
        }
    });
    connect(timing_.get(), &TimingRun::Changed, this, [this] {
        // Unseen, a tick only books (and the tray shows it): the pane, the timer field and
        // the tree's rows catch up when the window is seen again.
        ShowTimingStatus();
        if (IsSeen()) {
            pane_->RefreshTimes();
        }
    });
    connect(timing_.get(), &TimingRun::PeriodStarted, recovery_.get(),
            &CrashRecovery::NoteUnsavedChange);
    connect(timing_.get(), &TimingRun::PeriodsChanged, History, &HistoryFrame::PeriodsChanged);
    connect(timing_.get(), &TimingRun::OpenPeriodChanged, History,
            &HistoryFrame::OpenPeriodChanged);
}
