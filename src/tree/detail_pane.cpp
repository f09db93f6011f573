// The detail pane shows the selected node and writes the person's edits back.
#include "tree/detail_pane.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QTextCursor>
#include <QTextDocument>

#include "model/project_document.h"
#include "model/xml.h"
#include "tree/caption.h"
#include "tree/pane_text.h"
#include "tree/project_tree.h"

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

// Sets a field's text without taking the caret or the selection from the person reading
// or copying it.
void SetKeepingSelection(QLineEdit* field, const QString& text) {
    if (field->text() == text) {
        return;
    }
    const int caret = field->cursorPosition();
    const int start = field->selectionStart();
    const int length = field->selectionLength();
    field->setText(text);
    if (start < 0) {
        field->setCursorPosition(caret);
    } else if (caret == start) {
        field->setSelection(start + length, -length);  // selected backwards: caret at the front
    } else {
        field->setSelection(start, length);
    }
}

}  // namespace

DetailPane::DetailPane(ProjectTree& tree, const PaneFields& fields)
    : tree_(tree), fields_(fields) {}

void DetailPane::Show(TreeNode* node) {
    tree_.Edits().EndBurst();  // typing in another node's fields is another step
    // The fields report the program's own changes too; these are no edits of the person's.
    showingNode_ = true;
    // Looked up, not created: showing a node leaves its element as it was.
    const QString description = node ? NodeString(node, "*description") : QString();
    descriptionLineEnd_ = LineEndOf(description);
    fields_.txtDescription->setPlainText(ForField(description));
    descriptionShown_ = PlainTextOf(fields_.txtDescription);
    if (node == nullptr) {
        fields_.txtName->setText(QString());
        fields_.txtTaskTime->setText(QString());
        fields_.txtSubTaskTime->setText(QString());
        fields_.txtTotalTime->setText(QString());
        fields_.chkCompleted->setChecked(false);
        showingNode_ = false;
        return;
    }
    fields_.txtName->setText(NodeString(node, "@name"));
    fields_.chkCompleted->setChecked(
        IsCompletedText(XML::ResolvePath(node->element, "^completed").text()));
    showingNode_ = false;
    ShowTimes(node, false);
}

void DetailPane::RefreshTimes() {
    TreeNode* selected = tree_.SelectedNode();
    if (selected != nullptr && selected->element) {
        ShowTimes(selected, true);
    }
}

void DetailPane::ShowTimes(TreeNode* node, bool keepSelection) {
    const PaneTimes times = PaneTimesOf(node->element);
    const auto show = [keepSelection](QLineEdit* field, const std::string& text) {
        if (keepSelection) {
            SetKeepingSelection(field, QString::fromStdString(text));
        } else {
            field->setText(QString::fromStdString(text));
        }
    };
    show(fields_.txtTaskTime, times.task);
    show(fields_.txtSubTaskTime, times.subtask);
    show(fields_.txtTotalTime, times.total);
    if (!times.overflow.empty()) {
        tree_.ReportTimeOverflow(node, QString::fromStdString(times.overflow));
    }
}

void DetailPane::StorePaneText(std::string_view path, const QString& text) {
    TreeNode* node = tree_.SelectedNode();
    if (node == nullptr) {
        return;
    }
    // Compared as text on screen: a stored name with bytes that are not UTF-8 reads back
    // the same way and is only rewritten when the person changes it. Looked up, not
    // created, so that an edit taken back leaves no empty element behind.
    if (NodeString(node, LookupPath(path)) != text) {
        tree_.EditText(node, path, text, true);
    } else {
        tree_.UpdateNode(node);
    }
}

void DetailPane::txtName_Change() {
    if (showingNode_) {
        return;
    }
    const QString typed = fields_.txtName->text();
    const QString kept = WithoutForbiddenControls(typed);
    if (kept != typed) {
        const int cursor = fields_.txtName->cursorPosition();
        fields_.txtName->setText(kept);  // comes back through here
        fields_.txtName->setCursorPosition(cursor);
        return;
    }
    StorePaneText("@name", typed);
}

void DetailPane::txtDescription_Change() {
    if (showingNode_) {
        return;
    }
    ReplaceForbiddenControls(*fields_.txtDescription);
    const QString text = PlainTextOf(fields_.txtDescription);
    // Unchanged since it was shown: storing it would turn the carriage returns it held into
    // line feeds.
    if (text == descriptionShown_) {
        return;
    }
    descriptionShown_ = text;
    StorePaneText("%description", FromField(text, descriptionLineEnd_));
}

void DetailPane::chkCompleted_Click() {
    TreeNode* node = tree_.SelectedNode();
    // Showing "TRUE" ticks the box; that must not rewrite it as "true".
    if (node == nullptr || showingNode_) {
        return;
    }
    // A greyed box is not a checked one.
    const char* text = fields_.chkCompleted->checkState() == Qt::Checked ? "true" : "false";
    if (XML::ResolvePath(node->element, "^completed").text() != text) {
        tree_.EditText(node, "@completed", QString::fromLatin1(text));
    }
}
