#pragma once
// Commands that act on the selected node say why when they cannot act, instead of doing
// nothing without a word.

#include <QString>

enum class NodeCommand { NewTask, StartTimer, SaveProject, RemoveItem, MoveItem };

// Why `command` cannot act on the tree as it is ("" when it can): with no node selected,
// the text names what to do first, which depends on whether the tree holds any project.
QString WhyCommandCannotAct(NodeCommand command, bool treeEmpty, bool nodeSelected);
