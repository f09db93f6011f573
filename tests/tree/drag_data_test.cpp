#include "tree/drag_data.h"

#include <QMimeData>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <memory>

namespace {

const DragSignatureBytes kOurs{0x12, 0x34};

TEST(DragData, CarriesSignatureIndexAndCaption) {
    std::unique_ptr<QMimeData> data(MakeDragData(kOurs, 70000, "Design (1:05)"));
    EXPECT_EQ(data->text(), "Design (1:05)");
    EXPECT_EQ(data->data(kDragSignatureFormat), QByteArray("\x12\x34", 2));
    EXPECT_EQ(data->data(kDragNodeFormat), QByteArray("\x00\x01\x11\x70", 4));

    const DragCheck check = CheckDragData(*data, kOurs, 100000);
    EXPECT_EQ(check.result, DragCheck::Valid);
    EXPECT_EQ(check.nodeIndex, 70000u);  // beyond two bytes: no wrap to another node
}

TEST(DragData, RefusesWhatIsNotThisInstancesDrag) {
    QMimeData plain;
    plain.setText("from another program");
    EXPECT_EQ(CheckDragData(plain, kOurs, 10).result, DragCheck::MissingFormats);

    QMimeData onlyOne;
    onlyOne.setData(kDragSignatureFormat, QByteArray("\x12\x34", 2));
    EXPECT_EQ(CheckDragData(onlyOne, kOurs, 10).result, DragCheck::MissingFormats);

    std::unique_ptr<QMimeData> foreign(MakeDragData({0x12, 0x35}, 3, "x"));
    EXPECT_EQ(CheckDragData(*foreign, kOurs, 10).result, DragCheck::Invalid);

    std::unique_ptr<QMimeData> stale(MakeDragData(kOurs, 11, "x"));
    EXPECT_EQ(CheckDragData(*stale, kOurs, 10).result, DragCheck::Invalid);
    EXPECT_EQ(CheckDragData(*stale, kOurs, 11).result, DragCheck::Valid);

    std::unique_ptr<QMimeData> zero(MakeDragData(kOurs, 0, "x"));
    EXPECT_EQ(CheckDragData(*zero, kOurs, 10).result, DragCheck::Invalid);

    QMimeData shortIndex;
    shortIndex.setData(kDragSignatureFormat, QByteArray("\x12\x34", 2));
    shortIndex.setData(kDragNodeFormat, QByteArray("\x00\x01", 2));
    EXPECT_EQ(CheckDragData(shortIndex, kOurs, 10).result, DragCheck::Invalid);
}

TEST(DragData, IndexIsThePreOrderPosition) {
    QTreeWidget tree;
    auto* p1 = new QTreeWidgetItem(&tree);
    auto* a = new QTreeWidgetItem(p1);
    auto* a1 = new QTreeWidgetItem(a);
    auto* b = new QTreeWidgetItem(p1);
    auto* p2 = new QTreeWidgetItem(&tree);
    const QTreeWidgetItem* order[] = {p1, a, a1, b, p2};
    EXPECT_EQ(NodeCount(&tree), 5);
    for (uint32_t i = 0; i < 5; ++i) {
        EXPECT_EQ(NodeAtIndex(&tree, i + 1), order[i]);
        EXPECT_EQ(NodeIndexOf(&tree, const_cast<QTreeWidgetItem*>(order[i])), i + 1);
    }
    EXPECT_EQ(NodeAtIndex(&tree, 6), nullptr);
    EXPECT_EQ(NodeAtIndex(&tree, 0), nullptr);
}

}  // namespace
