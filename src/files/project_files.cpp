// Saving and loading project files.
#include "files/project_files.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <set>

#include "files/conflict_copies.h"
#include "files/document_swap.h"
#include "files/file_hold.h"
#include "files/xml_file.h"
#include "model/ids.h"
#include "model/xml.h"
#include "platform/platform.h"
#include "tree/edit_history.h"
#include "tree/project_tree.h"

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

// The merge bases live beside the crash recovery store, in the program's own state folder.
QString MergeBaseFolder(const QString& recoveryFolder) {
    if (recoveryFolder.isEmpty()) {
        return {};
    }
    return QFileInfo(recoveryFolder).dir().filePath(QStringLiteral("merge-bases"));
}

ProjectFiles::ProjectFiles(ProjectTree& tree, WorkspaceState& workspace, TimingState& timing,
                           Platform& platform)
    : tree_(tree),
      workspace_(workspace),
      timing_(timing),
      platform_(platform),
      bases_(MergeBaseFolder(platform.recoveryFolder)),
      watch_([this](const QString& path) {
          // Taken in at once: at the next save it might meet more changes of its own.
          TreeNode* project = tree_.ProjectWithFile(path);
          if (project != nullptr && tree_.view.editingLabel()) {
              watch_.Later(path);  // a name being typed would lose its node
          } else if (project != nullptr) {
              TakeInChangesOnDisk(project);
              TakeInConflictCopies(project);
          }
      }) {
    // Nothing enters a document without its node entering the tree: a new task, a project
    // loaded (perhaps where a closed one's document was), a merge, a move, an undo.
    connect(tree_.view.model(), &QAbstractItemModel::rowsInserted, this,
            [this] { idsComplete_.clear(); });
}

bool ProjectFiles::CDSave(FileDialogSetup& CD) {
    return platform_.fileDialog->ShowSave(CD);
}

bool ProjectFiles::CDOpen(FileDialogSetup& CD) {
    return platform_.fileDialog->ShowOpen(CD);
}

bool ProjectFiles::SaveProject(TreeNode* node, bool saveAs) {
    TreeNode* project = ProjectTree::ProjectNodeOf(node);
    if (project == nullptr) {
        return false;
    }
    if (!saveAs) {
        // Another computer's save first joins this one; only a file that cannot be merged
        // is asked about below.
        TakeInChangesOnDisk(project);
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
    bool askForName = saveAs || path.isEmpty();
    if (!askForName) {
        const MsgAnswer answer = AskBeforeSavingOverAChangedFile(project, path);
        if (answer == MsgAnswer::Cancel) {
            putBack();
            return false;
        }
        askForName = answer == MsgAnswer::No;
    }
    if (askForName) {
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
        workspace_.WorkspaceModified = true;
    }
    LockOutcome outcome = LockOutcome::NotLockable;
    std::shared_ptr<QLockFile> lock = LockProjectFile(path, outcome);
    QString error;
    if (outcome == LockOutcome::HeldByAnotherCopy) {
        error = QStringLiteral("Another Horavel window has this file open.");
    }
    // Tasks made here, or read from a file an older version wrote, get theirs on the way out.
    // A document put in place whole (a reload, a merge) may have brought a project without
    // one and no task node: the project's own is looked at every time.
    if (idsComplete_.insert(project->document()).second) {
        GiveIds(element);
    } else {
        GiveId(element);
    }
    FileStamp written;
    // What went to the file is the merge base from now on: taken as it is written, as
    // writing the document out a second time would cost as much as the save.
    std::string savedBytes;
    if (!error.isEmpty() ||
        !XmlFile::Save(*project->document(), path, error, &written, &savedBytes)) {
        putBack();
        platform_.prompter->Ask(
            QStringLiteral("Could not save the project to\r\n%1\r\n%2").arg(path, error),
            MsgButtons::OK, kTitle);
        return false;
    }
    // The save put a new file at the path, and the lock on the file itself belongs on it.
    if (std::shared_ptr<QLockFile> relocked = LockProjectFile(path, outcome)) {
        lock = std::move(relocked);
    }
    project->fileHold = std::make_shared<FileHold>(FileHold{lock, written});
    bases_.Keep(path, std::move(savedBytes));
    watch_.Watch(path);
    XML::ResolvePath(element, "@filename").setText(path.toStdString());
    tree_.MarkUnmodified(project);
    TrashMergedCopies(project->document(), *project->document());
    return true;
}

namespace {

// A merge with what another computer saved, as one undo step: undone, the project is what
// this window held before it.
class MergeStep : public EditStep {
  public:
    MergeStep(ProjectTree& tree, TimingState& timing, TreeNode* project,
              const pugi::xml_document& merged, std::function<void(bool)> applied)
        : EditStep(QStringLiteral("Merged the changes made elsewhere to \"%1\"")
                       .arg(NodeString(project, "@name"))),
          tree_(tree),
          timing_(timing),
          document_(project->document()),
          applied_(std::move(applied)) {
        before_.reset(*project->document());
        after_.reset(merged);
    }
    void redo() override {
        Put(after_);
        if (applied_) {
            applied_(true);
        }
    }
    void undo() override {
        Put(before_);
        if (applied_) {
            applied_(false);
        }
    }

  private:
    void Put(const pugi::xml_document& document) {
        if (TreeNode* project = tree_.ProjectOf(document_)) {
            ReplaceProjectDocument(tree_, timing_, project, document, true);
        }
    }

    ProjectTree& tree_;
    TimingState& timing_;
    const pugi::xml_document* document_;
    std::function<void(bool)> applied_;
    pugi::xml_document before_;
    pugi::xml_document after_;
};

}  // namespace

ProjectFiles::DiskChange ProjectFiles::TakeInChangesOnDisk(TreeNode* project) {
    const QString path = NodeString(project, "@filename");
    if (path.isEmpty() || !project->fileHold || FileStillAsLoaded(project->fileHold.get(), path)) {
        return DiskChange::None;
    }
    QString error;
    FileStamp stamp;
    const std::unique_ptr<pugi::xml_document> onDisk = XmlFile::Read(path, error, &stamp);
    if (!onDisk || std::string_view(onDisk->document_element().name()) != "project") {
        return DiskChange::NotMergeable;
    }
    const bool modified = ProjectTree::IsModified(project);
    if (!modified) {
        ReplaceProjectDocument(tree_, timing_, project, *onDisk, false);
        KeepAsLoaded(project, path, *onDisk, stamp);
        tree_.Tell(QStringLiteral("%1 was changed on disk and loaded again.").arg(path));
        return DiskChange::Reloaded;
    }
    // Tasks made here since the last save need ids to be found again after the merge.
    GiveIds(project->element);
    std::unique_ptr<pugi::xml_document> base;
    if (const std::optional<std::string> bytes = bases_.Base(path)) {
        QString baseError;
        base = XmlFile::Parse(*bytes, baseError);  // an unreadable base merges without one
    }
    const MergeResult result = MergeProjects(base.get(), {project->document(), ChangedAt(project)},
                                             {onDisk.get(), stamp.modifiedNs / 1000000});
    ApplyMerge(project, *result.document);
    KeepAsLoaded(project, path, *onDisk, stamp);
    TellMerge(project, result);
    return DiskChange::Merged;
}

namespace {

// What a save of the project writes: the window's own attributes left out.
std::string BytesToSave(const pugi::xml_document& document) {
    pugi::xml_document copy;
    copy.reset(document);
    copy.document_element().remove_attribute("filename");
    copy.document_element().remove_attribute("modified");
    return XmlFile::Serialize(copy);
}

// Whether every period of the copy is in the saved document: the last guard before a copy
// goes to the trash.
bool HoldsEveryPeriodOf(const pugi::xml_document& saved, const QString& copy) {
    QString error;
    const std::unique_ptr<pugi::xml_document> copied = XmlFile::Read(copy, error);
    if (!copied) {
        return false;
    }
    // Periods an older version wrote have no id; their start tells them.
    const auto keyOf = [](pugi::xml_node session) {
        const pugi::xml_attribute id = session.attribute("id");
        return id ? std::string(id.value())
                  : std::string("start ") + session.attribute("start").value();
    };
    std::set<std::string> periods;
    for (pugi::xpath_node found : saved.select_nodes("//session")) {
        periods.insert(keyOf(found.node()));
    }
    const pugi::xpath_node_set copiedPeriods = copied->select_nodes("//session");
    return std::all_of(
        copiedPeriods.begin(), copiedPeriods.end(),
        [&](const pugi::xpath_node& found) { return periods.count(keyOf(found.node())) != 0; });
}

}  // namespace

void ProjectFiles::ApplyMerge(TreeNode* project, const pugi::xml_document& merged,
                              std::function<void(bool)> applied) {
    tree_.Edits().Do(
        std::make_unique<MergeStep>(tree_, timing_, project, merged, std::move(applied)));
}

void ProjectFiles::TakeInConflictCopies(TreeNode* project) {
    const QString path = NodeString(project, "@filename");
    if (path.isEmpty()) {
        return;
    }
    for (const QString& copy : ConflictCopiesOf(path)) {
        const auto merged = [&](const MergedCopy& each) {
            return each.path == copy && !ChangedOnDisk(each.stamp, copy);
        };
        const auto told = [&](const auto& each) {
            return each.first == copy && !ChangedOnDisk(each.second, copy);
        };
        if (std::none_of(mergedCopies_.begin(), mergedCopies_.end(), merged) &&
            std::none_of(unreadableCopies_.begin(), unreadableCopies_.end(), told)) {
            TakeInConflictCopy(project, copy);
        }
    }
}

void ProjectFiles::TakeInConflictCopy(TreeNode* project, const QString& copy) {
    QString error;
    FileStamp stamp;
    const std::unique_ptr<pugi::xml_document> copied = XmlFile::Read(copy, error, &stamp);
    if (!copied || std::string_view(copied->document_element().name()) != "project") {
        // Left where it is: it may still be on its way, or someone may want it.
        unreadableCopies_.emplace_back(copy, StampOfFile(copy));
        tree_.Tell(QStringLiteral("The conflict copy %1 could not be merged: %2")
                       .arg(copy, copied ? QStringLiteral("it holds no project") : error));
        return;
    }
    const QString path = NodeString(project, "@filename");
    GiveIds(project->element);
    // Matched by id alone: the base kept for the file is no ancestor of the copy. The engine
    // put the other computer's save in the file and this one's in the copy, so the base is
    // then one side's own save (or the other's, once the file was loaded again), and against
    // it one side's edits would read as the other side taking them back.
    const MergeResult result = MergeProjects(nullptr, {project->document(), ChangedAt(project)},
                                             {copied.get(), stamp.modifiedNs / 1000000});
    const pugi::xml_document* document = project->document();
    const MergedCopy merged{document, copy, stamp};
    if (!ProjectTree::IsModified(project) && FileStillAsLoaded(project->fileHold.get(), path) &&
        XmlFile::Serialize(*result.document) == BytesToSave(*document)) {
        // The file already holds all the copy has: nothing to wait for.
        mergedCopies_.push_back(merged);
        TrashMergedCopies(document, *document);
        return;
    }
    mergedCopies_.push_back(merged);
    // Undone, the copy is no longer in the project and must not go to the trash at a save.
    ApplyMerge(project, *result.document, [this, merged](bool applied) {
        std::erase_if(mergedCopies_, [&](const MergedCopy& each) {
            return each.document == merged.document && each.path == merged.path;
        });
        if (applied) {
            mergedCopies_.push_back(merged);
        }
    });
    Record(project, QFileInfo(copy).fileName(), result);
    QString text = QStringLiteral(
                       "Merged the conflict copy %1 into \"%2\"; it goes to the trash "
                       "when the project is saved")
                       .arg(QFileInfo(copy).fileName(), NodeString(project, "@name"));
    if (!result.decisions.empty()) {
        text += QStringLiteral(" (%1 decision(s) taken)").arg(result.decisions.size());
    }
    tree_.Tell(text + QLatin1Char('.'));
}

void ProjectFiles::TrashMergedCopies(const pugi::xml_document* document,
                                     const pugi::xml_document& saved) {
    std::vector<MergedCopy> copies;
    std::erase_if(mergedCopies_, [&](const MergedCopy& each) {
        const bool ours = each.document == document;
        if (ours) {
            copies.push_back(each);
        }
        return ours;
    });
    for (const MergedCopy& copy : copies) {
        if (!QFileInfo::exists(copy.path)) {
            continue;  // the other computer merged it too, and its trash reached this folder
        }
        if (ChangedOnDisk(copy.stamp, copy.path)) {
            continue;  // changed since: the next look at the folder merges it again
        }
        if (HoldsEveryPeriodOf(saved, copy.path) && QFile::moveToTrash(copy.path)) {
            tree_.Tell(QStringLiteral("The conflict copy %1 is merged and saved, and went to "
                                      "the trash.")
                           .arg(copy.path));
        } else {
            tree_.Tell(QStringLiteral("The conflict copy %1 was merged but is left in place.")
                           .arg(copy.path));
        }
    }
}

qint64 ProjectFiles::ChangedAt(TreeNode* project) const {
    // The other side is dated by its file; this one by its last edit, or by its own file when
    // that is newer (a save since, or the other computer's save loaded since).
    const qint64 file = project->fileHold ? project->fileHold->stamp.modifiedNs / 1000000 : 0;
    const qint64 changed = std::max(file, tree_.Edits().LastEditOf(project->document(), 0));
    return changed > 0 ? changed : QDateTime::currentMSecsSinceEpoch();
}

void ProjectFiles::KeepAsLoaded(TreeNode* project, const QString& path,
                                const pugi::xml_document& document, const FileStamp& stamp) {
    bases_.Keep(path, XmlFile::Serialize(document));
    project->fileHold = std::make_shared<FileHold>(
        FileHold{project->fileHold ? project->fileHold->lock : nullptr, stamp});
}

void ProjectFiles::Record(TreeNode* project, const QString& otherSide, const MergeResult& result) {
    const QDateTime now = QDateTime::currentDateTime();
    for (const MergeDecision& decision : result.decisions) {
        decisions_.push_back({now, NodeString(project, "@name"), otherSide, decision});
    }
    if (!result.decisions.empty()) {
        emit Decided();
    }
}

void ProjectFiles::TellMerge(TreeNode* project, const MergeResult& result) {
    Record(project, QStringLiteral("the file on disk"), result);
    QString text = QStringLiteral("Merged the changes made to %1 elsewhere")
                       .arg(NodeString(project, "@filename"));
    if (!result.decisions.empty()) {
        const MergeDecision& last = result.decisions.back();
        text += QStringLiteral("; %1 decision(s), such as %2: kept \"%3\" over \"%4\"")
                    .arg(result.decisions.size())
                    .arg(last.what, last.kept, last.kept == last.mine ? last.theirs : last.mine);
    }
    tree_.Tell(text + QLatin1Char('.'));
}

MsgAnswer ProjectFiles::AskBeforeSavingOverAChangedFile(TreeNode* project, const QString& path) {
    if (FileStillAsLoaded(project->fileHold.get(), path)) {
        return MsgAnswer::Yes;
    }
    return platform_.prompter->Ask(
        QStringLiteral("The file\r\n%1\r\nhas changed on disk since Horavel loaded or last "
                       "saved it.\r\n\r\nYes: save over it; the changes made there are lost.\r\n"
                       "No: save this project under another name.\r\nCancel: do not save.")
            .arg(path),
        MsgButtons::YesNoCancel, kTitle);
}

bool ProjectFiles::SaveAllProjects() {
    for (int index = 0; index < tree_.view.topLevelItemCount(); ++index) {
        if (!SaveProject(tree_.view.topLevelNode(index), false)) {
            return false;
        }
    }
    return true;
}

void ProjectFiles::LoadProjects(QString& fileName) {
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
    std::vector<TreeNode*> alreadyOpen;
    for (const QString& path : SelectedPaths(fileName)) {
        if (auto failure = OpenProjectFile(path, alreadyOpen)) {
            TellLoadFailures({*failure});
        }
    }
    TellAlreadyOpen(alreadyOpen);
    workspace_.WorkspaceModified = true;
}

void ProjectFiles::LoadProjectFiles(const QStringList& paths) {
    std::vector<LoadFailure> failures;
    std::vector<TreeNode*> alreadyOpen;
    for (const QString& path : paths) {
        if (auto failure = OpenProjectFile(path, alreadyOpen)) {
            failures.push_back(*failure);
        }
    }
    TellLoadFailures(failures);
    TellAlreadyOpen(alreadyOpen);
    workspace_.WorkspaceModified = true;
}

void ProjectFiles::LoadProjectFile(const QString& path) {
    std::vector<TreeNode*> alreadyOpen;
    if (auto failure = OpenProjectFile(path, alreadyOpen)) {
        TellLoadFailures({*failure});
    }
    TellAlreadyOpen(alreadyOpen);
}

void ProjectFiles::TellAlreadyOpen(const std::vector<TreeNode*>& projects) {
    if (projects.empty()) {
        return;
    }
    QStringList named;
    for (TreeNode* project : projects) {
        const QString one =
            QStringLiteral("\"%1\" (%2)")
                .arg(NodeString(project, "@name"), NodeString(project, "@filename"));
        if (!named.contains(one)) {
            named << one;
        }
    }
    tree_.view.setCurrentItem(projects.back());
    tree_.view.scrollToItem(projects.back());
    // Loading it again would count its hours twice in every report.
    if (named.size() == 1) {
        tree_.Tell(QStringLiteral("%1 is already open.").arg(named.front()));
        return;
    }
    constexpr qsizetype kNamed = 3;  // a status bar is one line
    QString text =
        QStringLiteral("Already open: ") + named.mid(0, kNamed).join(QStringLiteral(", "));
    if (named.size() > kNamed) {
        text += QStringLiteral(" and %1 more").arg(named.size() - kNamed);
    }
    tree_.Tell(text + QLatin1Char('.'));
}

std::optional<QString> ProjectFiles::LoadProjectFileQuietly(const QString& path) {
    std::vector<TreeNode*> alreadyOpen;
    if (auto failure = OpenProjectFile(path, alreadyOpen)) {
        return failure->reason;
    }
    return std::nullopt;
}

void ProjectFiles::TellLoadFailures(const std::vector<LoadFailure>& failures) {
    if (failures.size() == 1) {
        platform_.prompter->Ask(failures.front().message, MsgButtons::OK, kTitle);
    }
    if (failures.size() <= 1) {
        return;
    }
    // A burst of them (from a second start, say) must not become a row of message boxes,
    // nor one taller than the screen.
    constexpr size_t kListed = 15;
    QString text = QStringLiteral("%1 files could not be loaded:").arg(failures.size());
    for (size_t i = 0; i < failures.size() && i < kListed; ++i) {
        text += QStringLiteral("\r\n%1 (%2)").arg(failures[i].path, failures[i].reason);
    }
    if (failures.size() > kListed) {
        text += QStringLiteral("\r\nand %1 more.").arg(failures.size() - kListed);
    }
    platform_.prompter->Ask(text, MsgButtons::OK, kTitle);
}

std::optional<ProjectFiles::LoadFailure> ProjectFiles::OpenProjectFile(
    const QString& path, std::vector<TreeNode*>& alreadyOpen) {
    const QFileInfo info(path);
    if (!info.exists()) {
        return std::nullopt;
    }
    if (TreeNode* open = tree_.ProjectWithFile(path)) {
        alreadyOpen.push_back(open);
        return std::nullopt;
    }
    LockOutcome outcome = LockOutcome::NotLockable;
    std::shared_ptr<QLockFile> lock = LockProjectFile(info.absoluteFilePath(), outcome);
    if (outcome == LockOutcome::HeldByAnotherCopy) {
        return LoadFailure{
            info.absoluteFilePath(), QStringLiteral("open in another Horavel window"),
            QStringLiteral("The file\r\n%1\r\nis open in another Horavel window. Work on it "
                           "there, or close it there and load it again.")
                .arg(info.absoluteFilePath())};
    }
    QString error;
    FileStamp stamp;
    // The bytes read are the merge base as they are: no second pass over the document.
    std::string bytes;
    std::unique_ptr<pugi::xml_document> document = XmlFile::Read(path, error, &stamp, &bytes);
    if (!document) {
        return LoadFailure{path, error,
                           QStringLiteral("Error Loading File\r\n%1\r\n%2").arg(error, path)};
    }
    if (std::string_view(document->document_element().name()) != "project") {
        return LoadFailure{path, QStringLiteral("no top level 'project' node"),
                           QStringLiteral("File Missing Top Level 'project' node\r\nCan not load")};
    }
    bases_.Keep(info.absoluteFilePath(), std::move(bytes));
    watch_.Watch(info.absoluteFilePath());
    watch_.Later(info.absoluteFilePath());  // conflict copies already there are merged too
    TreeNode* node = tree_.AddProjectNode(std::move(document), -1);
    node->fileHold = std::make_shared<FileHold>(FileHold{std::move(lock), stamp});
    // Kept absolute so that the workspace still finds it from another working folder.
    XML::ResolvePath(node->element, "@filename").setText(info.absoluteFilePath().toStdString());
    return std::nullopt;
}
