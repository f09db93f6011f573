#include "files/merge_decisions_window.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "platform/window_placement.h"

MergeDecisionsWindow::MergeDecisionsWindow(QWidget& owner,
                                           const std::vector<TakenDecision>& decisions)
    : QDialog(&owner) {
    setObjectName(QStringLiteral("frmMergeDecisions"));
    setWindowTitle(QStringLiteral("What the merges decided"));
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    auto* explanation = new QLabel(
        QStringLiteral("Where this window and another computer changed the same thing, the "
                       "later change was kept. The value set aside is listed beside it."),
        this);
    explanation->setWordWrap(true);
    layout->addWidget(explanation);
    lvwDecisions = new QTreeWidget(this);
    lvwDecisions->setObjectName(QStringLiteral("lvwDecisions"));
    lvwDecisions->setAccessibleName(QStringLiteral("Decisions"));
    lvwDecisions->setRootIsDecorated(false);
    lvwDecisions->setHeaderLabels({QStringLiteral("When"), QStringLiteral("Project"),
                                   QStringLiteral("Task"), QStringLiteral("Field"),
                                   QStringLiteral("Kept"), QStringLiteral("Set aside"),
                                   QStringLiteral("Kept from")});
    layout->addWidget(lvwDecisions);
    auto* buttons = new QDialogButtonBox(this);
    cmdClose = buttons->addButton(QDialogButtonBox::Close);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    List(decisions);
    PlaceOverOwner(*this, owner, QSize(760, 320));
}

void MergeDecisionsWindow::List(const std::vector<TakenDecision>& decisions) {
    lvwDecisions->clear();
    const QLocale locale;
    for (auto taken = decisions.rbegin(); taken != decisions.rend(); ++taken) {
        const MergeDecision& decision = taken->decision;
        const QString setAside = decision.keptMine ? decision.theirs : decision.mine;
        new QTreeWidgetItem(
            lvwDecisions,
            {locale.toString(taken->when, QLocale::ShortFormat), taken->project,
             decision.task.isEmpty() ? QStringLiteral("(the project)") : decision.task,
             decision.field, decision.kept, setAside,
             decision.keptMine ? QStringLiteral("this window") : taken->otherSide});
    }
    lvwDecisions->header()->resizeSections(QHeaderView::ResizeToContents);
}
