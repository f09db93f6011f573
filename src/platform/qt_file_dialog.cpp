#include "platform/qt_file_dialog.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace {

int SelectedFilterIndex(const QFileDialog& dialog) {
    return std::max(0, int(dialog.nameFilters().indexOf(dialog.selectedNameFilter())));
}

bool AskYesNo(const QString& title, const QString& text) {
    return QMessageBox::question(QApplication::activeWindow(), title, text,
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

// What the desktop's own dialogs check after the person chose: a folder that must exist,
// and a missing file that is only taken when the person agrees to create it.
bool Acceptable(const QStringList& files, const FileDialogSetup& setup, bool save) {
    const QFileInfo first(files.first());
    if (setup.Flags.testFlag(FileDialogFlag::PathMustExist) && !first.absoluteDir().exists()) {
        QMessageBox::warning(QApplication::activeWindow(), setup.DialogTitle,
                             QStringLiteral("The folder %1 does not exist.")
                                 .arg(QDir::toNativeSeparators(first.absolutePath())));
        return false;
    }
    if (!save && setup.Flags.testFlag(FileDialogFlag::CreatePrompt) && files.size() == 1 &&
        !first.exists()) {
        return AskYesNo(setup.DialogTitle,
                        QStringLiteral("%1 does not exist.\nDo you want to create it?")
                            .arg(QDir::toNativeSeparators(first.absoluteFilePath())));
    }
    return true;
}

}  // namespace

QStringList FilterPatterns(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList patterns;
    for (qsizetype i = 1; i < parts.size(); i += 2) {
        patterns << parts[i];
    }
    return patterns;
}

QStringList QtNameFilters(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString shown = QStringLiteral("(%1)").arg(
            parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts).join(QLatin1Char(' ')));
        const QString label = parts[i].trimmed();
        filters << (label.endsWith(shown) ? label : label + QLatin1Char(' ') + shown);
    }
    return filters;
}

QString DefaultSuffixFor(const QString& patterns, const QString& defaultExt) {
    const QString first = patterns.section(QLatin1Char(';'), 0, 0).trimmed();
    if (first.startsWith(QStringLiteral("*.")) && first.size() > 2) {
        const QString extension = first.mid(2);
        if (!extension.contains(QLatin1Char('*')) && !extension.contains(QLatin1Char('?')) &&
            !extension.contains(QLatin1Char('.'))) {
            return extension;
        }
    }
    return defaultExt.startsWith(QLatin1Char('.')) ? defaultExt.mid(1) : defaultExt;
}

InitialName SplitInitialName(const QString& fileName) {
    const qsizetype slash = fileName.lastIndexOf(QLatin1Char('/'));
    InitialName initial;
    if (slash >= 0) {
        initial.folder = slash == 0 ? QStringLiteral("/") : fileName.left(slash);
    }
    const QString name = fileName.mid(slash + 1);
    if (!name.contains(QLatin1Char('*')) && !name.contains(QLatin1Char('?'))) {
        initial.name = name;
    }
    return initial;
}

QString SelectionText(const QStringList& files) {
    if (files.size() == 1) {
        return files.first();
    }
    const QDir folder = QFileInfo(files.first()).absoluteDir();
    QString text = folder.absolutePath() + QChar(0);
    for (const QString& file : files) {
        text += folder.relativeFilePath(file) + QChar(0);
    }
    return text;
}

void ConfigureDialog(QFileDialog& dialog, const FileDialogSetup& setup, bool save) {
    dialog.setWindowTitle(setup.DialogTitle);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    if (save || (setup.Flags.testFlag(FileDialogFlag::CreatePrompt) &&
                 !setup.Flags.testFlag(FileDialogFlag::AllowMultiSelect))) {
        dialog.setFileMode(QFileDialog::AnyFile);
    } else {
        dialog.setFileMode(setup.Flags.testFlag(FileDialogFlag::AllowMultiSelect)
                               ? QFileDialog::ExistingFiles
                               : QFileDialog::ExistingFile);
    }
    dialog.setOption(QFileDialog::DontConfirmOverwrite,
                     !setup.Flags.testFlag(FileDialogFlag::OverwritePrompt));
    const QStringList filters = QtNameFilters(setup.Filter);
    const QStringList patterns = FilterPatterns(setup.Filter);
    const int index =
        (setup.FilterIndex >= 0 && setup.FilterIndex < filters.size()) ? setup.FilterIndex : 0;
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        dialog.selectNameFilter(filters[index]);
    }
    dialog.setDefaultSuffix(
        DefaultSuffixFor(patterns.isEmpty() ? QString() : patterns[index], setup.DefaultExt));
    const InitialName initial = SplitInitialName(setup.FileName);
    if (!initial.folder.isEmpty()) {
        dialog.setDirectory(initial.folder);
    }
    if (!initial.name.isEmpty()) {
        dialog.selectFile(initial.name);
    }
}

bool QtFileDialog::ShowSave(FileDialogSetup& setup) {
    return Show(setup, true);
}

bool QtFileDialog::ShowOpen(FileDialogSetup& setup) {
    return Show(setup, false);
}

bool QtFileDialog::Show(FileDialogSetup& setup, bool save) {
    QFileDialog dialog(QApplication::activeWindow());
    ConfigureDialog(dialog, setup, save);
    const QStringList patterns = FilterPatterns(setup.Filter);
    // A typed name gets the extension of the file type shown, as the desktop's dialogs do.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString&) {
        const int index = SelectedFilterIndex(dialog);
        dialog.setDefaultSuffix(DefaultSuffixFor(
            index < patterns.size() ? patterns[index] : QString(), setup.DefaultExt));
    });
    for (;;) {
        if (dialog.exec() != QDialog::Accepted) {
            return false;
        }
        const QStringList files = dialog.selectedFiles();
        if (files.isEmpty()) {
            return false;
        }
        if (Acceptable(files, setup, save)) {
            setup.FileName = SelectionText(files);
            setup.FilterIndex = SelectedFilterIndex(dialog);
            return true;
        }
    }
}
