#include "shell/frm_main.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

#include "files/recovery_store.h"
#include "history/history_frame.h"
#include "shell/toolbar_icons.h"
#include "shell/twips.h"
#include "tree/label_edit_delegate.h"

frmMain::frmMain(Platform platform, QWidget* parent)
    : QMainWindow(parent), platform_(std::move(platform)) {
    setWindowTitle(QStringLiteral("Horavel"));
    CreateControls();
    CreateMenus();
    CreateTray();
    CreateStatusBar();
    PlaceControls();
    ConnectEvents();
    CreateShortcuts();
    ShowTimingStatus();
    History = new HistoryFrame(*this, frmHistory);
    DrawDragSignature();
    StartRecovery();
}

frmMain::~frmMain() {
    // An open label editor would be committed while QWidget tears the window down.
    if (auto* delegate = qobject_cast<LabelEditDelegate*>(Tree->itemDelegate())) {
        delegate->Detach();
    }
    // The tree's nodes own the documents; take the timed node out of play before they go.
    Timer1.setEnabled(false);
    TimedNode = nullptr;
    // Nothing unsaved: nothing to leave for the next start.
    if (recovery_ && recoveryEntries_.empty()) {
        recovery_->RemoveAll();
    }
    delete History;  // it listens to the tree: gone before the tree's teardown can signal it
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

void frmMain::ReportTimeOverflow(TreeNode* node, const QString& detail) {
    const auto key = reinterpret_cast<uintptr_t>(node->element.internal_object());
    if (!timeOverflowReported_.insert(key).second) {
        return;
    }
    // A status-bar notice, never a modal box: this can run inside a timer tick.
    statusBar()->showMessage(QStringLiteral("'%1': %2").arg(NodeString(node, "@name"), detail));
}

namespace {

bool IsWithin(QTreeWidgetItem* item, QTreeWidgetItem* subtree) {
    for (; item != nullptr; item = item->parent()) {
        if (item == subtree) {
            return true;
        }
    }
    return false;
}

}  // namespace

void frmMain::ForgetSubtree(TreeNode* node) {
    if (IsWithin(TimedNode, node)) {
        TimedNode = nullptr;
    }
    for (HeldTime& held : held_) {
        if (IsWithin(held.node, node)) {
            held.node = nullptr;  // its question, when answered, says the node is gone
        }
    }
}

void frmMain::CreateControls() {
    Tree = new TaskTree(this);
    Tree->setObjectName(QStringLiteral("Tree"));
    Tree->setAccessibleName(QStringLiteral("Tasks"));
    CreateTreeBar();
    CreatePaneControls();
    CreateTreePopUp();
    CreateToolbar();
}

void frmMain::CreateTreeBar() {
    TreeBar = new QToolBar(this);
    TreeBar->setObjectName(QStringLiteral("TreeBar"));
    TreeBar->setAccessibleName(QStringLiteral("Tree Bar"));
    TreeBar->setIconSize(QSize(16, 18));
    TreeBar->setMovable(false);  // sits under the tree, never in a dock area
    TreeBar->setContentsMargins(0, 0, 0, 0);
    auto button = [this](const QString& key, const QString& toolTip, const QIcon& icon) {
        QAction* action = TreeBar->addAction(icon, QString());
        action->setObjectName(key);
        action->setToolTip(toolTip);
        // The buttons show no caption; a screen reader reads them by their tooltip.
        TreeBar->widgetForAction(action)->setAccessibleName(toolTip);
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
    TreeBar->addSeparator();
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
        auto* field = new QLineEdit(this);
        field->setObjectName(QString::fromLatin1(name));
        field->setReadOnly(true);  // shows values only; nothing typed here is stored
        return field;
    };
    lblName = label("lblName", QStringLiteral("Task Name:"));
    txtName = new QLineEdit(this);
    txtName->setObjectName(QStringLiteral("txtName"));
    txtName->setMaxLength(std::numeric_limits<int>::max());  // a long name is never cut short
    chkCompleted = new QCheckBox(QStringLiteral("Completed"), this);
    chkCompleted->setObjectName(QStringLiteral("chkCompleted"));
    lblDescription = label("lblDescription", QStringLiteral("Task Description:"));
    txtDescription = new QPlainTextEdit(this);
    txtDescription->setObjectName(QStringLiteral("txtDescription"));
    lblTimeHead = label("lblTimeHead", QStringLiteral("(h:mm:ss)"));
    lblTimeHead->setAlignment(Qt::AlignHCenter);
    lblTaskTime = label("lblTaskTime", QStringLiteral("Task Time:"));
    txtTaskTime = timeField("txtTaskTime");
    lblSubTaskTime = label("lblSubTaskTime", QStringLiteral("SubTask(s) Time:"));
    txtSubTaskTime = timeField("txtSubTaskTime");
    lblTotalTime = label("lblTotalTime", QStringLiteral("Total Time:"));
    txtTotalTime = timeField("txtTotalTime");
    for (QLabel* right : {lblTaskTime, lblSubTaskTime, lblTotalTime}) {
        right->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    lblName->setBuddy(txtName);
    lblDescription->setBuddy(txtDescription);
    lblTaskTime->setBuddy(txtTaskTime);
    lblSubTaskTime->setBuddy(txtSubTaskTime);
    lblTotalTime->setBuddy(txtTotalTime);
    frmHistory = new QGroupBox(QStringLiteral("History"), this);
    frmHistory->setObjectName(QStringLiteral("frmHistory"));
    new QVBoxLayout(frmHistory);  // filled by the History frame once the tree exists
}

void frmMain::CreateTreePopUp() {
    mnuTreePopUp = new QMenu(this);
    mnuTreePopUp->setObjectName(QStringLiteral("mnuTreePopUp"));
    // Never shown with its title; a screen reader announces the pop-up by it.
    mnuTreePopUp->setTitle(QStringLiteral("Task Menu"));
    mnuTreePopUp->setAccessibleName(mnuTreePopUp->title());
    auto entry = [this](const char* name, const QString& caption) {
        QAction* action = mnuTreePopUp->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };
    mnuToggleTimer = entry("mnuToggleTimer", QStringLiteral("&Start Timer"));
    mnuSwitchTimer = entry("mnuSwitchTimer", QStringLiteral("S&witch Timer"));
    mnuTreePopUp->addSeparator()->setObjectName(QStringLiteral("mnuBreak"));
    mnuCompleted = entry("mnuCompleted", QStringLiteral("&Completed"));
    mnuCompleted->setCheckable(true);
    mnuTreeNewTask = entry("mnuTreeNewTask", QStringLiteral("&New Task"));
    mnuTreeEdit = entry("mnuTreeEdit", QStringLiteral("&Edit"));
    mnuTreeDelete = entry("mnuTreeDelete", QStringLiteral("&Delete"));
}

void frmMain::AddToolbarButton(const QString& key, const QString& caption, const QString& toolTip,
                               const QIcon& icon) {
    QAction* button = Toolbar1->addAction(icon, caption);
    button->setObjectName(key);
    button->setToolTip(toolTip.isEmpty() ? caption : toolTip);
    connect(button, &QAction::triggered, this, [this, key] { Toolbar1_ButtonClick(key); });
    toolbarButtons_[key] = button;
}

void frmMain::CreateToolbar() {
    Toolbar1 = addToolBar(QStringLiteral("Toolbar1"));
    Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    Toolbar1->setAccessibleName(QStringLiteral("Main Toolbar"));
    Toolbar1->setMovable(false);
    Toolbar1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    Toolbar1->setIconSize(QSize(25, 25));
    AddToolbarButton("loadproject", "Load Project", "", ToolbarIcon("loadproject"));
    AddToolbarButton("saveproject", "Save Project", "", ToolbarIcon("saveproject"));
    AddToolbarButton("saveall", "Save All", "Save All Projects", ToolbarIcon("saveall"));
    Toolbar1->addSeparator();
    AddToolbarButton("toggletimer", "Start Timer", "", ToolbarIcon("start"));
    Toolbar1->addSeparator();
    AddToolbarButton("newproject", "New Project", "", ToolbarIcon("newproject"));
    AddToolbarButton("newtask", "New Task", "", ToolbarIcon("newtask"));
    Toolbar1->addSeparator();
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
        if (!TimerRunning) {
            ExplainIfCannotAct(NodeCommand::StartTimer);
        }
        ToggleTimer();
    } else if (key == "options") {
        ShowOptions(true);
    }
}

void frmMain::ExplainIfCannotAct(NodeCommand command) {
    const QString why =
        WhyCommandCannotAct(command, Tree->topLevelItemCount() == 0, SelectedNode() != nullptr);
    if (!why.isEmpty()) {
        statusBar()->showMessage(why, 10000);
    }
}

void frmMain::CreateStatusBar() {
    lblTimerStatus = new QLabel(this);
    lblTimerStatus->setObjectName(QStringLiteral("lblTimerStatus"));
    lblTimerStatus->setAccessibleName(QStringLiteral("Timer"));
    statusBar()->addPermanentWidget(lblTimerStatus);
}

// Every control sits directly on the client area, where the layout pass places it.
void frmMain::PlaceControls() {
    client_ = new QWidget(this);
    client_->setObjectName(QStringLiteral("client"));
    setCentralWidget(client_);
    for (QWidget* control : std::initializer_list<QWidget*>{
             Tree, TreeBar, lblName, txtName, chkCompleted, lblDescription, txtDescription,
             lblTimeHead, lblTaskTime, txtTaskTime, lblSubTaskTime, txtSubTaskTime, lblTotalTime,
             txtTotalTime, frmHistory}) {
        control->setParent(client_);
    }
    ResizeHandle1 = new ResizeHandle(client_);
    ResizeHandle1->setObjectName(QStringLiteral("ResizeHandle1"));
    ResizeHandle1->setAccessibleName(QStringLiteral("Splitter"));
    client_->installEventFilter(this);
    // The designed client area, widened where the desktop's font makes the toolbar longer.
    const TwipsScale scale = TwipsScale::Of(this);
    const QSize design = scale.ToPixels(7530, 4515);
    resize(std::max(design.width(), Toolbar1->sizeHint().width()),
           design.height() + menuBar()->sizeHint().height() + Toolbar1->sizeHint().height() +
               statusBar()->sizeHint().height());
}

void frmMain::ConnectEvents() {
    Tree->setItemDelegate(new LabelEditDelegate(*this, Tree));
    connect(Tree, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current) { Tree_NodeClick(static_cast<TreeNode*>(current)); });
    // A click on the node already selected shows it afresh too (after the pop-up's
    // Completed command, the pane's box catches up this way).
    connect(Tree, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { Tree_NodeClick(static_cast<TreeNode*>(item)); });
    connect(txtName, &QLineEdit::textChanged, this, [this] { txtName_Change(); });
    connect(txtDescription, &QPlainTextEdit::textChanged, this,
            [this] { txtDescription_Change(); });
    connect(chkCompleted, &QCheckBox::stateChanged, this, [this] { chkCompleted_Click(); });
    connect(Tree, &TaskTree::MouseUp, this, &frmMain::Tree_MouseUp);
    connect(Tree, &TaskTree::MouseDown, this,
            [this](Qt::MouseButton, Qt::KeyboardModifiers, QPoint at) {
                MouseDownX = at.x();
                MouseDownY = at.y();
            });
    Tree->onStartDrag = [this] { return Tree_OLEStartDrag(); };
    Tree->onDragOver = [this](const QMimeData& data, QPoint at) {
        return Tree_OLEDragOver(data, at);
    };
    Tree->onDrop = [this](const QMimeData& data, QPoint at) { Tree_OLEDragDrop(data, at); };
    connect(mnuToggleTimer, &QAction::triggered, this, [this] { ToggleTimer(); });
    connect(mnuSwitchTimer, &QAction::triggered, this, [this] { SwitchTimer(); });
    connect(mnuCompleted, &QAction::triggered, this, [this] {
        // Qt flips a checkable entry's mark before it reports the click; the command reads
        // the mark as the menu showed it.
        mnuCompleted->setChecked(!mnuCompleted->isChecked());
        mnuCompleted_Click();
    });
    connect(mnuTreeNewTask, &QAction::triggered, this, [this] { NewTask(SelectedNode()); });
    connect(mnuTreeEdit, &QAction::triggered, Tree, &TaskTree::StartLabelEdit);
    connect(mnuTreeDelete, &QAction::triggered, this, [this] {
        TreeNode* node = SelectedNode();
        DeleteNode(node);
    });
    connect(ResizeHandle1, &ResizeHandle::StartMove, this, &frmMain::ResizeHandle1_StartMove);
    connect(ResizeHandle1, &ResizeHandle::Move, this, &frmMain::ResizeHandle1_Move);
    connect(&Timer1, &Timer::Tick, this, &frmMain::Timer1_Timer);
    connect(&Timer2, &Timer::Tick, this, &frmMain::Timer2_Timer);
}
