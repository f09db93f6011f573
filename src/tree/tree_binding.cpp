// Tree binding: captions and icons follow the elements; the detail pane shows the selected
// node and writes the person's edits back.
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QTextCursor>
#include <QTextDocument>

#include "model/project_document.h"
#include "model/time_text.h"
#include "model/xml.h"
#include "shell/frm_main.h"
#include "tree/caption.h"
#include "tree/pane_text.h"

namespace {

// The description exactly as typed or pasted. toPlainText() would turn non-breaking spaces
// into plain ones and line separators into line breaks; only the breaks between paragraphs
// are the field's own doing.
QString PlainTextOf(const QPlainTextEdit* field) {
    QString text = field->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return text;
}

// Turns characters a file cannot hold into spaces as they are typed or pasted, keeping the
// cursor and the undo history; true when the field changed.
bool ReplaceForbiddenControls(QPlainTextEdit& field) {
    static const QRegularExpression forbidden(
        QStringLiteral("[\\x{0}-\\x{8}\\x{B}\\x{C}\\x{E}-\\x{1F}\\x{FFFE}\\x{FFFF}]"));
    QTextCursor found = field.document()->find(forbidden);
    if (found.isNull()) {
        return false;
    }
    const QSignalBlocker quiet(field);
    QTextCursor edit(field.document());
    edit.joinPreviousEditBlock();  // undone with the paste or key that brought them
    for (; !found.isNull(); found = field.document()->find(forbidden, found)) {
        found.insertText(QStringLiteral(" "));
    }
    edit.endEditBlock();
    return true;
}

}  // namespace

void frmMain::UpdateNode(TreeNode* node) {
    const CaptionFlags flags{TT_ShowTime, TT_ShowTotalTime, TT_ShowSec};
    std::string overflow;
    const QString caption = QString::fromStdString(NodeCaption(node->element, flags, &overflow));
    if (caption != node->caption()) {
        node->setCaption(caption);
    }
    if (!overflow.empty()) {
        ReportTimeOverflow(node, QString::fromStdString(overflow));
    }
    if (node != TimedNode && !node->isProject()) {
        const bool completed =
            IsCompletedText(XML::ResolvePath(node->element, "@completed").text());
        node->setImage(completed ? TreeImage::TaskCompleted : TreeImage::Task);
    }
}

void frmMain::UpdateAllNodes() {
    // Every node in pre-order, without recursion: trees can be deep.
    for (QTreeWidgetItemIterator it(Tree); *it; ++it) {
        UpdateNode(static_cast<TreeNode*>(*it));
    }
}

void frmMain::Tree_NodeClick(TreeNode* node) {
    // The fields report the program's own changes too; these are no edits of the person's.
    showingNode_ = true;
    const QString description = node ? NodeString(node, "%description") : QString();
    descriptionLineEnd_ = LineEndOf(description);
    txtDescription->setPlainText(ForField(description));
    descriptionShown_ = PlainTextOf(txtDescription);
    if (node == nullptr) {
        txtName->setText(QString());
        txtTaskTime->setText(QString());
        txtSubTaskTime->setText(QString());
        txtTotalTime->setText(QString());
        chkCompleted->setChecked(false);
        showingNode_ = false;
        return;
    }
    txtName->setText(NodeString(node, "@name"));
    chkCompleted->setChecked(IsCompletedText(XML::ResolvePath(node->element, "@completed").text()));
    showingNode_ = false;
    const PaneTimes times = PaneTimesOf(node->element);
    txtTaskTime->setText(QString::fromStdString(times.task));
    txtSubTaskTime->setText(QString::fromStdString(times.subtask));
    txtTotalTime->setText(QString::fromStdString(times.total));
    if (!times.overflow.empty()) {
        ReportTimeOverflow(node, QString::fromStdString(times.overflow));
    }
}

namespace {

// Stores the field's text under the path of the selected node's element when it differs
// (an edit of the person's, so the project is marked), then refreshes the caption.
void StorePaneText(frmMain& window, std::string_view path, const QString& text) {
    TreeNode* node = window.SelectedNode();
    if (node == nullptr) {
        return;
    }
    // Compared as text on screen: a stored name with bytes that are not UTF-8 reads back
    // the same way and is only rewritten when the person changes it.
    if (NodeString(node, path) != text) {
        XML::ResolvePath(node->element, path).setText(text.toStdString());
        window.MarkModified(node);
    }
    window.UpdateNode(node);
}

}  // namespace

void frmMain::txtName_Change() {
    if (showingNode_) {
        return;
    }
    const QString typed = txtName->text();
    const QString kept = WithoutForbiddenControls(typed);
    if (kept != typed) {
        const int cursor = txtName->cursorPosition();
        txtName->setText(kept);  // comes back through here
        txtName->setCursorPosition(cursor);
        return;
    }
    StorePaneText(*this, "@name", typed);
}

void frmMain::txtDescription_Change() {
    if (showingNode_) {
        return;
    }
    ReplaceForbiddenControls(*txtDescription);
    const QString text = PlainTextOf(txtDescription);
    // Unchanged since it was shown: storing it would turn the carriage returns it held into
    // line feeds.
    if (text == descriptionShown_) {
        return;
    }
    descriptionShown_ = text;
    StorePaneText(*this, "%description", FromField(text, descriptionLineEnd_));
}

void frmMain::chkCompleted_Click() {
    TreeNode* node = SelectedNode();
    // Showing "TRUE" ticks the box; that must not rewrite it as "true".
    if (node == nullptr || showingNode_) {
        return;
    }
    // A greyed box is not a checked one.
    const char* text = chkCompleted->checkState() == Qt::Checked ? "true" : "false";
    const XML::Node completed = XML::ResolvePath(node->element, "@completed");
    if (completed.text() != text) {
        completed.setText(text);
        MarkModified(node);
        UpdateNode(node);
    }
}
