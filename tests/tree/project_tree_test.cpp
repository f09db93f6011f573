// The tree's operations on their own, without a window: what they change, and what they
// tell the subsystems that keep pointers into the tree.
#include <QSignalSpy>

#include <gtest/gtest.h>

#include "model/xml.h"
#include "support/doubles.h"
#include "tree/project_tree.h"

namespace {

class ProjectTreeAlone : public ::testing::Test {
  protected:
    void SetUp() override {
        auto document = std::make_unique<pugi::xml_document>();
        document->load_string(
            R"(<project name="P" task_time="0:00:00" subtask_time="3:00:00">)"
            R"(<task name="A" task_time="1:00:00" subtask_time="0:30:00">)"
            R"(<task name="A1" task_time="0:30:00" subtask_time="0:00:00"/></task>)"
            R"(<task name="B" task_time="1:30:00" subtask_time="0:00:00"/></project>)");
        project = tree.AddProjectNode(std::move(document), 0);
        a = project->childNode(0);
        a1 = a->childNode(0);
        b = project->childNode(1);
    }

    TaskTree view;
    DisplayFlags display{true, true, true};
    TimingState timing;
    WorkspaceState workspace;
    ScriptedPrompter prompter;
    ProjectTree tree{view, display, timing, workspace, prompter};
    TreeNode *project, *a, *a1, *b;
};

TEST_F(ProjectTreeAlone, DeletingRefusesWhileTimedAndOtherwiseLetsGoOfTheTimedNode) {
    timing.TimedNode = a1;
    timing.TimerRunning = true;
    prompter.ExpectNotice("Unable to delete the current task, stop the timer the try again");
    TreeNode* node = a;
    EXPECT_FALSE(tree.DeleteNode(node));
    EXPECT_EQ(project->childCount(), 2);

    timing.TimerRunning = false;
    QSignalSpy leaving(&tree, &ProjectTree::SubtreeLeaving);
    QSignalSpy changed(&tree, &ProjectTree::ProjectChanged);
    EXPECT_TRUE(tree.DeleteNode(node));
    EXPECT_EQ(node, nullptr);
    EXPECT_EQ(timing.TimedNode, nullptr);  // it was below the deleted task
    ASSERT_EQ(leaving.count(), 1);
    EXPECT_EQ(leaving.at(0).at(0).value<TreeNode*>(), a);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(XML::ResolvePath(project->element, "@subtask_time").text(), "1:30:00");
    EXPECT_TRUE(prompter.allAnswered());
}

TEST_F(ProjectTreeAlone, AMoveRebuildsTheNodeAndTheTimedNodeFollows) {
    timing.TimedNode = a;
    view.setCurrentItem(a);
    QSignalSpy replaced(&tree, &ProjectTree::NodeReplaced);
    tree.MoveNodeDown();
    ASSERT_EQ(replaced.count(), 1);
    TreeNode* moved = project->childNode(1);
    EXPECT_EQ(replaced.at(0).at(1).value<TreeNode*>(), moved);
    EXPECT_EQ(timing.TimedNode, moved);
    EXPECT_EQ(moved->childNode(0)->caption(), "A1 (0:30:00)");
    EXPECT_EQ(std::string(project->element.first_child().attribute("name").value()), "B");
    EXPECT_TRUE(ProjectTree::IsModified(moved));
}

}  // namespace
