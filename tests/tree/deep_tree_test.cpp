// A branch nested deeper than Qt can lay out opens only as far as it safely can.
#include <QTest>

#include "support/window_fixture.h"

namespace {

TEST_F(WindowTest, DeepBranchesOpenOnlyToTheDepthLimit) {
    constexpr int kDepth = 30000;  // Qt's recursive layout overflowed the stack from ~27,000
    std::string deep = "<project name=\"Deep\">";
    for (int i = 0; i < kDepth; ++i) {
        deep += "<task>";
    }
    for (int i = 0; i < kDepth; ++i) {
        deep += "</task>";
    }
    QTreeWidgetItem* node = LoadFile("deep.hvp", deep + "</project>");
    window->show();
    window->ui.Tree->setCurrentItem(node);
    QTest::keyClick(window->ui.Tree, Qt::Key_Asterisk);
    window->ui.Tree->doItemsLayout();  // the whole open branch laid out at once
    for (int depth = 0; depth < TaskTree::kMaxOpenDepth; ++depth, node = node->child(0)) {
        ASSERT_TRUE(node->isExpanded()) << "depth " << depth;
    }
    EXPECT_FALSE(node->isExpanded());

    // A new task at the bottom opens the branch above it, as far as allowed.
    while (node->childCount() > 0) {
        node = node->child(0);
    }
    window->ui.Tree->setCurrentItem(node);
    window->ToolbarButton("newtask")->trigger();
    window->ui.Tree->doItemsLayout();
    EXPECT_EQ(node->childCount(), 1);
    EXPECT_FALSE(node->isExpanded());
}

}  // namespace
