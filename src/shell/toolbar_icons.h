#pragma once
// Images of the main toolbar and the tree bar, by key.

#include <QIcon>
#include <QString>

// The toolbar image for a key ("loadproject", "saveproject", "saveall", "start", "stop",
// "newproject", "newtask", "options", and the tree bar's "remove", "up", "down"): the
// desktop theme's icon where it has one, else our own.
QIcon ToolbarIcon(const QString& key);
