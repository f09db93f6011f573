#pragma once
// The program's one file dialog, set up by its caller and shown for saving or opening.

#include <QFlags>
#include <QString>

class QWidget;

enum class FileDialogFlag {
    Explorer = 0x1,          // the desktop's own dialog
    PathMustExist = 0x2,     // the chosen folder must exist
    OverwritePrompt = 0x4,   // ask before replacing an existing file
    AllowMultiSelect = 0x8,  // several files may be chosen
    CreatePrompt = 0x10,     // a typed name of a missing file asks whether to create it
};
Q_DECLARE_FLAGS(FileDialogFlags, FileDialogFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(FileDialogFlags)

// What the caller sets before showing the dialog and reads afterwards.
struct FileDialogSetup {
    QString DialogTitle;
    // In: the initial name (a full path, a bare name or a pattern such as "*.hvp").
    // Out: the chosen file; for several files, the folder, then each name, each piece
    // ended by a NUL character ("folder\0a.hvp\0b.hvp\0").
    QString FileName;
    // Pairs of label and pattern separated by "|": "Horavel File (*.hvp)|*.hvp|...".
    QString Filter;
    FileDialogFlags Flags;
    QString DefaultExt = QStringLiteral(".hvp");
    // Which filter is selected when the dialog opens (0: the first).
    int FilterIndex = 0;
};

class FileDialog {
  public:
    virtual ~FileDialog() = default;
    // Shows the dialog; true when the person confirmed a file (FileName then holds it),
    // false on cancel or any failure of the dialog.
    virtual bool ShowSave(FileDialogSetup& setup) = 0;
    virtual bool ShowOpen(FileDialogSetup& setup) = 0;
};
