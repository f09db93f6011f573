#include "tree/drag_data.h"

#include <QMimeData>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

namespace {
constexpr int kIndexBytes = 4;
}

QMimeData* MakeDragData(const DragSignatureBytes& signature, uint32_t nodeIndex,
                        const QString& caption) {
    auto* data = new QMimeData;
    QByteArray index(kIndexBytes, '\0');
    for (int i = 0; i < kIndexBytes; ++i) {
        index[i] = char((nodeIndex >> (8 * (kIndexBytes - 1 - i))) & 0xFF);
    }
    data->setData(kDragNodeFormat, index);
    data->setData(kDragSignatureFormat,
                  QByteArray(reinterpret_cast<const char*>(signature.data()), 2));
    data->setText(caption);
    return data;
}

DragCheck CheckDragData(const QMimeData& data, const DragSignatureBytes& signature,
                        int nodeCount) {
    if (!data.hasFormat(kDragSignatureFormat) || !data.hasFormat(kDragNodeFormat)) {
        return {DragCheck::MissingFormats};
    }
    const QByteArray signatureItem = data.data(kDragSignatureFormat);
    const QByteArray indexItem = data.data(kDragNodeFormat);
    if (signatureItem.size() != 2 || indexItem.size() != kIndexBytes) {
        return {DragCheck::Invalid};
    }
    if (uint8_t(signatureItem[0]) != signature[0] || uint8_t(signatureItem[1]) != signature[1]) {
        return {DragCheck::Invalid};
    }
    uint32_t index = 0;
    for (char byte : indexItem) {
        index = (index << 8) | uint8_t(byte);
    }
    if (index == 0 || index > uint32_t(nodeCount)) {
        return {DragCheck::Invalid};
    }
    return {DragCheck::Valid, index};
}

uint32_t NodeIndexOf(QTreeWidget* tree, QTreeWidgetItem* node) {
    uint32_t index = 0;
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        ++index;
        if (*it == node) {
            return index;
        }
    }
    return 0;
}

QTreeWidgetItem* NodeAtIndex(QTreeWidget* tree, uint32_t index) {
    uint32_t position = 0;
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        if (++position == index) {
            return *it;
        }
    }
    return nullptr;
}

int NodeCount(QTreeWidget* tree) {
    int count = 0;
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        ++count;
    }
    return count;
}
