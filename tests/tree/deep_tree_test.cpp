// A branch nested deeper than Qt can lay out opens only as far as it safely can.
#include <QFile>
#include <QTest>

#include <gtest/gtest.h>

#include "support/window_fixture.h"

namespace {

class DeepTree : public WindowTest {};

TEST_F(DeepTree, ExpandAllKeyAndSelectionStopAtTheDepthLimit) {
    constexpr int kDepth = 30000;  // Qt's recursive layout overflowed the stack from ~27,000
    std::string deep = "<project name=\"Deep\">";
    for (int i = 0; i < kDepth; ++i) {
        deep += "<task>";
    }
    for (int i = 0; i < kDepth; ++i) {
        deep += "</task>";
    }
    deep += "</project>";
    QFile file(TempPath("deep.hvp"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(deep.data(), qint64(deep.size()));
    file.close();
    QString path = file.fileName();
    window->LoadProjects(path);
    window->show();
    TreeNode* project = window->Tree->topLevelNode(0);
    window->Tree->setCurrentItem(project);

    QTest::keyClick(window->Tree, Qt::Key_Asterisk);
    window->Tree->doItemsLayout();  // the whole open branch laid out at once
    QTreeWidgetItem* node = project;
    for (int depth = 0; depth < TaskTree::kMaxOpenDepth; ++depth) {
        ASSERT_TRUE(node->isExpanded()) << "depth " << depth;
        node = node->child(0);
    }
    EXPECT_FALSE(node->isExpanded());

    // A new task below the deepest node opens the branch above it, as far as allowed.
    QTreeWidgetItem* deepest = node;
    while (deepest->childCount() > 0) {
        deepest = deepest->child(0);
    }
    window->Tree->setCurrentItem(deepest);
    window->ToolbarButton("newtask")->trigger();
    window->Tree->doItemsLayout();
    EXPECT_EQ(deepest->childCount(), 1);
    EXPECT_FALSE(deepest->isExpanded());
}

}  // namespace
