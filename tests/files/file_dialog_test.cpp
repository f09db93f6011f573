// The file dialog's set-up and answers, short of showing it to anyone.
#include <QFileDialog>

#include <gtest/gtest.h>

#include "files/project_files.h"
#include "platform/qt_file_dialog.h"

namespace {

std::string Joined(const QStringList& list) {
    return list.join(QStringLiteral(" | ")).toStdString();
}

TEST(FileDialog, FilterListsBecomeQtNameFiltersThatShowEveryPattern) {
    EXPECT_EQ(Joined(QtNameFilters(QString::fromLatin1(kProjectFileFilter))),
              "Horavel File (*.hvp) | XML File (*.xml) | All Files (*.*) (*.hvp *.*)");
    EXPECT_EQ(Joined(QtNameFilters(QStringLiteral("Horavel Workspace File (*.hvw)|*.hvw"))),
              "Horavel Workspace File (*.hvw)");
    EXPECT_EQ(Joined(QtNameFilters(QStringLiteral("Text|*.txt;*.text|dangling"))),
              "Text (*.txt *.text)");
    EXPECT_EQ(Joined(FilterPatterns(QString::fromLatin1(kProjectFileFilter))),
              "*.hvp | *.xml | *.hvp;*.*");
}

TEST(FileDialog, ATypedNameGetsTheExtensionOfTheSelectedType) {
    const QString hvp = QStringLiteral(".hvp");
    EXPECT_EQ(DefaultSuffixFor("*.hvp;*.*", hvp).toStdString(), "hvp");
    EXPECT_EQ(DefaultSuffixFor("*.xml", hvp).toStdString(), "xml");
    EXPECT_EQ(DefaultSuffixFor("*.hvw", hvp).toStdString(), "hvw");
    for (const char* vague : {"*.*", "*", "", "*.h?p", "*.tar.gz", "data.*"}) {
        EXPECT_EQ(DefaultSuffixFor(vague, hvp).toStdString(), "hvp") << vague;
    }
}

TEST(FileDialog, InitialNamesSplitIntoFolderAndProposedName) {
    struct Case {
        const char* fileName;
        const char* folder;
        const char* name;
    };
    for (const Case& c :
         {Case{"/home/ann/site.hvp", "/home/ann", "site.hvp"}, Case{"/site.hvp", "/", "site.hvp"},
          Case{"Web_Shop \"2024\"", "", "Web_Shop \"2024\""}, Case{"*.hvp", "", ""},
          Case{"/home/ann/*.hvw", "/home/ann", ""}, Case{"", "", ""}}) {
        const InitialName initial = SplitInitialName(QString::fromUtf8(c.fileName));
        EXPECT_EQ(initial.folder.toStdString(), c.folder) << c.fileName;
        EXPECT_EQ(initial.name.toStdString(), c.name) << c.fileName;
    }
}

TEST(FileDialog, SeveralChosenFilesComeBackInTheFormTheLoaderSplits) {
    EXPECT_EQ(SelectionText({"/p/only.hvp"}).toStdString(), "/p/only.hvp");
    const QStringList three{"/p/b.hvp", "/p/a.hvp", "/p/c d.hvp"};
    const QString text = SelectionText(three);
    EXPECT_EQ(text.toStdString(), std::string("/p\0b.hvp\0a.hvp\0c d.hvp\0", 23));
    EXPECT_EQ(SelectedPaths(text), three);

    const QStringList atRoot{"/a.hvp", "/b.hvp"};
    EXPECT_EQ(SelectedPaths(SelectionText(atRoot)), atRoot);
    const QStringList elsewhere{"/p/a.hvp", "/q/b.hvp"};
    EXPECT_EQ(Joined(SelectedPaths(SelectionText(elsewhere))), "/p/a.hvp | /p/../q/b.hvp");
}

TEST(FileDialog, AnswersSplitIntoPathsInOrder) {
    EXPECT_EQ(Joined(SelectedPaths("/p/x.hvp")), "/p/x.hvp");
    EXPECT_EQ(Joined(SelectedPaths(QString::fromUtf8("/p\0a.hvp\0b.hvp", 14))),
              "/p/a.hvp | /p/b.hvp");  // the last NUL is optional
    EXPECT_EQ(Joined(SelectedPaths(QString::fromUtf8("/p\0", 3))), "");
}

class ConfiguredDialog : public ::testing::Test {
  protected:
    ConfiguredDialog() { dialog.setOption(QFileDialog::DontUseNativeDialog); }
    QFileDialog dialog;
};

TEST_F(ConfiguredDialog, SaveAsksBeforeReplacingAndStartsOnTheFirstType) {
    FileDialogSetup setup;
    setup.DialogTitle = QStringLiteral("Save Project 'Site'");
    setup.Filter = QString::fromLatin1(kProjectFileFilter);
    setup.Flags =
        FileDialogFlag::Explorer | FileDialogFlag::PathMustExist | FileDialogFlag::OverwritePrompt;
    setup.FileName = QStringLiteral("/tmp/Site");
    ConfigureDialog(dialog, setup, true);
    EXPECT_EQ(dialog.windowTitle().toStdString(), "Save Project 'Site'");
    EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(dialog.fileMode(), QFileDialog::AnyFile);
    EXPECT_FALSE(dialog.testOption(QFileDialog::DontConfirmOverwrite));
    EXPECT_EQ(dialog.selectedNameFilter().toStdString(), "Horavel File (*.hvp)");
    EXPECT_EQ(dialog.defaultSuffix().toStdString(), "hvp");
    EXPECT_EQ(dialog.directory().absolutePath().toStdString(), "/tmp");
}

TEST_F(ConfiguredDialog, OpenTakesSeveralExistingFilesAndHonoursTheFilterIndex) {
    FileDialogSetup setup;
    setup.Filter = QString::fromLatin1(kProjectFileFilter);
    setup.Flags =
        FileDialogFlag::Explorer | FileDialogFlag::AllowMultiSelect | FileDialogFlag::CreatePrompt;
    setup.FileName = QStringLiteral("*.hvp");
    setup.FilterIndex = 1;
    ConfigureDialog(dialog, setup, false);
    EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptOpen);
    EXPECT_EQ(dialog.fileMode(), QFileDialog::ExistingFiles);
    EXPECT_TRUE(dialog.testOption(QFileDialog::DontConfirmOverwrite));
    EXPECT_EQ(dialog.selectedNameFilter().toStdString(), "XML File (*.xml)");
    EXPECT_EQ(dialog.defaultSuffix().toStdString(), "xml");

    setup.Flags = FileDialogFlag::CreatePrompt;  // one name, which may be new
    setup.FilterIndex = 7;                       // out of range: the first
    ConfigureDialog(dialog, setup, false);
    EXPECT_EQ(dialog.fileMode(), QFileDialog::AnyFile);
    EXPECT_EQ(dialog.selectedNameFilter().toStdString(), "Horavel File (*.hvp)");
}

}  // namespace
