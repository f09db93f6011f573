#pragma once
// The program's own icon and the name the desktop knows the program by.

#include <QIcon>

// The id of the installed .desktop file (without ".desktop"), also the icon's name in the
// hicolor theme. Give it to QGuiApplication::setDesktopFileName so that Wayland
// compositors and task bars match the window to its menu entry and icon.
inline constexpr char kDesktopAppId[] = "io.github.horavel.Horavel";

// The clock-and-check icon for the window, the tray and the about dialog, with a drawing for
// every size from 16 to 256 pixels. Built from the PNGs compiled into the program, so it
// needs no SVG plug-in and does not depend on the desktop's icon theme.
QIcon AppIcon();

// The same icon with a green "running" badge in its lower right corner, for the tray while
// the timer runs.
QIcon RunningAppIcon();
