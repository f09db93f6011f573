#include "tree/task_path.h"

#include <QTreeWidget>

#include "tree/tree_node.h"

namespace {

QString NameOf(const TreeNode* node) {
    return NodeString(node, "@name");
}

}  // namespace

std::vector<TreeNode*> NodesAtNamePath(const QTreeWidget& tree, const QStringList& names) {
    std::vector<TreeNode*> candidates;
    for (int i = 0; i < tree.topLevelItemCount(); ++i) {
        candidates.push_back(static_cast<TreeNode*>(tree.topLevelItem(i)));
    }
    for (qsizetype depth = 0; depth < names.size(); ++depth) {
        std::vector<TreeNode*> matches;
        for (TreeNode* node : candidates) {
            if (node->element && NameOf(node) == names[depth]) {
                matches.push_back(node);
            }
        }
        if (depth + 1 == names.size()) {
            return matches;
        }
        candidates.clear();
        for (TreeNode* node : matches) {
            for (int i = 0; i < node->childCount(); ++i) {
                candidates.push_back(node->childNode(i));
            }
        }
    }
    return {};
}

QStringList NamePathOf(const TreeNode* node) {
    QStringList names;
    for (; node != nullptr; node = node->parentNode()) {
        names.prepend(NameOf(node));
    }
    return names;
}
