// Window-level keyboard shortcuts. The menu entries carry none (they show no shortcut
// text); each key instead triggers the toolbar, tree-bar or menu command it stands for.
#include <QAction>
#include <QApplication>
#include <QKeySequence>

#include "shell/frm_main.h"

namespace {

struct Shortcut {
    QKeySequence keys;
    QAction* command;
    bool changesTree;       // not while a label is being edited: the editor keeps its keys
    bool treeOnly = false;  // a plain key the History list and the fields want for themselves
};

}  // namespace

void frmMain::CreateShortcuts() {
    // Undo and redo have no button or menu entry: their keys stand for these. A text field
    // with the focus keeps the keys for its own typing.
    auto* undo = new QAction(this);
    auto* redo = new QAction(this);
    connect(undo, &QAction::triggered, this, &frmMain::Undo);
    connect(redo, &QAction::triggered, this, &frmMain::Redo);
    const Shortcut shortcuts[] = {
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N), ToolbarButton("newproject"), true},
        {QKeySequence(Qt::CTRL | Qt::Key_N), ToolbarButton("newtask"), true},
        {QKeySequence(Qt::CTRL | Qt::Key_O), ToolbarButton("loadproject"), false},
        {QKeySequence(Qt::CTRL | Qt::Key_S), ToolbarButton("saveproject"), false},
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), ToolbarButton("saveall"), false},
        {QKeySequence(Qt::CTRL | Qt::Key_T), ToolbarButton("toggletimer"), false},
        {QKeySequence(Qt::Key_Delete), TreeBarButton("remove"), true, true},
        {QKeySequence(Qt::CTRL | Qt::Key_Up), TreeBarButton("up"), true},
        {QKeySequence(Qt::CTRL | Qt::Key_Down), TreeBarButton("down"), true},
        {QKeySequence(Qt::CTRL | Qt::Key_Comma), ui.mnuOptions, false},
        {QKeySequence(Qt::CTRL | Qt::Key_Q), ui.mnuExit, false},
        {QKeySequence(Qt::CTRL | Qt::Key_Z), undo, true},
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), redo, true},
        {QKeySequence(Qt::CTRL | Qt::Key_Y), redo, true},
    };
    for (const Shortcut& shortcut : shortcuts) {
        auto* key = new QAction(this);
        key->setShortcut(shortcut.keys);
        if (shortcut.treeOnly) {
            key->setShortcutContext(Qt::WidgetWithChildrenShortcut);
            ui.Tree->addAction(key);
        } else {
            key->setShortcutContext(Qt::WindowShortcut);
            addAction(key);
        }
        connect(key, &QAction::triggered, this,
                [this, command = shortcut.command, changesTree = shortcut.changesTree] {
                    QWidget* focus = QApplication::focusWidget();
                    const bool labelEditOpen =
                        focus != nullptr && focus != ui.Tree && ui.Tree->isAncestorOf(focus);
                    if (!(changesTree && labelEditOpen)) {
                        command->trigger();
                    }
                });
    }
}
