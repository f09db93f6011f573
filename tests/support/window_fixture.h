#pragma once
// A main window on scripted seams, in a temporary home, for widget tests run headless.

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QToolBar>

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

#include "shell/frm_main.h"
#include "support/doubles.h"

class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // The text of a node path on a node's element.
    static std::string Text(TreeNode* node, std::string_view path);
    // A file's bytes ("<missing>" when it cannot be read), and a file written whole.
    static std::string ReadFile(const QString& path);
    static void WriteFile(const QString& path, std::string_view bytes);
    // A path inside the temporary folder.
    QString TempPath(const QString& name) const { return dir_.filePath(name); }

    // A new project named `name` (through NewProject and its label edit closed at once).
    TreeNode* AddProject(const QString& name);
    // A new task named `name` under `parent`.
    TreeNode* AddTask(TreeNode* parent, const QString& name);
    // Ends the label edit a new node starts with, the node and the pane showing its name.
    void CloseLabelEdit(TreeNode* node);

    QTemporaryDir dir_;
    std::unique_ptr<TestPlatform> seams;
    std::unique_ptr<frmMain> window;
};
