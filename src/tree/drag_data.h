#pragma once
// What a drag from the task tree carries: this instance's two-byte signature, the dragged
// node's position in the tree and, for other programs, its caption as plain text.

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>

class QMimeData;
class QTreeWidget;
class QTreeWidgetItem;

using DragSignatureBytes = std::array<uint8_t, 2>;

// Private formats: the signature and the node index.
inline const QString kDragSignatureFormat = QStringLiteral("application/x-horavel-drag-signature");
inline const QString kDragNodeFormat = QStringLiteral("application/x-horavel-drag-node");

// The drag data for the node at a 1-based position, with the signature and the caption.
// The index item has four bytes, high byte first, so no tree is too large to drag from.
QMimeData* MakeDragData(const DragSignatureBytes& signature, uint32_t nodeIndex,
                        const QString& caption);

struct DragCheck {
    enum Result {
        MissingFormats,  // not ours at all: refuse, but let the tree scroll
        Invalid,         // ours in form but another instance's, or a stale index
        Valid,
    } result;
    uint32_t nodeIndex = 0;  // 1-based position of the dragged node, when Valid
};

// Checks, in this order: both private formats present; each item of the right length; the
// signature equal to ours; the index not beyond the number of nodes in the tree.
DragCheck CheckDragData(const QMimeData& data, const DragSignatureBytes& signature,
                        int nodeCount);

// A node's 1-based position in the tree in pre-order (projects and tasks alike), and the
// node at such a position (nullptr when beyond the end).
uint32_t NodeIndexOf(QTreeWidget* tree, QTreeWidgetItem* node);
QTreeWidgetItem* NodeAtIndex(QTreeWidget* tree, uint32_t index);
// The number of nodes in the tree.
int NodeCount(QTreeWidget* tree);
