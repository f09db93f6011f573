#include <gtest/gtest.h>

#include "model/xml.h"
#include "support/window_fixture.h"

namespace {

using ProjectNodes = WindowTest;

TEST_F(ProjectNodes, NewProjectIsTheLastRootModifiedAndSelected) {
    AddProject("First");
    window->NewProject();
    TreeNode* project = window->SelectedNode();
    ASSERT_NE(project, nullptr);
    EXPECT_EQ(window->Tree->topLevelItemCount(), 2);
    EXPECT_EQ(window->Tree->topLevelNode(1), project);
    EXPECT_EQ(project->caption(), "New Project");
    EXPECT_EQ(project->image(), TreeImage::ProjectModified);
    EXPECT_EQ(Text(project, "@modified"), "true");
    EXPECT_EQ(window->txtName->text(), "New Project");
    EXPECT_TRUE(window->WorkspaceModified);
}

TEST_F(ProjectNodes, NewTaskAppendsAnElementAndANodeWithoutMarking) {
    TreeNode* project = AddProject("Site");
    window->MarkUnmodified(project);
    TreeNode* design = AddTask(project, "Design");
    window->NewTask(design);
    TreeNode* logo = window->SelectedNode();

    std::ostringstream xml;
    logo->element.print(xml, "", pugi::format_raw);
    EXPECT_EQ(xml.str(), R"(<task name="New Task" completed="false" task_time="" subtask_time="">)"
                         R"(<description/><history/></task>)");
    EXPECT_EQ(logo->parentNode(), design);
    EXPECT_EQ(design->element.last_child(), logo->element);
    EXPECT_EQ(logo->image(), TreeImage::Task);
    EXPECT_TRUE(design->isExpanded());
    EXPECT_EQ(project->image(), TreeImage::ProjectUnmodified);
    EXPECT_EQ(window->ProjectNodeOf(logo), project);
    EXPECT_EQ(window->ProjectNodeOf(project), project);
    EXPECT_EQ(window->ProjectNodeOf(nullptr), nullptr);

    window->MarkModified(logo);
    EXPECT_EQ(project->image(), TreeImage::ProjectModified);
    EXPECT_EQ(logo->image(), TreeImage::Task);
}

TEST_F(ProjectNodes, BuildTaskNodesFollowsDocumentOrderAtEveryDepth) {
    TreeNode* project = AddProject("P");
    pugi::xml_document source;
    ASSERT_TRUE(source.load_string(
        R"(<project><task name="A" completed="TRUE"><task name="A1"/><task name="A2">)"
        R"(<task name="A2x"/></task></task><description/><task name="B"/></project>)"));
    for (pugi::xml_node task : source.document_element().children("task")) {
        project->element.append_copy(task);
    }
    window->BuildTaskNodes(project, project->element);

    ASSERT_EQ(project->childCount(), 2);
    TreeNode* a = project->childNode(0);
    EXPECT_EQ(a->caption(), "A");
    EXPECT_EQ(a->image(), TreeImage::TaskCompleted);
    ASSERT_EQ(a->childCount(), 2);
    EXPECT_EQ(a->childNode(1)->caption(), "A2");
    EXPECT_EQ(a->childNode(1)->childNode(0)->caption(), "A2x");
    EXPECT_EQ(a->childNode(1)->childNode(0)->element.attribute("name").value(), std::string("A2x"));
    EXPECT_EQ(project->childNode(1)->caption(), "B");
    EXPECT_EQ(project->childNode(1)->image(), TreeImage::Task);
}

}  // namespace

namespace {

using ProjectNodesLoaded = WindowTest;

// Loading refreshes every node it builds: deep ones get captions with their times and
// the icons of their state, the top-level ones too once they are in the tree.
TEST_F(ProjectNodesLoaded, BuiltNodesShowTimesAndStateAtEveryDepth) {
    window->TT_ShowTime = true;
    TreeNode* project = AddProject("P");
    pugi::xml_document source;
    ASSERT_TRUE(source.load_string(
        R"(<project><task name="A" completed="false" task_time="0:01:00" subtask_time="1:00:00">)"
        R"(<task name="A1" completed="true" task_time="1:00:00"><task name="A1x" completed="True"/>)"
        R"(</task></task></project>)"));
    project->element.append_copy(source.document_element().child("task"));
    window->MarkUnmodified(project);
    window->BuildTaskNodes(project, project->element);

    TreeNode* a = project->childNode(0);
    ASSERT_NE(a, nullptr);
    TreeNode* a1 = a->childNode(0);
    ASSERT_NE(a1, nullptr);
    TreeNode* a1x = a1->childNode(0);
    ASSERT_NE(a1x, nullptr);
    EXPECT_EQ(a->caption(), "A (1:01)");
    EXPECT_EQ(a->image(), TreeImage::Task);
    EXPECT_EQ(a1->caption(), "A1 (1:00)");
    EXPECT_EQ(a1->image(), TreeImage::TaskCompleted);
    EXPECT_EQ(a1x->caption(), "A1x (0:00)");
    EXPECT_EQ(a1x->image(), TreeImage::TaskCompleted);
    EXPECT_EQ(project->image(), TreeImage::ProjectUnmodified) << "loading is no edit";
}

}  // namespace
