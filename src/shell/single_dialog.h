#pragma once
// A dialog the program shows at most once at a time (the options and the about dialog).

#include <QDialog>
#include <QPointer>

#include <functional>

// Shows the dialog held in `slot`: when it is open it comes to the front, and nothing else
// happens (not even when `modal` asks for a modal one); otherwise `create` makes a new one,
// which is destroyed when it closes. A modal dialog blocks its parent window and returns
// when it closes; a modeless one returns at once.
void ShowSingleDialog(QPointer<QDialog>& slot, const std::function<QDialog*()>& create, bool modal);
