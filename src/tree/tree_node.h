#pragma once
// A node of the task tree. Its tag is the element it shows; a project node (a node without
// a parent) also owns the document, which lives exactly as long as the node.

#include <QTreeWidgetItem>

#include <memory>
#include <pugixml.hpp>
#include <string>
#include <string_view>

#include "tree/tree_icons.h"

struct FileHold;

class TreeNode : public QTreeWidgetItem {
  public:
    // A task node showing the element.
    explicit TreeNode(pugi::xml_node element);
    // A project node owning its document; its tag is the document's top-level element.
    explicit TreeNode(std::unique_ptr<pugi::xml_document> document);
    // Frees the subtree leaf first: QTreeWidgetItem deletes its children recursively, and a
    // loaded project can nest deeper than the stack allows.
    ~TreeNode() override;

    // The element this node shows (the tag); null once the node has been cleared.
    pugi::xml_node element;
    // A project node's hold on its file (lock and stamp); none for tasks and unsaved projects.
    std::shared_ptr<FileHold> fileHold;

    TreeNode* parentNode() const { return static_cast<TreeNode*>(parent()); }
    TreeNode* childNode(int index) const { return static_cast<TreeNode*>(child(index)); }
    bool isProject() const { return parent() == nullptr; }
    // The owned document: set for project nodes only.
    pugi::xml_document* document() const { return document_.get(); }
    // Hands the owned document over to the node that replaces this one.
    std::unique_ptr<pugi::xml_document> releaseDocument() { return std::move(document_); }

    QString caption() const { return text(0); }
    void setCaption(const QString& caption) { setText(0, caption); }
    TreeImage image() const { return image_; }
    void setImage(TreeImage image);

    // While the label is edited the edit box holds the bare name, not the caption with
    // its time; everything else sees the caption.
    QVariant data(int column, int role) const override;

  private:
    std::unique_ptr<pugi::xml_document> document_;
    TreeImage image_ = TreeImage::None;
};

// Whether `item` is `subtree` or lies below it; false for no item.
bool IsWithin(const QTreeWidgetItem* item, const QTreeWidgetItem* subtree);

// The text of a node path on the node's element, as a QString.
QString NodeString(const TreeNode* node, std::string_view path);
// A one-step path that creates what it names ("@name", "%description") as the path that
// only looks it up ("^name", "*description").
std::string LookupPath(std::string_view creating);
