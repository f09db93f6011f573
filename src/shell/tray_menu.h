#pragma once
// The tray icon's behaviour: its set-up, its mouse messages, its pop-up menu, and hiding and
// restoring the main window through it. The window is never hidden where nothing could
// bring it back: only while the tray shows the icon.

#include <QObject>

#include <functional>

#include "platform/menu_popper.h"
#include "platform/tray.h"

class QAction;
class QMenu;
class QWidget;

class TrayMenu : public QObject {
    Q_OBJECT
  public:
    // `window` is the main window the tray hides and restores; `timerRunning` says whether
    // the timer runs, for the "&Stop Timer" entry.
    TrayMenu(Tray& tray, MenuPopper& menus, QWidget& window, std::function<bool()> timerRunning,
             QObject* parent = nullptr);

    // The icon's tooltip "Horavel" and the program's icon; then the icon is placed when
    // `place` (the "TrayIcon" setting) says so.
    void TraySetup(bool place);
    // Places or removes the icon (both harmless when repeated). Removing it while the
    // window is hidden shows the window, which nothing else could bring back. Placed where
    // the desktop has no tray, the icon registers as soon as one comes up.
    void PlaceIcon(bool place);
    // The tooltip, and the running variant of the icon while `running`. Either is set only
    // when it changes.
    void ShowTiming(const QString& toolTip, bool running);
    // Removes the icon and nothing else: the window is going away.
    void RemoveAtShutdown();
    // A mouse message from the tray: Tray::kLeftDoubleClick toggles the window,
    // Tray::kRightButtonUp opens the menu; any other is ignored.
    void axsTrayIt1_MouseEvent(int message);
    // Hides a visible window (only while the icon is in a tray) or shows a hidden one.
    void mnuToggleView_Click();

    // Whether hiding the window leaves a way back: a tray host showing the icon.
    bool CanHideWindow() const;

    QMenu* mnuTrayIcon = nullptr;
    QAction* mnuToggleView = nullptr;
    QAction* mnuStop = nullptr;  // the owner connects it to ToggleTimer
    QAction* mnuBreak2 = nullptr;
    QAction* mnuTrayAbout = nullptr;  // the owner connects it to the about dialog
    QAction* mnuTrayExit = nullptr;   // closes the window

  private:
    void CreateMenu();
    void ToggleWindow();
    void ShowWindow();
    void TrayAppeared();

    Tray& tray_;
    MenuPopper& menus_;
    QWidget& window_;
    std::function<bool()> timerRunning_;
    QString toolTip_;
    bool showsRunning_ = false;
    bool placeWanted_ = false;
};
