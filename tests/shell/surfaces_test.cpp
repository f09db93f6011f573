// The menu bar, the main toolbar and the tree bar: every entry where a person looks for it.
#include <QMenuBar>
#include <QToolBar>

#include "support/window_fixture.h"

namespace {

using Surfaces = WindowTest;

QStringList Entries(const QList<QAction*>& actions) {
    QStringList entries;
    for (QAction* action : actions) {
        entries << (action->isSeparator() ? QStringLiteral("-") : action->text());
    }
    return entries;
}

TEST_F(Surfaces, TheMenuBarInOrderWithItsAccessKeys) {
    const QList<QAction*> top = window->menuBar()->actions();
    EXPECT_EQ(Entries(top), QStringList({"&File", "&Workspace", "&Options...", "&Help", "Hidden"}));
    EXPECT_FALSE(top.last()->isVisible()) << "Hidden only carries the pop-ups";
    EXPECT_EQ(Entries(window->mnuFile->actions()),
              QStringList({"&New Project", "&Save Project", "Save Project &As...",
                           "&Load Project...", "Save A&ll Projects", "E&xit"}));
    EXPECT_EQ(Entries(window->mnuWorkspace->actions()),
              QStringList({"&Clear Workspace", "&Save Workspace", "Save Workspace &As",
                           "&Load Workspace"}));
    EXPECT_EQ(Entries(window->mnuHelp->actions()), QStringList({"&About", "&Webpage"}));
    EXPECT_EQ(window->mnuHidden->actions().size(), 2);
    EXPECT_EQ(window->mnuHidden->actions()[0]->menu(), window->mnuTreePopUp);
    EXPECT_EQ(Entries(window->mnuTreePopUp->actions()),
              QStringList({"&Start Timer", "S&witch Timer", "-", "&Completed", "&New Task", "&Edit",
                           "&Delete"}));
    for (QAction* action : window->mnuFile->actions()) {
        EXPECT_TRUE(action->shortcut().isEmpty()) << action->text().toStdString();
    }
}

TEST_F(Surfaces, TheToolbarsInOrder) {
    EXPECT_EQ(Entries(window->Toolbar1->actions()),
              QStringList({"Load Project", "Save Project", "Save All", "-", "Start Timer", "-",
                           "New Project", "New Task", "-", "Options"}));
    EXPECT_EQ(window->ToolbarButton("saveall")->toolTip(), "Save All Projects");
    EXPECT_EQ(window->Toolbar1->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);

    QStringList tips;
    for (QAction* action : window->TreeBar->actions()) {
        tips << (action->isSeparator() ? QStringLiteral("-") : action->toolTip());
    }
    EXPECT_EQ(tips, QStringList({"Remove Item", "New Project", "New Task", "-", "Move Item Down",
                                 "Move Item Up", ""}));
    EXPECT_FALSE(window->TreeBarButton("end")->isEnabled());
}

TEST_F(Surfaces, CommandsActOnTheSelectedNodeEvenWhenThereIsNone) {
    window->Tree->setCurrentItem(nullptr);
    window->ToolbarButton("saveproject")->trigger();  // SaveProject with no node: nothing
    window->ToolbarButton("newtask")->trigger();
    window->TreeBarButton("end")->trigger();
    EXPECT_EQ(window->Tree->topLevelItemCount(), 0);
    window->ToolbarButton("newproject")->trigger();
    EXPECT_EQ(window->Tree->topLevelItemCount(), 1);
}

TEST_F(Surfaces, TheWebPageOpensFromTheHelpMenu) {
    window->mnuHelp->actions()[1]->trigger();
    ASSERT_EQ(seams->web->opened.size(), 1u);
    EXPECT_TRUE(seams->web->opened[0].isValid());
}

}  // namespace
