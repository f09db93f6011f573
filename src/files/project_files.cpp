// Saving and loading project files.
#include "files/project_files.h"

#include <QFileInfo>

#include "files/xml_file.h"
#include "model/xml.h"
#include "shell/frm_main.h"

namespace {

const QString kTitle = QStringLiteral("Horavel");

// An attribute taken off the project element for the write, to be put back as it was.
struct TakenAttribute {
    TakenAttribute(pugi::xml_node element, const char* name) : element(element), name(name) {
        if (pugi::xml_attribute attribute = element.attribute(name)) {
            present = true;
            value = attribute.value();
            element.remove_attribute(attribute);
        }
    }
    void PutBack() const {
        if (present) {
            XML::ResolvePath(element, std::string("@") + name).setText(value);
        }
    }
    pugi::xml_node element;
    const char* name;
    bool present = false;
    std::string value;
};

}  // namespace

QString SuggestedFileName(const QString& projectName) {
    QString name = projectName;
    for (const QChar forbidden : QStringLiteral("\\/:*?<>|")) {
        name.replace(forbidden, QLatin1Char('_'));
    }
    return name;
}

QStringList SelectedPaths(const QString& fileName) {
    const qsizetype firstNul = fileName.indexOf(QChar(0));
    if (firstNul < 0) {
        return {fileName};
    }
    const QString folder = fileName.left(firstNul);
    const QString separator = folder.endsWith(QLatin1Char('/')) ? QString() : QStringLiteral("/");
    QStringList paths;
    for (const QString& name : fileName.mid(firstNul + 1).split(QChar(0), Qt::SkipEmptyParts)) {
        paths << folder + separator + name;
    }
    return paths;
}

bool frmMain::CDSave(FileDialogSetup& CD) {
    return platform_.fileDialog->ShowSave(CD);
}

bool frmMain::CDOpen(FileDialogSetup& CD) {
    return platform_.fileDialog->ShowOpen(CD);
}

bool frmMain::SaveProject(TreeNode* node, bool saveAs) {
    TreeNode* project = ProjectNodeOf(node);
    if (project == nullptr) {
        return false;
    }
    const pugi::xml_node element = project->element;
    // In memory only: neither may reach the file.
    const TakenAttribute filename(element, "filename");
    const TakenAttribute modified(element, "modified");
    const auto putBack = [&] {
        filename.PutBack();
        modified.PutBack();
    };
    QString path = QString::fromStdString(filename.value);
    if (saveAs || path.isEmpty()) {
        const QString name = NodeString(project, "@name");
        FileDialogSetup CD;
        CD.DialogTitle = QStringLiteral("Save Project '%1'").arg(name);
        CD.Filter = QString::fromLatin1(kProjectFileFilter);
        CD.Flags = FileDialogFlag::Explorer | FileDialogFlag::PathMustExist |
                   FileDialogFlag::OverwritePrompt;
        CD.FileName = path.isEmpty() ? SuggestedFileName(name) : path;
        if (!CDSave(CD)) {
            putBack();
            return false;
        }
        path = CD.FileName;
        WorkspaceModified = true;
    }
    QString error;
    if (!XmlFile::Save(*project->document(), path, error)) {
        putBack();
        platform_.prompter->Ask(
            QStringLiteral("Could not save the project to\r\n%1\r\n%2").arg(path, error),
            MsgButtons::OK, kTitle);
        return false;
    }
    XML::ResolvePath(element, "@filename").setText(path.toStdString());
    MarkUnmodified(project);
    return true;
}

bool frmMain::SaveAllProjects() {
    for (int index = 0; index < Tree->topLevelItemCount(); ++index) {
        if (!SaveProject(Tree->topLevelNode(index), false)) {
            return false;
        }
    }
    return true;
}

void frmMain::LoadProjects(QString& fileName) {
    if (fileName.isEmpty()) {
        FileDialogSetup CD;
        CD.DialogTitle = QStringLiteral("Load Project");
        CD.FileName = QStringLiteral("*.hvp");
        CD.Filter = QString::fromLatin1(kProjectFileFilter);
        CD.Flags = FileDialogFlag::Explorer | FileDialogFlag::AllowMultiSelect |
                   FileDialogFlag::CreatePrompt;
        CD.FilterIndex = 0;
        if (!CDOpen(CD)) {
            return;
        }
        fileName = CD.FileName;
    }
    for (const QString& path : SelectedPaths(fileName)) {
        LoadProjectFile(path);
    }
    WorkspaceModified = true;
}

void frmMain::LoadProjectFile(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) {
        return;  // a missing file is skipped without a word
    }
    QString error;
    std::unique_ptr<pugi::xml_document> document = XmlFile::Read(path, error);
    if (!document) {
        platform_.prompter->Ask(QStringLiteral("Error Loading File\r\n%1\r\n%2").arg(error, path),
                                MsgButtons::OK, kTitle);
        return;
    }
    if (std::string_view(document->document_element().name()) != "project") {
        platform_.prompter->Ask(
            QStringLiteral("File Missing Top Level 'project' node\r\nCan not load"), MsgButtons::OK,
            kTitle);
        return;
    }
    const QString name =
        QString::fromStdString(XML::ResolvePath(*document, "*project/@name").text());
    auto* node = new TreeNode(std::move(document));
    node->setCaption(name);
    node->setImage(TreeImage::ProjectUnmodified);
    UpdateNode(node);
    // Built before the node joins the tree: a view told of each of many thousand new rows
    // is far slower than one told of the finished branch.
    BuildTaskNodes(node, node->element);
    Tree->addTopLevelItem(node);
    // Kept absolute so that the workspace still finds it from another working folder.
    XML::ResolvePath(node->element, "@filename").setText(info.absoluteFilePath().toStdString());
}
