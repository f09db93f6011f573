#pragma once
// Questions that must not stop anything while they wait: the window keeps timing and the
// person answers whenever they come back to it.

#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>

class QMessageBox;

class Questioner {
  public:
    virtual ~Questioner() = default;
    // Shows `text` with one button per entry of `buttons` and returns at once. `answered`
    // runs later, exactly once, with the index of the button pressed; closing the box
    // counts as `defaultButton`. A question still open when the questioner goes is dropped
    // unanswered.
    virtual void Ask(const QString& text, const QStringList& buttons, int defaultButton,
                     std::function<void(int)> answered) = 0;
};

class QtQuestioner : public Questioner {
  public:
    explicit QtQuestioner(QString title) : title_(std::move(title)) {}
    QtQuestioner(const QtQuestioner&) = delete;
    QtQuestioner& operator=(const QtQuestioner&) = delete;
    ~QtQuestioner() override;
    void Ask(const QString& text, const QStringList& buttons, int defaultButton,
             std::function<void(int)> answered) override;

  private:
    QString title_;
    QList<QPointer<QMessageBox>> open_;
};
