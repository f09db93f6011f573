#pragma once
// The program's own icon: the windows', the about dialog's and the tray's.

#include <QIcon>

// The desktop theme's "horavel" icon when one is installed, else our drawn clock face.
QIcon ProgramIcon();
