// The tree's pop-up menu: prepared for the node under the pointer, acting on the selection.
#include <gtest/gtest.h>

#include "model/xml.h"
#include "support/window_fixture.h"

namespace {

class TreePopUp : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        project = AddProject("Site");
        design = AddTask(project, "Design");
        logo = AddTask(project, "Logo");
        window->MarkUnmodified(project);
        window->show();
    }

    QPoint At(TreeNode* node) const { return window->Tree->visualItemRect(node).center(); }
    // Releases the right button over the node and returns what the pop-up showed.
    RecordingMenuPopper::Shown RightClick(TreeNode* node) {
        const size_t before = seams->menus->shown.size();
        window->Tree_MouseUp(Qt::RightButton, Qt::NoModifier, At(node));
        EXPECT_EQ(seams->menus->shown.size(), before + 1) << "one pop-up";
        return seams->menus->shown.empty() ? RecordingMenuPopper::Shown{}
                                           : seams->menus->shown.back();
    }

    TreeNode* project = nullptr;
    TreeNode* design = nullptr;
    TreeNode* logo = nullptr;
};

TEST_F(TreePopUp, SwitchTimerShowsOnlyWhileTimingAnotherNode) {
    struct Case {
        bool running;
        TreeNode** timed;
        bool visible;
    };
    const Case cases[] = {
        {false, nullptr, false},
        {false, &logo, false},
        {true, &design, false},  // pointer over the timed node
        {true, &logo, true},
    };
    for (const Case& c : cases) {
        window->TimerRunning = c.running;
        window->TimedNode = c.timed ? *c.timed : nullptr;
        const auto shown = RightClick(design);
        EXPECT_EQ(shown.visibleEntries.contains("S&witch Timer"), c.visible)
            << "running " << c.running << ", visible "
            << shown.visibleEntries.join('|').toStdString();
        EXPECT_EQ(shown.menu, window->mnuTreePopUp);
        EXPECT_EQ(shown.position, window->Tree->viewport()->mapToGlobal(At(design)));
    }
    window->TimerRunning = false;
    window->TimedNode = nullptr;
}

TEST_F(TreePopUp, OpensOnlyForTheRightButtonOverANode) {
    window->Tree_MouseUp(Qt::LeftButton, Qt::NoModifier, At(design));
    window->Tree_MouseUp(Qt::RightButton, Qt::NoModifier, QPoint(5, 5000));
    EXPECT_TRUE(seams->menus->shown.empty());
}

TEST_F(TreePopUp, CompletedMarkComesFromTheNodeUnderThePointer) {
    XML::ResolvePath(logo->element, "@completed").setText("True");
    window->Tree->setCurrentItem(design);
    EXPECT_TRUE(RightClick(logo).checkedEntries.contains("&Completed"));
    EXPECT_FALSE(RightClick(design).checkedEntries.contains("&Completed"));
}

TEST_F(TreePopUp, CompletedChangesTheIconOnlyAndActsOnTheSelection) {
    window->Tree->setCurrentItem(design);
    seams->menus->choose = [this](QMenu*) { return window->mnuCompleted; };
    RightClick(design);
    EXPECT_EQ(Text(design, "@completed"), "true");
    EXPECT_EQ(design->image(), TreeImage::TaskCompleted);
    EXPECT_EQ(project->image(), TreeImage::ProjectModified);
    EXPECT_EQ(Text(project, "@modified"), "true");
    EXPECT_FALSE(window->chkCompleted->isChecked()) << "the pane is not refilled";

    RightClick(design);
    EXPECT_EQ(Text(design, "@completed"), "false");
    EXPECT_EQ(design->image(), TreeImage::Task);

    // The pointer was over Logo, the command works on the selected Design.
    RightClick(logo);
    EXPECT_EQ(Text(design, "@completed"), "true");
    EXPECT_EQ(Text(logo, "@completed"), "false");
}

}  // namespace
