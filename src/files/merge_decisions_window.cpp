#include "files/merge_decisions_window.h"

#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QScreen>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

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
    PlaceOver(owner);
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

void MergeDecisionsWindow::PlaceOver(const QWidget& owner) {
    const QScreen* screen =
        owner.screen() != nullptr ? owner.screen() : QGuiApplication::primaryScreen();
    const QRect room = screen->availableGeometry();
    // Room for the window manager's frame, whose size is not known before the first showing.
    const QSize frame(16, 48);
    const QSize size = QSize(760, 320).boundedTo(room.size() - frame);
    resize(size);
    QRect placed(QPoint(), size + frame);
    placed.moveCenter(owner.frameGeometry().center());
    placed.moveLeft(std::clamp(placed.left(), room.left(), room.right() + 1 - placed.width()));
    placed.moveTop(std::clamp(placed.top(), room.top(), room.bottom() + 1 - placed.height()));
    move(placed.topLeft());
}
