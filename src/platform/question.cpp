#include "platform/question.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include <memory>

QtQuestioner::~QtQuestioner() {
    for (const QPointer<QMessageBox>& box : open_) {
        if (box) {
            box->disconnect();  // dropped, not answered: the window asking is going away
            delete box;
        }
    }
}

void QtQuestioner::Ask(const QString& text, const QStringList& buttons, int defaultButton,
                       std::function<void(int)> answered) {
    auto* box = new QMessageBox(QMessageBox::NoIcon, title_, text, QMessageBox::NoButton,
                                QApplication::activeWindow());
    box->setWindowModality(Qt::NonModal);
    box->setAttribute(Qt::WA_DeleteOnClose);
    std::vector<QAbstractButton*> made;
    for (const QString& caption : buttons) {
        made.push_back(box->addButton(caption, QMessageBox::AcceptRole));
    }
    if (defaultButton >= 0 && defaultButton < int(made.size())) {
        box->setDefaultButton(static_cast<QPushButton*>(made[size_t(defaultButton)]));
        box->setEscapeButton(made[size_t(defaultButton)]);
    }
    auto done = std::make_shared<bool>(false);
    QObject::connect(box, &QMessageBox::finished, box, [box, made, defaultButton, answered, done] {
        if (*done) {
            return;
        }
        *done = true;
        int chosen = defaultButton;
        for (size_t i = 0; i < made.size(); ++i) {
            if (box->clickedButton() == made[i]) {
                chosen = int(i);
            }
        }
        answered(chosen);
    });
    open_.removeAll(QPointer<QMessageBox>());
    open_.append(box);
    box->show();
}
