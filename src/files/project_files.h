#pragma once
// The parts of saving and loading projects that need no window.

#include <QString>
#include <QStringList>

// The filter of the project file dialogs: pairs of label and pattern.
inline constexpr char kProjectFileFilter[] =
    "Horavel File (*.hvp)|*.hvp|XML File (*.xml)|*.xml|All Files (*.*)|*.hvp;*.*";

// The file name offered for a project that was never saved: its name with each of
// \ / : * ? < > | replaced by "_". Nothing else changes and no extension is added.
QString SuggestedFileName(const QString& projectName);

// The paths an open dialog's answer stands for. Without a NUL it is one path; with NULs it
// is a folder followed by names in that folder, each ended by a NUL, which give one path
// each, in order ("/p\0a.hvp\0b.hvp\0" gives "/p/a.hvp" and "/p/b.hvp").
QStringList SelectedPaths(const QString& fileName);
