#pragma once
// Images of the main toolbar and the tree bar, by key.

#include <QIcon>
#include <QString>

// The toolbar image for a key ("loadproject", "saveproject", "saveall", "start", "stop",
// "newproject", "newtask", "options", and the tree bar's "remove", "up", "down"): the
// desktop theme's icons when it has the whole set, else our own. None for another key.
QIcon ToolbarIcon(const QString& key);
// Our own image for a key, drawn at any size.
QIcon BundledToolbarIcon(const QString& key);
