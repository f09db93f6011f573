// The task tree as a person works it: naming in place, the pane's fields, the tree bar,
// the pop-up menu and the captions.
#include <QTest>

#include "model/xml.h"
#include "support/window_fixture.h"
#include "tree/caption.h"

namespace {

class Tree : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        project = AddProject("P");
        a = AddTask(project, "A");
        b = AddTask(project, "B");
        c = AddTask(project, "C");
        window->MarkUnmodified(project);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    std::string Children(TreeNode* node) const {
        std::string names;
        for (int i = 0; i < node->childCount(); ++i) {
            names += Text(node->childNode(i), "@name");
        }
        for (pugi::xml_node task : node->element.children("task")) {
            names += task.attribute("name").value();
        }
        return names;  // the nodes' names, then the elements': both must agree
    }
    bool Modified() const { return project->image() == TreeImage::ProjectModified; }
    TreeNode *project, *a, *b, *c;
};

TEST_F(Tree, NewNodesAreNamedInPlaceAndF2RenamesLater) {
    ClickToolbar("newproject");
    TreeNode* added = window->SelectedNode();
    ASSERT_NE(LabelEditor(), nullptr);
    EXPECT_EQ(LabelEditor()->text(), "New Project");
    TypeLabel("Site");
    EXPECT_EQ(Text(added, "@name"), "Site");
    EXPECT_EQ(added->caption(), "Site");
    EXPECT_EQ(window->ui.txtName->text(), "Site");
    EXPECT_EQ(added->image(), TreeImage::ProjectModified);

    ClickTreeBar("newtask");
    TreeNode* task = window->SelectedNode();
    ASSERT_NE(LabelEditor(), nullptr);
    QTest::keyClick(LabelEditor(), Qt::Key_Escape);
    EXPECT_EQ(Text(task, "@name"), "New Task");
    EXPECT_EQ(Text(task, "@completed"), "false");
    EXPECT_EQ(task->parentNode(), added);

    ClickNode(a);
    QTest::keyClick(window->ui.Tree, Qt::Key_F2);
    TypeLabel("Logo");
    EXPECT_EQ(Text(a, "@name"), "Logo");
    EXPECT_TRUE(Modified());
}

TEST_F(Tree, ThePaneEditsTheSelectedNodeAndTheArrowsMoveIt) {
    ClickNode(a);
    QTest::keyClick(window->ui.Tree, Qt::Key_Down);
    EXPECT_EQ(window->SelectedNode(), b);
    EXPECT_EQ(window->ui.txtName->text(), "B");
    window->ui.txtName->selectAll();
    QTest::keyClicks(window->ui.txtName, "Bee");
    EXPECT_EQ(Text(b, "@name"), "Bee");
    EXPECT_EQ(b->caption(), "Bee");
    EXPECT_TRUE(Modified());
    QTest::keyClicks(window->ui.txtDescription, "two");
    QTest::keyClick(window->ui.txtDescription, Qt::Key_Return);
    QTest::keyClicks(window->ui.txtDescription, "lines");
    EXPECT_EQ(Text(b, "%description"), "two\nlines");
    QTest::mouseClick(window->ui.chkCompleted, Qt::LeftButton);
    EXPECT_EQ(Text(b, "@completed"), "true");
    EXPECT_EQ(b->image(), TreeImage::TaskCompleted);

    QTest::keyClick(window->ui.Tree, Qt::Key_Up);
    EXPECT_EQ(window->ui.txtDescription->toPlainText(), "");
    EXPECT_FALSE(window->ui.chkCompleted->isChecked());
}

TEST_F(Tree, TheTreeBarMovesAndRemovesTheSelection) {
    ClickNode(project->childNode(2));
    ClickTreeBar("down");
    EXPECT_FALSE(Modified()) << "the last task has nowhere further down to go";
    const struct {
        int selected;
        const char* button;
        const char* after;
    } cases[] = {
        {0, "down", "BAC"}, {1, "down", "BCA"}, {2, "down", "BCA"},
        {0, "up", "BCA"},   {2, "up", "BAC"},   {0, "remove", "AC"},
    };
    for (const auto& step : cases) {
        ClickNode(project->childNode(step.selected));
        ClickTreeBar(step.button);
        EXPECT_EQ(Children(project), std::string(step.after) + step.after) << step.button;
    }
    EXPECT_TRUE(Modified()) << "moving and removing tasks are changes a save would write";
}

TEST_F(Tree, DraggingATaskMovesItsElementIntoTheTarget) {
    TreeNode* other = AddProject("Q");
    AddTask(a, "A1");
    window->MarkUnmodified(other);
    // The drag begins where the button went down; QDrag's own loop is modal, so the drag
    // data is taken from the window as the tree's startDrag takes it.
    const auto drag = [this](TreeNode* node) {
        ClickNode(node);
        return std::unique_ptr<QMimeData>(window->Tree_OLEStartDrag());
    };
    EXPECT_EQ(drag(project), nullptr) << "projects stay put";
    DragOnto(*drag(a), a->childNode(0));
    EXPECT_EQ(Children(project), "ABCABC") << "not into itself";
    DragOnto(*drag(a), other);
    EXPECT_EQ(Children(project), "BCBC");
    ASSERT_EQ(Children(other), "AA");
    EXPECT_EQ(Children(other->childNode(0)), "A1A1");
    EXPECT_TRUE(Modified()) << "both projects have a change to save";
    EXPECT_EQ(Text(other, "@modified"), "true");
}

TEST_F(Tree, RemovingTakesTheTimeOffTheAncestorsAndSparesTheTimedTask) {
    TreeNode* a1 = AddTask(a, "A1");
    XML::ResolvePath(a1->element, "@task_time").setText("0:10:00");
    XML::ResolvePath(a->element, "@subtask_time").setText("0:10:00");
    XML::ResolvePath(project->element, "@subtask_time").setText("0:30:00");
    ClickNode(c);
    ClickToolbar("toggletimer");
    seams->prompter->ExpectNotice(
        "Unable to delete the current task, stop the timer the try again");
    ClickTreeBar("remove");
    EXPECT_EQ(project->childCount(), 3);
    ClickNode(a1);
    ClickTreeBar("remove");
    EXPECT_EQ(Text(a, "@subtask_time"), "0:00:00");
    EXPECT_EQ(Text(project, "@subtask_time"), "0:20:00");
}

// "No" removes it unsaved (ModifiedMarking, Keyboard); "Yes" saves first, and a save
// cancelled in its dialog keeps the project.
TEST_F(Tree, RemovingAModifiedProjectOffersToSaveItFirst) {
    window->MarkModified(project);
    ClickNode(project);
    seams->prompter->Expect("Save Project before you remove it", MsgButtons::YesNo, "Horavel",
                            MsgAnswer::Yes);
    seams->fileDialog->ExpectCancel(ScriptedFileDialog::Kind::Save);
    ClickTreeBar("remove");
    EXPECT_EQ(window->ui.Tree->topLevelItemCount(), 1);
}

TEST_F(Tree, ThePopUpOpensOnARightClickAndActsOnTheSelection) {
    ClickNode(b);
    seams->menus->choose = [this](QMenu*) { return window->ui.mnuCompleted; };
    QTest::mouseClick(window->ui.Tree->viewport(), Qt::RightButton, {},
                      window->ui.Tree->visualItemRect(b).center());
    ASSERT_EQ(seams->menus->shown.size(), 1u);
    EXPECT_EQ(Text(b, "@completed"), "true");
    EXPECT_EQ(b->image(), TreeImage::TaskCompleted);
    seams->menus->choose = [this](QMenu*) { return window->ui.mnuTreeNewTask; };
    QTest::mouseClick(window->ui.Tree->viewport(), Qt::RightButton, {},
                      window->ui.Tree->visualItemRect(c).center());
    ASSERT_EQ(seams->menus->shown.size(), 2u);
    EXPECT_EQ(Text(window->SelectedNode(), "@name"), "New Task");
}

TEST(Caption, FollowsTheDisplayFlagsAndKeepsWhatDoesNotFit) {
    pugi::xml_document doc;
    doc.load_string(R"(<task name="T" task_time="1:02:03" subtask_time="0:30:00"/>)"
                    R"(<task name="Big" task_time="40000:00:00" subtask_time="1:00"/>)");
    const struct {
        DisplayFlags flags;
        const char *normal, *big;
    } cases[] = {
        {{false, true, true}, "T", "Big"},
        {{true, false, false}, "T (1:02)", "Big (40000:00:00)"},
        {{true, false, true}, "T (1:02:03)", "Big (40000:00:00)"},
        {{true, true, true}, "T (1:32:03)", "Big (40000:00:00 + 1:00)"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NodeCaption(doc.first_child(), c.flags), c.normal);
        std::string overflow;
        EXPECT_EQ(NodeCaption(doc.last_child(), c.flags, &overflow), c.big);
        EXPECT_EQ(overflow.empty(), !c.flags.TT_ShowTime) << overflow;
    }
}

TEST(PaneTimes, ShowWhatFitsAndKeepWhatDoesNotAsStored) {
    const struct {
        const char *task, *subtask;
        PaneTimes shown;
        bool overflow;
    } cases[] = {
        {"1:02:03", "0:30:00", {"1:02:03", "0:30:00", "1:32:03", ""}, false},
        {"", "75", {"0:00:00", "0:01:15", "0:01:15", ""}, false},
        {"40000:00:00", "1:00", {"40000:00:00", "0:01:00", "40000:00:00 + 1:00", ""}, true},
        // Each fits on its own; their sum does not.
        {"20000:00:00",
         "20000:00:00",
         {"20000:00:00", "20000:00:00", "20000:00:00 + 20000:00:00", ""},
         true},
    };
    for (const auto& c : cases) {
        pugi::xml_document doc;
        pugi::xml_node task = doc.append_child("task");
        task.append_attribute("task_time") = c.task;
        task.append_attribute("subtask_time") = c.subtask;
        const PaneTimes times = PaneTimesOf(task);
        EXPECT_EQ(times.task, c.shown.task) << c.task;
        EXPECT_EQ(times.subtask, c.shown.subtask) << c.subtask;
        EXPECT_EQ(times.total, c.shown.total) << c.task << " + " << c.subtask;
        EXPECT_EQ(times.overflow.empty(), !c.overflow) << times.overflow;
    }
}

}  // namespace
