#include "files/document_swap.h"

#include <map>
#include <set>
#include <string>
#include <vector>

#include "model/xml.h"
#include "tree/project_tree.h"
#include "tree/window_state.h"

namespace {

std::string IdOf(const TreeNode* node) {
    return node->element.attribute("id").value();
}

// Every node below `top` (not `top` itself), parents first; iterative for deep trees.
std::vector<TreeNode*> NodesBelow(QTreeWidgetItem* top) {
    std::vector<TreeNode*> nodes;
    for (int i = 0; i < top->childCount(); ++i) {
        nodes.push_back(static_cast<TreeNode*>(top->child(i)));
    }
    for (size_t at = 0; at < nodes.size(); ++at) {
        for (int i = 0; i < nodes[at]->childCount(); ++i) {
            nodes.push_back(nodes[at]->childNode(i));
        }
    }
    return nodes;
}

}  // namespace

void ReplaceProjectDocument(ProjectTree& tree, TimingState& timing, TreeNode* project,
                            const pugi::xml_document& document, bool modified) {
    const std::string filename = project->element.attribute("filename").value();
    // Read before the old document goes: the old nodes' elements go with it.
    std::map<TreeNode*, std::string> oldIds;
    std::set<std::string> expanded;
    for (TreeNode* node : NodesBelow(project)) {
        oldIds[node] = IdOf(node);
        if (node->isExpanded()) {
            expanded.insert(IdOf(node));
        }
    }
    const bool projectOpen = project->isExpanded();
    TreeNode* selected = tree.SelectedNode();
    const bool selectedHere = IsWithin(selected, project);
    const bool timedHere = timing.TimedNode != project && IsWithin(timing.TimedNode, project);

    // The old nodes leave the view before their elements go with the old document.
    QList<QTreeWidgetItem*> oldChildren = project->takeChildren();
    project->document()->reset(document);
    project->element = project->document()->document_element();
    if (!filename.empty()) {
        XML::ResolvePath(project->element, "@filename").setText(filename);
    }
    tree.BuildTaskNodes(project, project->element);
    std::map<std::string, TreeNode*> byId;
    for (TreeNode* node : NodesBelow(project)) {
        const std::string id = IdOf(node);
        if (!id.empty()) {
            byId.emplace(id, node);
            node->setExpanded(expanded.count(id) != 0);
        }
    }
    project->setExpanded(projectOpen);
    const auto replacementOf = [&](TreeNode* old) -> TreeNode* {
        const auto known = oldIds.find(old);
        const auto found = known != oldIds.end() ? byId.find(known->second) : byId.end();
        return found == byId.end() ? nullptr : found->second;
    };
    for (const auto& [old, id] : oldIds) {
        if (TreeNode* fresh = replacementOf(old)) {
            emit tree.NodeReplaced(old, fresh);
        }
    }
    if (timedHere) {
        timing.TimedNode = replacementOf(timing.TimedNode);
    }
    for (QTreeWidgetItem* old : oldChildren) {
        emit tree.SubtreeLeaving(static_cast<TreeNode*>(old));
    }
    tree.UpdateNode(project);
    if (modified) {
        tree.MarkModified(project);
    } else {
        tree.MarkUnmodified(project);
    }
    if (selectedHere) {
        // Chosen afresh even when it is the project: the pane and the History frame read
        // the new document.
        TreeNode* fresh = selected == project ? project : replacementOf(selected);
        tree.view.setCurrentItem(nullptr);
        tree.view.setCurrentItem(fresh != nullptr ? fresh : project);
    }
    qDeleteAll(oldChildren);
}
