// Every change a save would write marks its project modified, so that the questions before
// a removal or a clear ask about it. Each change goes through the control a person uses.
#include <QTest>

#include <functional>

#include "support/window_fixture.h"

namespace {

const QString kTitle = QStringLiteral("Horavel");

class ModifiedMarking : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        project = AddProject("Site");
        design = AddTask(project, "Design");
        logo = AddTask(project, "Logo");
        window->MarkUnmodified(project);
        window->show();
    }
    // A right click on the node, answering the pop-up with `entry`.
    void PopUp(TreeNode* node, QAction* entry) {
        seams->menus->choose = [entry](QMenu*) { return entry; };
        const QPoint at = window->Tree->visualItemRect(node).center();
        QTest::mouseClick(window->Tree->viewport(), Qt::RightButton, {}, at);
        seams->menus->choose = nullptr;
    }
    void ClickTreeBar(const char* key) {
        QTest::mouseClick(window->TreeBar->widgetForAction(window->TreeBarButton(key)),
                          Qt::LeftButton);
    }
    bool Modified() const {
        return Text(project, "@modified") == "true" &&
               project->image() == TreeImage::ProjectModified;
    }

    TreeNode* project = nullptr;
    TreeNode* design = nullptr;
    TreeNode* logo = nullptr;
};

TEST_F(ModifiedMarking, CompletedMovesAndDeletionsMarkTheirProject) {
    struct Case {
        const char* what;
        int selected;  // the task selected first
        std::function<void()> act;
    };
    const Case cases[] = {
        {"pop-up Completed", 1, [&] { PopUp(window->SelectedNode(), window->mnuCompleted); }},
        {"Move Item Up", 1, [&] { ClickTreeBar("up"); }},
        {"Move Item Down", 0, [&] { ClickTreeBar("down"); }},
        {"pop-up Delete", 0, [&] { PopUp(window->SelectedNode(), window->mnuTreeDelete); }},
        {"Remove Item on a task", 0, [&] { ClickTreeBar("remove"); }},
    };
    for (const Case& c : cases) {
        window->MarkUnmodified(project);
        window->Tree->setCurrentItem(project->childNode(c.selected));
        const int tasks = project->childCount();
        c.act();
        EXPECT_TRUE(Modified()) << c.what;
        EXPECT_LE(project->childCount(), tasks) << c.what;
    }
    EXPECT_EQ(project->childCount(), 0) << "both deletions happened";
}

TEST_F(ModifiedMarking, AMovedProjectChangesOnlyTheWorkspace) {
    TreeNode* other = AddProject("Other");
    window->MarkUnmodified(other);
    window->WorkspaceModified = false;
    ClickTreeBar("up");
    EXPECT_EQ(window->Tree->topLevelNode(0)->caption(), "Other");
    EXPECT_TRUE(window->WorkspaceModified);
    EXPECT_FALSE(Modified());
    EXPECT_EQ(Text(window->Tree->topLevelNode(0), "@modified"), "false");
}

TEST_F(ModifiedMarking, TheQuestionsThenAskAboutTheChange) {
    PopUp(logo, window->mnuCompleted);
    window->Tree->setCurrentItem(project);
    seams->prompter->Expect("Save Project before you remove it", MsgButtons::YesNo, kTitle,
                            MsgAnswer::No);
    ClickTreeBar("remove");
    EXPECT_EQ(window->Tree->topLevelItemCount(), 0);

    project = AddProject("Site");
    logo = AddTask(project, "Logo");
    AddTask(project, "Last");
    window->MarkUnmodified(project);
    window->WorkspaceModified = false;
    ClickTreeBar("up");
    seams->prompter->Expect("Modified Projects: \r\nSite\r\nSave Modified Projects First?",
                            MsgButtons::YesNoCancel, kTitle, MsgAnswer::Cancel);
    window->findChild<QAction*>("mnuClearWS")->trigger();
    EXPECT_EQ(window->Tree->topLevelItemCount(), 1) << "Cancel keeps the changed project";
}

}  // namespace
