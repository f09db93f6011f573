// Every change a save would write marks its project modified, so that the questions before
// a removal or a clear ask about it. Each change goes through the control a person uses.
#include <QTest>

#include <functional>

#include "support/window_fixture.h"

namespace {

class ModifiedMarking : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        project = AddProject("Site");
        AddTask(project, "Design");
        AddTask(project, "Logo");
        window->MarkUnmodified(project);
        window->Workspace.WorkspaceModified = false;
        window->show();
    }
    // A right click on the selected node, answering the pop-up with `entry`.
    void PopUp(QAction* entry) {
        seams->menus->choose = [entry](QMenu*) { return entry; };
        const QPoint at = window->ui.Tree->visualItemRect(window->SelectedNode()).center();
        QTest::mouseClick(window->ui.Tree->viewport(), Qt::RightButton, {}, at);
    }
    bool Modified(TreeNode* node) const {
        return Text(node, "@modified") == "true" && node->image() == TreeImage::ProjectModified;
    }
    TreeNode* project = nullptr;
};

TEST_F(ModifiedMarking, CompletedMovesAndDeletionsMarkTheProjectAndTheQuestionsAsk) {
    struct Case {
        const char* what;
        int selected;  // the task selected first
        std::function<void()> act;
    };
    const Case cases[] = {
        {"pop-up Completed", 1, [&] { PopUp(window->ui.mnuCompleted); }},
        {"Move Item Up", 1, [&] { ClickTreeBar("up"); }},
        {"Move Item Down", 0, [&] { ClickTreeBar("down"); }},
        {"pop-up Delete", 0, [&] { PopUp(window->ui.mnuTreeDelete); }},
        {"Remove Item on a task", 0, [&] { ClickTreeBar("remove"); }},
    };
    for (const Case& c : cases) {
        window->MarkUnmodified(project);
        window->ui.Tree->setCurrentItem(project->childNode(c.selected));
        c.act();
        EXPECT_TRUE(Modified(project)) << c.what;
    }
    EXPECT_EQ(project->childCount(), 0) << "both deletions happened";

    seams->prompter->Expect("Modified Projects: \r\nSite\r\nSave Modified Projects First?",
                            MsgButtons::YesNoCancel, "Horavel", MsgAnswer::Cancel);
    window->findChild<QAction*>("mnuClearWS")->trigger();
    window->ui.Tree->setCurrentItem(project);
    seams->prompter->Expect("Save Project before you remove it", MsgButtons::YesNo, "Horavel",
                            MsgAnswer::No);
    ClickTreeBar("remove");
    EXPECT_EQ(window->ui.Tree->topLevelItemCount(), 0);
}

TEST_F(ModifiedMarking, AMovedProjectChangesOnlyTheWorkspace) {
    TreeNode* other = AddProject("Other");
    window->MarkUnmodified(other);
    window->Workspace.WorkspaceModified = false;
    ClickTreeBar("up");
    EXPECT_EQ(window->ui.Tree->topLevelNode(0)->caption(), "Other");
    EXPECT_TRUE(window->Workspace.WorkspaceModified);
    EXPECT_FALSE(Modified(project) || Modified(window->ui.Tree->topLevelNode(0)));
}

}  // namespace
