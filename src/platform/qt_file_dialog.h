#pragma once

#include "platform/file_dialog.h"

class QWidget;

// The file dialog on QFileDialog.
class QtFileDialog : public FileDialog {
  public:
    bool ShowSave(FileDialogSetup& setup) override;
    bool ShowOpen(FileDialogSetup& setup) override;
};
