#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QMenu>
#include <QToolButton>

#include "support/window_fixture.h"

namespace {

using AccessibleNames = WindowTest;

// What a screen reader (and the end-to-end journeys) calls the widget: its accessible
// name, or the text of the label buddied to it.
QString SpokenName(QWidget* widget) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    return accessible == nullptr ? QString() : accessible->text(QAccessible::Name);
}

bool IsControl(QWidget* widget) {
    return qobject_cast<QAbstractButton*>(widget) || qobject_cast<QLineEdit*>(widget) ||
           qobject_cast<QPlainTextEdit*>(widget) || qobject_cast<QAbstractItemView*>(widget) ||
           qobject_cast<QComboBox*>(widget) || qobject_cast<QAbstractSpinBox*>(widget) ||
           qobject_cast<QToolBar*>(widget);
}

TEST_F(AccessibleNames, EveryVisibleControlOfTheMainWindowHasAName) {
    window->show();  // a tool bar lays its buttons out, and shows them, once it shows
    QApplication::processEvents();
    int checked = 0;
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        // Qt's own helpers (a tool bar's overflow button, a scroll area's corners) are
        // hidden or named by Qt; only the window's own controls are ours to name.
        if (!IsControl(widget) || !widget->isVisible() || widget->objectName().startsWith("qt_")) {
            continue;
        }
        ++checked;
        EXPECT_FALSE(SpokenName(widget).isEmpty())
            << widget->metaObject()->className() << " '" << widget->objectName().toStdString()
            << "' has no accessible name";
    }
    EXPECT_GE(checked, 20);  // the two tool bars, their buttons, the tree and the pane
}

// Menus are read out by their title and their entries by caption, pop-ups included.
TEST_F(AccessibleNames, EveryMenuAndMenuEntryHasAName) {
    const QList<QMenu*> menus = window->findChildren<QMenu*>();
    EXPECT_GE(menus.size(), 6);  // File, Workspace, Help, Hidden, the tree's and the tray's
    for (QMenu* menu : menus) {
        if (menu->objectName().isEmpty()) {
            continue;  // Qt's own overflow menus of the menu bar and the tool bars
        }
        EXPECT_FALSE(SpokenName(menu).isEmpty() && menu->title().isEmpty())
            << "menu '" << menu->objectName().toStdString() << "' has no name";
        for (QAction* entry : menu->actions()) {
            EXPECT_TRUE(entry->isSeparator() || !entry->text().isEmpty())
                << "an entry of '" << menu->objectName().toStdString() << "' has no caption";
        }
    }
    EXPECT_EQ(SpokenName(window->mnuTreePopUp), "Task Menu");
}

QToolButton* ButtonOf(QToolBar* bar, QAction* action) {
    return qobject_cast<QToolButton*>(bar->widgetForAction(action));
}

// The names the journeys and screen readers look controls up by.
TEST_F(AccessibleNames, ControlsAreNamedByCaptionTooltipOrLabel) {
    const std::vector<std::pair<QWidget*, QString>> expected = {
        {window->Tree, "Tasks"},
        {window->txtName, "Task Name:"},
        {window->txtDescription, "Task Description:"},
        {window->txtTaskTime, "Task Time:"},
        {window->txtSubTaskTime, "SubTask(s) Time:"},
        {window->txtTotalTime, "Total Time:"},
        {window->chkCompleted, "Completed"},
        {ButtonOf(window->Toolbar1, window->ToolbarButton("newproject")), "New Project"},
        {ButtonOf(window->Toolbar1, window->ToolbarButton("toggletimer")), "Start Timer"},
        {ButtonOf(window->Toolbar1, window->ToolbarButton("saveall")), "Save All"},
        {ButtonOf(window->TreeBar, window->TreeBarButton("remove")), "Remove Item"},
        {ButtonOf(window->TreeBar, window->TreeBarButton("newtask")), "New Task"},
        {ButtonOf(window->TreeBar, window->TreeBarButton("down")), "Move Item Down"},
        {ButtonOf(window->TreeBar, window->TreeBarButton("up")), "Move Item Up"},
    };
    for (const auto& [widget, name] : expected) {
        ASSERT_NE(widget, nullptr) << name.toStdString();
        EXPECT_EQ(SpokenName(widget), name) << widget->objectName().toStdString();
    }
}

TEST_F(AccessibleNames, TheTimerButtonIsSpokenAsItsCurrentCaption) {
    AddTask(AddProject("Site"), "Design");
    QToolButton* button = ButtonOf(window->Toolbar1, window->ToolbarButton("toggletimer"));
    window->ToggleTimer();
    EXPECT_EQ(SpokenName(button), "Stop Timer");
    window->ToggleTimer();
    EXPECT_EQ(SpokenName(button), "Start Timer");
}

}  // namespace
