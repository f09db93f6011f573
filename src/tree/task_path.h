#pragma once
// A task named by its path of names from the project down, as a command line gives it.

#include <QStringList>

#include <vector>

class QTreeWidget;
class TreeNode;

// Every node of the open projects whose names from the project down are `names`.
std::vector<TreeNode*> NodesAtNamePath(const QTreeWidget& tree, const QStringList& names);
// The names from the node's project down to the node.
QStringList NamePathOf(const TreeNode* node);
