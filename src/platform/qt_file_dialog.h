#pragma once

#include <QString>
#include <QStringList>

#include "platform/file_dialog.h"

class QFileDialog;

// The file dialog on QFileDialog.
class QtFileDialog : public FileDialog {
  public:
    bool ShowSave(FileDialogSetup& setup) override;
    bool ShowOpen(FileDialogSetup& setup) override;

  private:
    bool Show(FileDialogSetup& setup, bool save);
};

// The parts of the dialog that need no person in front of it.

// The patterns of each "label|pattern" pair of a filter list, in order ("*.hvp;*.*").
QStringList FilterPatterns(const QString& filter);

// Qt's name filters for a filter list: each label followed by its patterns in parentheses,
// separated by spaces ("All Files (*.*) (*.hvp *.*)"); a label that already ends with
// exactly that is kept as it is ("Horavel File (*.hvp)").
QStringList QtNameFilters(const QString& filter);

// The suffix, without its dot, that a name typed without one gets while a filter with these
// patterns is selected: the extension of the first pattern when that is a plain "*.ext",
// else the default extension (".hvp" gives "hvp").
QString DefaultSuffixFor(const QString& patterns, const QString& defaultExt);

// Where the dialog opens and the name it proposes, from an initial file name: a full path
// gives both, a bare name only the name, a pattern ("*.hvp") no name.
struct InitialName {
    QString folder;
    QString name;
};
InitialName SplitInitialName(const QString& fileName);

// The file name handed back for the chosen files: the path itself for one file; for several,
// the folder, a NUL, then each name followed by a NUL ("/p\0a.hvp\0b.hvp\0"). A file
// outside the first one's folder is named relative to it.
QString SelectionText(const QStringList& files);

// Title, mode, filters, suffix, options and initial name, as the set-up asks.
void ConfigureDialog(QFileDialog& dialog, const FileDialogSetup& setup, bool save);
