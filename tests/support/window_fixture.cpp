#include "support/window_fixture.h"

#include <QFile>

#include "model/xml.h"

void WindowTest::SetUp() {
    ASSERT_TRUE(dir_.isValid());
    seams = std::make_unique<TestPlatform>(dir_.filePath(QStringLiteral("horavel.conf")));
    window = std::make_unique<frmMain>(seams->Take());
}

void WindowTest::TearDown() {
    // The doubles belong to the window: check them before it goes.
    EXPECT_TRUE(seams->prompter->allAnswered()) << "a scripted message box never came";
    EXPECT_TRUE(seams->fileDialog->allAnswered()) << "a scripted file dialog never came";
    window.reset();
}

std::string WindowTest::Text(TreeNode* node, std::string_view path) {
    return XML::ResolvePath(node->element, path).text();
}

void WindowTest::CloseLabelEdit(TreeNode* node) {
    window->Timer2.setEnabled(false);  // the restart of the label edit never comes
    window->UpdateNode(node);
    window->Tree_NodeClick(node);  // the pane shows the name just given
}

TreeNode* WindowTest::AddProject(const QString& name) {
    window->NewProject();
    TreeNode* node = window->SelectedNode();
    XML::ResolvePath(node->element, "@name").setText(name.toStdString());
    CloseLabelEdit(node);
    return node;
}

TreeNode* WindowTest::AddTask(TreeNode* parent, const QString& name) {
    window->NewTask(parent);
    TreeNode* node = window->SelectedNode();
    XML::ResolvePath(node->element, "@name").setText(name.toStdString());
    CloseLabelEdit(node);
    return node;
}

std::string WindowTest::ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : "<missing>";
}

void WindowTest::WriteFile(const QString& path, std::string_view bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes.data(), qint64(bytes.size()));
}
