// The menu bar, the hidden menu that carries the pop-ups, the tray, and the dialogs.
#include <QMenuBar>

#include "shell/frm_about.h"
#include "shell/frm_main.h"
#include "shell/frm_options.h"
#include "shell/settings.h"
#include "shell/single_dialog.h"
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
    mnuFile = AddMenu(bar, "mnuFile", QStringLiteral("&File"));
    connect(AddEntry(mnuFile, "mnuNewProj", QStringLiteral("&New Project")), &QAction::triggered,
            this, [this] { NewProject(); });
    connect(AddEntry(mnuFile, "mnuSaveProj", QStringLiteral("&Save Project")), &QAction::triggered,
            this, [this] {
                ExplainIfCannotAct(NodeCommand::SaveProject);
                SaveProject(SelectedNode(), false);
            });
    connect(AddEntry(mnuFile, "mnuSaveAsProj", QStringLiteral("Save Project &As...")),
            &QAction::triggered, this, [this] {
                ExplainIfCannotAct(NodeCommand::SaveProject);
                SaveProject(SelectedNode(), true);
            });
    connect(AddEntry(mnuFile, "mnuLoadProj", QStringLiteral("&Load Project...")),
            &QAction::triggered, this, [this] {
                QString ask;
                LoadProjects(ask);
            });
    connect(AddEntry(mnuFile, "mnuSaveAllProj", QStringLiteral("Save A&ll Projects")),
            &QAction::triggered, this, [this] { SaveAllProjects(); });
    mnuExit = AddEntry(mnuFile, "mnuExit", QStringLiteral("E&xit"));
    connect(mnuExit, &QAction::triggered, this, &QWidget::close);

    mnuWorkspace = AddMenu(bar, "mnuWorkspace", QStringLiteral("&Workspace"));
    connect(AddEntry(mnuWorkspace, "mnuClearWS", QStringLiteral("&Clear Workspace")),
            &QAction::triggered, this, [this] { ClearWorkspace(); });
    connect(AddEntry(mnuWorkspace, "mnuSaveWS", QStringLiteral("&Save Workspace")),
            &QAction::triggered, this, [this] { SaveWorkspace(WorkspaceFile, false); });
    connect(AddEntry(mnuWorkspace, "mnuSaveAsWS", QStringLiteral("Save Workspace &As")),
            &QAction::triggered, this, [this] { SaveWorkspace(WorkspaceFile, true); });
    connect(AddEntry(mnuWorkspace, "mnuLoadWS", QStringLiteral("&Load Workspace")),
            &QAction::triggered, this, [this] {
                QString ask;
                LoadWorkspace(ask);
            });

    mnuOptions = bar->addAction(QStringLiteral("&Options..."));
    mnuOptions->setObjectName(QStringLiteral("mnuOptions"));
    connect(mnuOptions, &QAction::triggered, this, [this] { ShowOptions(false); });

    mnuHelp = AddMenu(bar, "mnuHelp", QStringLiteral("&Help"));
    connect(AddEntry(mnuHelp, "mnuAbout", QStringLiteral("&About")), &QAction::triggered, this,
            &frmMain::ShowAbout);
    connect(AddEntry(mnuHelp, "mnuWebpage", QStringLiteral("&Webpage")), &QAction::triggered, this,
            [this] { OpenWebPage(*platform_.web); });

    // Carries the two pop-up menus; never shown in the bar.
    mnuHidden = AddMenu(bar, "mnuHidden", QStringLiteral("Hidden"));
    mnuHidden->addMenu(mnuTreePopUp);
    mnuHidden->menuAction()->setVisible(false);
}

void frmMain::CreateTray() {
    Tray = new TrayMenu(
        *platform_.tray, *platform_.menus, *this, [this] { return TimerRunning; }, this);
    mnuHidden->addMenu(Tray->mnuTrayIcon);
    connect(Tray->mnuStop, &QAction::triggered, this, &frmMain::StopTimer);
    connect(Tray->mnuTrayAbout, &QAction::triggered, this, &frmMain::ShowAbout);
}

void frmMain::ShowOptions(bool modal) {
    ShowSingleDialog(
        optionsDialog_,
        [this] {
            OptionsOwner owner{[this](const DisplayFlags& flags) {
                                   TT_ShowTime = flags.showTime;
                                   TT_ShowTotalTime = flags.showTotalTime;
                                   TT_ShowSec = flags.showSec;
                               },
                               [this] { UpdateAllNodes(); },
                               [this](bool place) { Tray->PlaceIcon(place); },
                               [this] { return platform_.idle && platform_.idle->IdleSeconds(); }};
            return new frmOptions(*platform_.settings,
                                  DisplayFlags{TT_ShowTime, TT_ShowTotalTime, TT_ShowSec},
                                  std::move(owner), this);
        },
        modal);
}

void frmMain::ShowAbout() {
    ShowSingleDialog(
        aboutDialog_, [this] { return new frmAbout(*platform_.web, this); }, false);
}
