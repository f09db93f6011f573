#pragma once
// Message boxes: a text, a button set and a title in; the button the person pressed out.

#include <QString>

class QWidget;

enum class MsgButtons { OK, YesNo, YesNoCancel };
enum class MsgAnswer { OK, Yes, No, Cancel };

class Prompter {
  public:
    virtual ~Prompter() = default;
    // Shows a modal message box without an icon and returns the pressed button. Closing the
    // box counts as Cancel for Yes/No/Cancel, No for Yes/No and OK for OK.
    virtual MsgAnswer Ask(const QString& text, MsgButtons buttons, const QString& title) = 0;
};

class QtPrompter : public Prompter {
  public:
    explicit QtPrompter(QWidget* owner = nullptr) : owner_(owner) {}
    void setOwner(QWidget* owner) { owner_ = owner; }
    MsgAnswer Ask(const QString& text, MsgButtons buttons, const QString& title) override;

  private:
    QWidget* owner_;
};
