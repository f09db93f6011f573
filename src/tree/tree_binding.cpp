// Tree binding: captions and icons follow the elements; the detail pane shows the selected
// node and writes the person's edits back.
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextDocument>

#include "model/project_document.h"
#include "model/time_text.h"
#include "model/xml.h"
#include "shell/frm_main.h"
#include "tree/caption.h"

void frmMain::UpdateNode(TreeNode* node) {
    const CaptionFlags flags{TT_ShowTime, TT_ShowTotalTime, TT_ShowSec};
    std::string overflow;
    const QString caption = QString::fromStdString(NodeCaption(node->element, flags, &overflow));
    if (caption != node->caption()) {
        node->setCaption(caption);
        // While the tick keeps the model quiet the view hears nothing: note the row.
        if (Tree->model()->signalsBlocked()) {
            rowsToRepaint_.push_back(node);
        }
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

void frmMain::RepaintTimedRows() {
    // The clock image turns on every tick: only its own small square is drawn again.
    if (TimedNode != nullptr) {
        const QRect row = Tree->visualItemRect(TimedNode);
        if (row.isValid()) {
            Tree->viewport()->update(row.x(), row.y(), row.height() + 4, row.height());
        }
    }
    for (TreeNode* node : rowsToRepaint_) {
        const QRect row = Tree->visualItemRect(node);
        if (row.isValid()) {
            Tree->viewport()->update(row);
        }
    }
    rowsToRepaint_.clear();
}

void frmMain::UpdateAllNodes() {
    // Every node in pre-order, without recursion: trees can be deep.
    for (QTreeWidgetItemIterator it(Tree); *it; ++it) {
        UpdateNode(static_cast<TreeNode*>(*it));
    }
}

void frmMain::Tree_NodeClick(TreeNode* node) {
    if (node == nullptr) {
        txtName->setText(QString());
        txtDescription->setPlainText(QString());
        txtTaskTime->setText(QString());
        txtSubTaskTime->setText(QString());
        txtTotalTime->setText(QString());
        chkCompleted->setChecked(false);
        return;
    }
    txtName->setText(NodeString(node, "@name"));
    chkCompleted->setChecked(IsCompletedText(XML::ResolvePath(node->element, "@completed").text()));
    txtDescription->setPlainText(NodeString(node, "%description"));
    const PaneTimes times = PaneTimesOf(node->element);
    txtTaskTime->setText(QString::fromStdString(times.task));
    txtSubTaskTime->setText(QString::fromStdString(times.subtask));
    txtTotalTime->setText(QString::fromStdString(times.total));
    if (!times.overflow.empty()) {
        ReportTimeOverflow(node, QString::fromStdString(times.overflow));
    }
}

namespace {

// The description exactly as typed or pasted. toPlainText() would turn non-breaking spaces
// into plain ones and line separators into line breaks; only the breaks between paragraphs
// are the field's own doing.
QString PlainTextOf(const QPlainTextEdit* field) {
    QString text = field->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return text;
}

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
    StorePaneText(*this, "@name", txtName->text());
}

void frmMain::txtDescription_Change() {
    StorePaneText(*this, "%description", PlainTextOf(txtDescription));
}

void frmMain::chkCompleted_Click() {
    TreeNode* node = SelectedNode();
    if (node == nullptr) {
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
