#include "shell/tray_menu.h"

#include <QAction>
#include <QCursor>
#include <QMenu>
#include <QWidget>

#include "shell/app_icon.h"

TrayMenu::TrayMenu(Tray& tray, MenuPopper& menus, QWidget& window,
                   std::function<bool()> timerRunning, QObject* parent)
    : QObject(parent),
      tray_(tray),
      menus_(menus),
      window_(window),
      timerRunning_(std::move(timerRunning)) {
    CreateMenu();
    connect(&tray_, &Tray::MouseEvent, this, &TrayMenu::axsTrayIt1_MouseEvent);
    connect(&tray_, &Tray::Appeared, this, &TrayMenu::TrayAppeared);
}

void TrayMenu::CreateMenu() {
    mnuTrayIcon = new QMenu(&window_);
    mnuTrayIcon->setObjectName(QStringLiteral("mnuTrayIcon"));
    // Never shown with its title; a screen reader announces the pop-up by it.
    mnuTrayIcon->setTitle(QStringLiteral("Tray Menu"));
    mnuTrayIcon->setAccessibleName(mnuTrayIcon->title());
    auto entry = [this](const char* name, const QString& caption) {
        QAction* action = mnuTrayIcon->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };
    mnuToggleView = entry("mnuToggleView", QStringLiteral("&Restore Horavel"));
    mnuStop = entry("mnuStop", QStringLiteral("&Stop Timer"));
    mnuBreak2 = mnuTrayIcon->addSeparator();
    mnuBreak2->setObjectName(QStringLiteral("mnuBreak2"));
    mnuTrayAbout = entry("mnuTrayAbout", QStringLiteral("About Horavel"));
    mnuTrayExit = entry("mnuTrayExit", QStringLiteral("E&xit Horavel"));
    connect(mnuToggleView, &QAction::triggered, this, &TrayMenu::mnuToggleView_Click);
    connect(mnuTrayExit, &QAction::triggered, &window_, &QWidget::close);
}

void TrayMenu::TraySetup(bool place) {
    toolTip_ = QStringLiteral("Horavel");
    tray_.setToolTip(toolTip_);
    tray_.setIcon(showsRunning_ ? RunningAppIcon() : AppIcon());
    if (place) {
        PlaceIcon(true);
    }
}

void TrayMenu::ShowTiming(const QString& toolTip, bool running) {
    if (toolTip != toolTip_) {
        toolTip_ = toolTip;
        tray_.setToolTip(toolTip);
    }
    if (running != showsRunning_) {
        showsRunning_ = running;
        tray_.setIcon(running ? RunningAppIcon() : AppIcon());
    }
}

void TrayMenu::PlaceIcon(bool place) {
    placeWanted_ = place;
    tray_.WatchForTray(place && !tray_.isAvailable());
    if (place) {
        tray_.Place();
        return;
    }
    tray_.Remove();
    if (!window_.isVisible()) {
        ShowWindow();
    }
}

void TrayMenu::RemoveAtShutdown() {
    tray_.WatchForTray(false);
    tray_.Remove();
}

// An icon shown while there was no tray went nowhere: shown again, it registers with the new one.
void TrayMenu::TrayAppeared() {
    tray_.WatchForTray(false);
    if (placeWanted_) {
        tray_.Remove();
        tray_.Place();
    }
}

bool TrayMenu::CanHideWindow() const {
    return tray_.isAvailable() && tray_.isPlaced();
}

void TrayMenu::axsTrayIt1_MouseEvent(int message) {
    if (message == Tray::kLeftDoubleClick) {
        ToggleWindow();
    } else if (message == Tray::kRightButtonUp) {
        // Run-time captions carry no access key.
        mnuToggleView->setText(window_.isVisible() ? QStringLiteral("Hide Horavel")
                                                   : QStringLiteral("Restore Horavel"));
        mnuStop->setVisible(timerRunning_ && timerRunning_());
        menus_.Popup(mnuTrayIcon, QCursor::pos());
    }
}

void TrayMenu::mnuToggleView_Click() {
    ToggleWindow();
}

void TrayMenu::ToggleWindow() {
    if (!window_.isVisible()) {
        ShowWindow();
    } else if (CanHideWindow()) {
        window_.hide();
    }
}

// Shown, restored from the taskbar if it was minimized, in front and with the focus.
void TrayMenu::ShowWindow() {
    window_.show();
    window_.setWindowState(window_.windowState() & ~Qt::WindowMinimized);
    window_.raise();
    window_.activateWindow();
}
