// The menu bar, the hidden menu that carries the pop-ups, the tray, and the dialogs.
#include <QMenuBar>

#include "shell/frm_about.h"
#include "shell/frm_main.h"
#include "shell/frm_options.h"
#include "shell/settings.h"
#include "shell/single_dialog.h"
#include "shell/tray_menu.h"
#include "shell/web_page.h"

namespace {

QAction* AddEntry(QMenu* menu, const char* name, const QString& caption) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

QMenu* AddMenu(QMenuBar* bar, const char* name, const QString& caption) {
    QMenu* menu = bar->addMenu(caption);
    menu->setObjectName(QString::fromLatin1(name));
    menu->menuAction()->setObjectName(QString::fromLatin1(name));
    return menu;
}

}  // namespace

void frmMain::CreateMenus() {
    QMenuBar* bar = menuBar();
    ui.mnuFile = AddMenu(bar, "mnuFile", QStringLiteral("&File"));
    connect(AddEntry(ui.mnuFile, "mnuNewProj", QStringLiteral("&New Project")), &QAction::triggered,
            this, [this] { NewProject(); });
    connect(AddEntry(ui.mnuFile, "mnuSaveProj", QStringLiteral("&Save Project")),
            &QAction::triggered, this, [this] {
                ExplainIfCannotAct(NodeCommand::SaveProject);
                SaveProject(SelectedNode(), false);
            });
    connect(AddEntry(ui.mnuFile, "mnuSaveAsProj", QStringLiteral("Save Project &As...")),
            &QAction::triggered, this, [this] {
                ExplainIfCannotAct(NodeCommand::SaveProject);
                SaveProject(SelectedNode(), true);
            });
    connect(AddEntry(ui.mnuFile, "mnuLoadProj", QStringLiteral("&Load Project...")),
            &QAction::triggered, this, [this] {
                QString ask;
                LoadProjects(ask);
            });
    connect(AddEntry(ui.mnuFile, "mnuSaveAllProj", QStringLiteral("Save A&ll Projects")),
            &QAction::triggered, this, [this] { SaveAllProjects(); });
    ui.mnuExit = AddEntry(ui.mnuFile, "mnuExit", QStringLiteral("E&xit"));
    connect(ui.mnuExit, &QAction::triggered, this, &QWidget::close);

    ui.mnuWorkspace = AddMenu(bar, "mnuWorkspace", QStringLiteral("&Workspace"));
    connect(AddEntry(ui.mnuWorkspace, "mnuClearWS", QStringLiteral("&Clear Workspace")),
            &QAction::triggered, this, [this] { ClearWorkspace(); });
    connect(AddEntry(ui.mnuWorkspace, "mnuSaveWS", QStringLiteral("&Save Workspace")),
            &QAction::triggered, this, [this] { SaveWorkspace(Workspace.WorkspaceFile, false); });
    connect(AddEntry(ui.mnuWorkspace, "mnuSaveAsWS", QStringLiteral("Save Workspace &As")),
            &QAction::triggered, this, [this] { SaveWorkspace(Workspace.WorkspaceFile, true); });
    connect(AddEntry(ui.mnuWorkspace, "mnuLoadWS", QStringLiteral("&Load Workspace")),
            &QAction::triggered, this, [this] {
                QString ask;
                LoadWorkspace(ask);
            });

    ui.mnuOptions = bar->addAction(QStringLiteral("&Options..."));
    ui.mnuOptions->setObjectName(QStringLiteral("mnuOptions"));
    connect(ui.mnuOptions, &QAction::triggered, this, [this] { ShowOptions(false); });

    ui.mnuHelp = AddMenu(bar, "mnuHelp", QStringLiteral("&Help"));
    connect(AddEntry(ui.mnuHelp, "mnuAbout", QStringLiteral("&About")), &QAction::triggered, this,
            &frmMain::ShowAbout);
    connect(AddEntry(ui.mnuHelp, "mnuWebpage", QStringLiteral("&Webpage")), &QAction::triggered,
            this, [this] { OpenWebPage(*platform_.web); });

    // Carries the two pop-up menus; never shown in the bar.
    ui.mnuHidden = AddMenu(bar, "mnuHidden", QStringLiteral("Hidden"));
    ui.mnuHidden->addMenu(ui.mnuTreePopUp);
    ui.mnuHidden->menuAction()->setVisible(false);
}

void frmMain::CreateTray() {
    ui.Tray = new TrayMenu(
        *platform_.tray, *platform_.menus, *this, [this] { return Timing.TimerRunning; }, this);
    ui.mnuHidden->addMenu(ui.Tray->mnuTrayIcon);
    connect(ui.Tray->mnuStop, &QAction::triggered, this, &frmMain::StopTimer);
    connect(ui.Tray->mnuTrayAbout, &QAction::triggered, this, &frmMain::ShowAbout);
}

void frmMain::ShowOptions(bool modal) {
    ShowSingleDialog(
        optionsDialog_,
        [this] {
            // Called once the dialog has saved the options: the idle limit among them.
            OptionsOwner owner{[this](const DisplayFlags& flags) {
                                   Display = flags;
                                   idleLimitSeconds_ = ReadIdleMinutes(*platform_.settings) * 60.0;
                               },
                               [this] { UpdateAllNodes(); },
                               [this](bool place) { ui.Tray->PlaceIcon(place); },
                               [this] { return platform_.idle && platform_.idle->IdleSeconds(); }};
            return new frmOptions(*platform_.settings, Display, std::move(owner), this);
        },
        modal);
}

void frmMain::ShowAbout() {
    ShowSingleDialog(
        aboutDialog_, [this] { return new frmAbout(*platform_.web, this); }, false);
}
