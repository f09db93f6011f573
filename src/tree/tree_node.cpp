#include "tree/tree_node.h"

#include "model/xml.h"

TreeNode::TreeNode(pugi::xml_node element) : element(element) {
    setFlags(flags() | Qt::ItemIsEditable);
}

TreeNode::TreeNode(std::unique_ptr<pugi::xml_document> document)
    : element(document->document_element()), document_(std::move(document)) {
    setFlags(flags() | Qt::ItemIsEditable);
}

TreeNode::~TreeNode() {
    // Taking the children first also detaches the whole subtree from the view, so the
    // deletions below notify no model (which may itself be on its way out).
    for (QTreeWidgetItem* root : takeChildren()) {
        QTreeWidgetItem* current = root;
        while (current != root || current->childCount() > 0) {
            if (const int count = current->childCount(); count > 0) {
                current = current->child(count - 1);
                continue;
            }
            QTreeWidgetItem* parent = current->parent();
            delete parent->takeChild(parent->childCount() - 1);  // `current`, a leaf by now
            current = parent;
        }
        delete root;
    }
}

void TreeNode::setImage(TreeImage image) {
    if (image_ == image) {
        return;  // setIcon would tell the view the row changed; the tick runs this a lot
    }
    image_ = image;
    setIcon(0, TreeIcon(image));  // shared: TreeIcon draws each image once
}

QVariant TreeNode::data(int column, int role) const {
    if (role == Qt::EditRole && column == 0 && element) {
        return NodeString(this, "@name");
    }
    return QTreeWidgetItem::data(column, role);
}

QString NodeString(const TreeNode* node, std::string_view path) {
    return QString::fromStdString(XML::ResolvePath(node->element, path).text());
}

bool IsWithin(const QTreeWidgetItem* item, const QTreeWidgetItem* subtree) {
    for (; item != nullptr; item = item->parent()) {
        if (item == subtree) {
            return true;
        }
    }
    return false;
}

std::string LookupPath(std::string_view creating) {
    std::string lookup(creating);
    lookup[0] = lookup[0] == '@' ? '^' : '*';
    return lookup;
}
