// Removing, deleting and moving nodes: elements and nodes change in step, times stay right.
#include <QStatusBar>

#include <gtest/gtest.h>

#include <sstream>

#include "model/xml.h"
#include "support/window_fixture.h"

namespace {

const QString kTitle = QStringLiteral("Horavel");
const QString kTimerRefusal =
    QStringLiteral("Unable to delete the current task, stop the timer the try again");

std::string Xml(pugi::xml_node node) {
    std::ostringstream out;
    node.print(out, "", pugi::format_raw);
    return out.str();
}

// The names of the task elements under an element, in document order.
std::string TaskNames(pugi::xml_node element) {
    std::string names;
    for (pugi::xml_node task : element.children("task")) {
        if (!names.empty()) {
            names += ',';
        }
        names += task.attribute("name").value();
    }
    return names;
}

// The captions of a node's children, in tree order.
std::string ChildCaptions(TreeNode* node) {
    std::string captions;
    for (int i = 0; i < node->childCount(); ++i) {
        if (i > 0) {
            captions += ',';
        }
        captions += node->childNode(i)->caption().toStdString();
    }
    return captions;
}

class StructureEditing : public WindowTest {
  protected:
    static void SetTimes(TreeNode* node, const char* task, const char* subtask) {
        XML::ResolvePath(node->element, "@task_time").setText(task);
        XML::ResolvePath(node->element, "@subtask_time").setText(subtask);
    }
    void Select(TreeNode* node) { window->Tree->setCurrentItem(node); }
    void RunTimerOn(TreeNode* node) {
        window->TimedNode = node;
        window->Timer1.setEnabled(true);
    }
};

TEST_F(StructureEditing, DeletingLowersEveryAncestorByTheSameTotal) {
    TreeNode* project = AddProject("P");
    TreeNode* a = AddTask(project, "A");
    TreeNode* b = AddTask(a, "B");
    TreeNode* c = AddTask(a, "C");
    AddTask(b, "B1");
    SetTimes(project, "", "3:00:00");
    SetTimes(a, "0:10:00", "2:50:00");
    SetTimes(b, "1:00:00", "0:30:00");
    SetTimes(c, "0:20:00", "");
    window->MarkUnmodified(project);

    TreeNode* doomed = b;
    EXPECT_TRUE(window->DeleteNode(doomed));

    EXPECT_EQ(doomed, nullptr);
    EXPECT_EQ(Text(a, "@subtask_time"), "1:20:00");
    EXPECT_EQ(Text(project, "@subtask_time"), "1:30:00");
    EXPECT_EQ(Text(c, "@subtask_time"), "");
    EXPECT_EQ(TaskNames(a->element), "C");
    EXPECT_EQ(ChildCaptions(a), "C");
    EXPECT_EQ(project->image(), TreeImage::ProjectUnmodified);
}

TEST_F(StructureEditing, DeletedTimeIsWrittenWithSecondsEvenBelowZero) {
    TreeNode* project = AddProject("P");
    TreeNode* task = AddTask(project, "T");
    SetTimes(project, "", "2:00:00");
    SetTimes(task, "1:00:00", "0:30:00");
    TreeNode* other = AddTask(project, "U");
    SetTimes(other, "0:45:00", "");
    ASSERT_TRUE(window->DeleteNode(task));
    EXPECT_EQ(Text(project, "@subtask_time"), "0:30:00");
    ASSERT_TRUE(window->DeleteNode(other));
    EXPECT_EQ(Text(project, "@subtask_time"), "-1:45:00");  // the sum was wrong to begin with
}

TEST_F(StructureEditing, ATimeThatDoesNotFitIsLeftAndReportedWhileTheRestGoesOn) {
    TreeNode* project = AddProject("P");
    TreeNode* a = AddTask(project, "A");
    TreeNode* b = AddTask(a, "B");
    SetTimes(project, "", "3:00:00");
    SetTimes(a, "", "40000:00:00");
    SetTimes(b, "1:00:00", "");
    Select(project);  // the detail pane is not what this is about
    ASSERT_TRUE(window->DeleteNode(b));
    EXPECT_EQ(Text(a, "@subtask_time"), "40000:00:00");
    EXPECT_EQ(Text(project, "@subtask_time"), "3:00:00");  // all of the chain or none of it
    EXPECT_TRUE(window->statusBar()->currentMessage().contains("\"40000:00:00\" of 'A'"));

    TreeNode* huge = AddTask(project, "Huge");
    SetTimes(huge, "99999:00:00", "");
    Select(project);
    ASSERT_TRUE(window->DeleteNode(huge));  // its own time unreadable: nothing is lowered
    EXPECT_EQ(Text(project, "@subtask_time"), "3:00:00");
    EXPECT_TRUE(window->statusBar()->currentMessage().contains("'Huge'"));
}

TEST_F(StructureEditing, TheRunningTimerGuardsItsTaskAndEverythingAbove) {
    TreeNode* project = AddProject("P");
    TreeNode* parent = AddTask(project, "Parent");
    TreeNode* timed = AddTask(parent, "Timed");
    TreeNode* sibling = AddTask(parent, "Sibling");
    RunTimerOn(timed);
    const std::string before = Xml(project->element);

    for (TreeNode* guarded : {timed, parent, project}) {
        seams->prompter->Expect(kTimerRefusal, MsgButtons::OK, kTitle, MsgAnswer::OK);
        TreeNode* node = guarded;
        EXPECT_FALSE(window->DeleteNode(node));
        EXPECT_EQ(node, guarded);
    }
    EXPECT_EQ(Xml(project->element), before);
    EXPECT_EQ(ChildCaptions(parent), "Timed,Sibling");

    EXPECT_TRUE(window->DeleteNode(sibling));
    window->Timer1.setEnabled(false);  // stopped: the last timed task may go
    EXPECT_TRUE(window->DeleteNode(timed));
    EXPECT_EQ(window->TimedNode, nullptr);  // never left pointing at a deleted node
    EXPECT_TRUE(window->DeleteNode(project));
    EXPECT_EQ(window->Tree->topLevelItemCount(), 0);
}

TEST_F(StructureEditing, PopUpDeleteRemovesAModifiedProjectWithoutAsking) {
    TreeNode* keep = AddProject("Keep");
    TreeNode* project = AddProject("Modified");
    AddTask(project, "Task");
    Select(project);
    window->WorkspaceModified = false;
    window->mnuTreeDelete->trigger();
    ASSERT_EQ(window->Tree->topLevelItemCount(), 1);
    EXPECT_EQ(window->Tree->topLevelNode(0), keep);
    EXPECT_TRUE(window->WorkspaceModified);
    TreeNode* none = nullptr;
    EXPECT_FALSE(window->DeleteNode(none));
}

TEST_F(StructureEditing, RemoveAsksOnlyAboutAModifiedProject) {
    TreeNode* clean = AddProject("Clean");
    window->MarkUnmodified(clean);
    window->RemoveItem(clean);  // no question
    EXPECT_EQ(window->Tree->topLevelItemCount(), 0);

    TreeNode* dropped = AddProject("Dropped");
    AddProject("Next");
    seams->prompter->Expect("Save Project before you remove it", MsgButtons::YesNo, kTitle,
                            MsgAnswer::No);
    window->WorkspaceModified = false;
    window->RemoveItem(dropped);
    EXPECT_EQ(window->Tree->topLevelItemCount(), 1);
    EXPECT_TRUE(window->WorkspaceModified);
    EXPECT_EQ(window->txtName->text().toStdString(), "Next");  // the pane follows the selection
    window->RemoveItem(nullptr);
}

TEST_F(StructureEditing, AProjectStaysWhenTheOfferedSaveDoesNotHappen) {
    TreeNode* project = AddProject("Site");
    seams->prompter->Expect("Save Project before you remove it", MsgButtons::YesNo, kTitle,
                            MsgAnswer::Yes);
    seams->fileDialog->ExpectCancel(ScriptedFileDialog::Kind::Save);
    window->RemoveItem(project);
    ASSERT_EQ(window->Tree->topLevelItemCount(), 1);

    seams->prompter->Expect("Save Project before you remove it", MsgButtons::YesNo, kTitle,
                            MsgAnswer::Yes);
    seams->fileDialog->ExpectSave(TempPath("site.hvp"));
    window->RemoveItem(project);
    EXPECT_EQ(window->Tree->topLevelItemCount(), 0);
    EXPECT_TRUE(QFile::exists(TempPath("site.hvp")));
}

TEST_F(StructureEditing, RemovingATaskAsksNothingAndRespectsTheTimer) {
    TreeNode* project = AddProject("P");
    TreeNode* task = AddTask(project, "T");
    RunTimerOn(task);
    seams->prompter->Expect(kTimerRefusal, MsgButtons::OK, kTitle, MsgAnswer::OK);
    window->RemoveItem(task);
    EXPECT_EQ(project->childCount(), 1);
    window->Timer1.setEnabled(false);
    window->RemoveItem(task);
    EXPECT_EQ(project->childCount(), 0);
}

TEST_F(StructureEditing, MovingDownAppendsAtTheEndThenStops) {
    TreeNode* project = AddProject("P");
    for (const char* name : {"A", "B", "C", "D"}) {
        AddTask(project, name);
    }
    Select(project->childNode(0));
    window->MoveNodeDown();  // A goes before the element after its next sibling
    EXPECT_EQ(TaskNames(project->element), "B,A,C,D");
    Select(project->childNode(2));
    window->MoveNodeDown();  // C, next to last, is appended
    EXPECT_EQ(TaskNames(project->element), "B,A,D,C");
    EXPECT_EQ(project->element.last_child(), project->childNode(3)->element);
    EXPECT_EQ(window->SelectedNode(), project->childNode(3));
    window->MoveNodeDown();  // the last one stays
    EXPECT_EQ(TaskNames(project->element), "B,A,D,C");
    EXPECT_EQ(ChildCaptions(project), "B,A,D,C");
    EXPECT_EQ(std::string(project->element.first_child().name()), "description");
}

TEST_F(StructureEditing, MovingUpStopsAtTheFirstChild) {
    TreeNode* project = AddProject("P");
    for (const char* name : {"A", "B", "C"}) {
        AddTask(project, name);
    }
    Select(project->childNode(2));
    window->MoveNodeUp();
    window->MoveNodeUp();
    window->MoveNodeUp();
    EXPECT_EQ(TaskNames(project->element), "C,A,B");
    EXPECT_EQ(ChildCaptions(project), "C,A,B");
    Select(nullptr);
    window->MoveNodeUp();  // nothing selected: nothing happens
    window->MoveNodeDown();
    EXPECT_EQ(ChildCaptions(project), "C,A,B");
}

TEST_F(StructureEditing, MovingAProjectReordersOnlyTheRoots) {
    TreeNode* first = AddProject("First");
    TreeNode* second = AddProject("Second");
    AddTask(second, "Task");
    pugi::xml_document* document = second->document();
    const std::string xml = Xml(second->element);
    Select(second);
    window->MoveNodeUp();
    TreeNode* moved = window->Tree->topLevelNode(0);
    EXPECT_EQ(moved->caption().toStdString(), "Second");
    EXPECT_EQ(moved->document(), document);  // the replacement owns the same document
    EXPECT_EQ(Xml(moved->element), xml);
    EXPECT_EQ(window->Tree->topLevelNode(1), first);
    EXPECT_EQ(ChildCaptions(moved), "Task");
    EXPECT_EQ(moved->childNode(0)->parentNode(), moved);
}

TEST_F(StructureEditing, AMovedNodeKeepsAllItHadAndStaysTimed) {
    TreeNode* project = AddProject("P");
    TreeNode* before = AddTask(project, "Before");
    TreeNode* task = AddTask(project, "Task");
    TreeNode* open = AddTask(task, "Open");
    TreeNode* inner = AddTask(open, "Inner");
    TreeNode* closed = AddTask(task, "Closed");
    AddTask(closed, "Hidden");
    closed->setExpanded(false);
    window->MarkUnmodified(project);
    window->TT_ShowTime = true;
    window->UpdateNode(task);
    RunTimerOn(task);
    task->setImage(ClockFrame(2));
    const pugi::xml_node element = task->element;
    ASSERT_TRUE(task->isExpanded());
    ASSERT_TRUE(open->isExpanded());

    Select(task);
    window->MoveNodeUp();

    TreeNode* moved = project->childNode(0);
    EXPECT_NE(moved, task);
    EXPECT_EQ(moved->caption().toStdString(), "Task (0:00)");
    EXPECT_EQ(moved->image(), ClockFrame(2));
    EXPECT_EQ(moved->element, element);
    EXPECT_TRUE(moved->isExpanded());
    EXPECT_EQ(ChildCaptions(moved), "Open,Closed");
    EXPECT_EQ(moved->childNode(0), open);  // children travel, they are not rebuilt
    EXPECT_TRUE(open->isExpanded());
    EXPECT_FALSE(closed->isExpanded());
    EXPECT_EQ(open->childNode(0), inner);
    EXPECT_EQ(window->SelectedNode(), moved);
    EXPECT_EQ(window->TimedNode, moved);
    EXPECT_EQ(project->childNode(1), before);
    EXPECT_EQ(TaskNames(project->element), "Task,Before");
    EXPECT_EQ(project->image(), TreeImage::ProjectUnmodified);
    window->Timer1.setEnabled(false);
}

TEST_F(StructureEditing, TreeBarButtonsDispatchByKey) {
    struct Button {
        const char* key;
        const char* toolTip;
    };
    for (const Button& b : {Button{"remove", "Remove Item"}, Button{"newproject", "New Project"},
                            Button{"newtask", "New Task"}, Button{"down", "Move Item Down"},
                            Button{"up", "Move Item Up"}}) {
        ASSERT_NE(window->TreeBarButton(b.key), nullptr) << b.key;
        EXPECT_EQ(window->TreeBarButton(b.key)->toolTip().toStdString(), b.toolTip);
    }
    window->TreeBarButton("newproject")->trigger();
    TreeNode* project = window->SelectedNode();
    ASSERT_NE(project, nullptr);
    for (int i = 0; i < 3; ++i) {
        Select(project);
        window->TreeBarButton("newtask")->trigger();
    }
    ASSERT_EQ(project->childCount(), 3);
    XML::ResolvePath(project->childNode(2)->element, "@name").setText("Last");
    window->UpdateNode(project->childNode(2));
    window->TreeBarButton("up")->trigger();
    EXPECT_EQ(project->childNode(1)->caption().toStdString(), "Last");
    window->TreeBarButton("down")->trigger();
    EXPECT_EQ(project->childNode(2)->caption().toStdString(), "Last");
    window->TreeBar_ButtonClick("end");
    window->TreeBar_ButtonClick("Remove");  // keys are compared exactly
    EXPECT_EQ(project->childCount(), 3);
    window->TreeBarButton("remove")->trigger();
    EXPECT_EQ(project->childCount(), 2);
}

}  // namespace
