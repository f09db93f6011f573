// One owner per file: a second start hands its files to the running window, a file open in
// another copy is not opened twice, and a file changed on disk is not silently saved over.
#include <QDir>
#include <QLockFile>
#include <QSignalSpy>
#include <QStatusBar>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include "files/file_hold.h"
#include "platform/instance_channel.h"
#include "support/window_fixture.h"

namespace {

class FileOwnership : public WindowTest {
  protected:
    void ExpectMessage(const QString& text, MsgButtons buttons, MsgAnswer answer) {
        seams->prompter->Expect(text, buttons, QStringLiteral("Horavel"), answer);
    }
};

TEST_F(FileOwnership, ASecondStartHandsItsFilesToTheListeningWindowAndTheBadOnesAreToldAtOnce) {
    const QString name = TempPath("channel");
    // A socket left by a copy that crashed: nobody answers it, and it is replaced.
    const int stale = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{AF_UNIX, {}};
    qstrncpy(address.sun_path, QFile::encodeName(name).constData(), sizeof address.sun_path);
    ASSERT_EQ(bind(stale, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    close(stale);
    InstanceChannel first(name);
    EXPECT_FALSE(first.HandOver({}));
    ASSERT_TRUE(first.Listen());
    QObject::connect(&first, &InstanceChannel::FilesHandedOver, window.get(),
                     &frmMain::OpenHandedOverFiles);
    QSignalSpy handed(&first, &InstanceChannel::FilesHandedOver);
    // Names beyond ASCII, and beyond Latin-1.
    QDir().mkpath(TempPath(QStringLiteral("Überstunden")));
    WriteFile(TempPath(QStringLiteral("Überstunden/Ñandú.hvp")), "<project name=\"Ñandú\"/>");
    WriteFile(TempPath(QStringLiteral("Zürich–Łódź.hvp")), "<project name=\"Łódź\"/>");
    QStringList files{TempPath(QStringLiteral("Überstunden/Ñandú.hvp")),
                      TempPath(QStringLiteral("Zürich–Łódź.hvp"))};
    // And a burst of folders, which are no project files.
    QString listed;
    for (int i = 0; i < 50; ++i) {
        files << TempPath(QStringLiteral("folder %1").arg(i));
        QDir().mkpath(files.back());
        if (i < 15) {
            listed += "\r\n" + files.back() + " (This is a folder, not a file)";
        }
    }
    ExpectMessage("50 files could not be loaded:" + listed + "\r\nand 35 more.", MsgButtons::OK,
                  MsgAnswer::OK);
    EXPECT_TRUE(InstanceChannel(name).HandOver(files));
    ASSERT_TRUE(handed.wait(5000));
    ASSERT_EQ(window->ui.Tree->topLevelItemCount(), 2);
    EXPECT_EQ(window->ui.Tree->topLevelNode(0)->caption(), QStringLiteral("Ñandú"));
    EXPECT_EQ(window->ui.Tree->topLevelNode(1)->caption(), QStringLiteral("Łódź"));
    EXPECT_TRUE(window->isVisible());
}

TEST_F(FileOwnership, AFileHeldByAnotherCopyIsNotOpenedByAnyNameButAStaleLockIsTakenOver) {
    const QString path = TempPath("p.hvp");
    const QString hard = TempPath("elsewhere/hard.hvp");
    QDir().mkpath(TempPath("elsewhere"));
    WriteFile(path, "<project name=\"P\"/>");
    ASSERT_EQ(link(QFile::encodeName(path).constData(), QFile::encodeName(hard).constData()), 0);
    ASSERT_TRUE(QFile::link(path, TempPath("elsewhere/soft.hvp")));
    const auto refused = [&](QString name) {
        ExpectMessage("The file\r\n" + name +
                          "\r\nis open in another Horavel window. Work on it there, or close it "
                          "there and load it again.",
                      MsgButtons::OK, MsgAnswer::OK);
        window->LoadProjects(name);
        EXPECT_EQ(window->ui.Tree->topLevelItemCount(), 0) << name.toStdString();
    };
    {
        QLockFile other(TempPath(".p.hvp.lock"));  // another copy's lock beside the file
        ASSERT_TRUE(other.tryLock(0));
        refused(path);
    }
    const int fd = open(QFile::encodeName(path).constData(), O_RDONLY);
    ASSERT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);  // and its lock on the file, met by any name
    refused(hard);
    refused(TempPath("elsewhere/soft.hvp"));
    close(fd);

    const QString lockPath = TempPath("elsewhere/.hard.hvp.lock");
    if (fork() == 0) {  // a copy that locks the file and dies without letting go
        QLockFile crashed(lockPath);
        _exit(crashed.tryLock(0) ? 0 : 1);
    }
    wait(nullptr);
    ASSERT_TRUE(QFile::exists(lockPath));
    QString name = hard;  // opened by a link too, and saving it keeps it held
    window->LoadProjects(name);
    ASSERT_EQ(window->ui.Tree->topLevelItemCount(), 1);
    QLockFile other(lockPath);
    EXPECT_FALSE(other.tryLock(0));
    window->ToolbarButton("saveproject")->trigger();
    const int again = open(QFile::encodeName(path).constData(), O_RDONLY);
    EXPECT_NE(flock(again, LOCK_EX | LOCK_NB), 0) << "the saved file was left without its lock";
    close(again);
    window->ui.Tree->clear();  // the project gone: the file is free again
    EXPECT_TRUE(other.tryLock(0));
}

// Two computers on one synced or shared folder are merged, not refused: another computer's
// lock stops nothing, and in a synced folder no lock file is written to travel there.
TEST_F(FileOwnership, AnotherComputersLockIsNoRefusalAndASyncedFolderGetsNoLockFile) {
    QDir().mkpath(TempPath("shared"));
    WriteFile(TempPath("shared/.p.hvp.lock"), "4242\nhoravel\nlaptop-on-the-road\n");
    EXPECT_NE(LoadFile("shared/p.hvp", "<project name=\"P\"/>"), nullptr);
    EXPECT_EQ(ReadFile(TempPath("shared/.p.hvp.lock")), "4242\nhoravel\nlaptop-on-the-road\n");

    QDir().mkpath(TempPath("Sync/.stfolder"));
    QDir().mkpath(TempPath("Sync/clients"));
    TreeNode* synced = LoadFile("Sync/clients/s.hvp", "<project name=\"S\"/>");
    ASSERT_NE(synced, nullptr);
    window->ui.Tree->setCurrentItem(synced);
    window->ToolbarButton("saveproject")->trigger();
    EXPECT_EQ(QDir(TempPath("Sync/clients")).entryList(QDir::Files | QDir::Hidden),
              QStringList{"s.hvp"});
    const int fd = open(QFile::encodeName(TempPath("Sync/clients/s.hvp")).constData(), O_RDONLY);
    EXPECT_NE(flock(fd, LOCK_EX | LOCK_NB), 0) << "this computer's copies are still kept out";
    close(fd);
}

// However a file open already is named again, it is not loaded a second time (its hours
// would count twice in every report): its project is selected and the status bar says so.
TEST_F(FileOwnership, AFileOpenAlreadyIsSelectedByAnyNameAndNotLoadedAgain) {
    QDir().mkpath(TempPath("elsewhere"));
    WriteFile(TempPath("beta app.hvp"), "<project name=\"Beta app\"/>");
    WriteFile(TempPath("site.hvp"), "<project name=\"Site\"/>");
    ASSERT_EQ(link(QFile::encodeName(TempPath("beta app.hvp")).constData(),
                   QFile::encodeName(TempPath("elsewhere/hard.hvp")).constData()),
              0);
    ASSERT_TRUE(QFile::link(TempPath("beta app.hvp"), TempPath("elsewhere/soft.hvp")));
    // The command line, naming it twice.
    window->Form_Load({TempPath("beta app.hvp"), TempPath("elsewhere/../beta app.hvp")});
    ASSERT_EQ(window->ui.Tree->topLevelItemCount(), 1);
    TreeNode* beta = window->ui.Tree->topLevelNode(0);
    const QString told = "\"Beta app\" (" + TempPath("beta app.hvp") + ") is already open.";
    EXPECT_EQ(Status(), told);
    QString site = TempPath("site.hvp");
    window->LoadProjects(site);
    ASSERT_EQ(window->ui.Tree->topLevelItemCount(), 2);

    // Load Project, by "..", a symlink and a hard link.
    for (const char* name :
         {"elsewhere/../beta app.hvp", "elsewhere/soft.hvp", "elsewhere/hard.hvp"}) {
        window->ui.Tree->setCurrentItem(window->ui.Tree->topLevelNode(1));
        window->statusBar()->clearMessage();
        seams->fileDialog->ExpectOpen(TempPath(QString::fromLatin1(name)));
        ClickToolbar("loadproject");
        EXPECT_EQ(window->ui.Tree->topLevelItemCount(), 2) << name;
        EXPECT_EQ(window->ui.Tree->currentItem(), beta) << name;
        EXPECT_EQ(window->ui.txtName->text(), "Beta app") << name;
        EXPECT_EQ(Status(), told) << name;
    }

    // A second start handing both over, and a workspace listing one by two names.
    window->OpenHandedOverFiles({TempPath("elsewhere/soft.hvp"), TempPath("site.hvp")});
    EXPECT_EQ(window->ui.Tree->topLevelItemCount(), 2);
    EXPECT_EQ(Status(), "Already open: \"Beta app\" (" + TempPath("beta app.hvp") +
                            "), \"Site\" (" + TempPath("site.hvp") + ").");
    WriteFile(TempPath("work.hvw"),
              ("\"" + TempPath("site.hvp") + "\"\r\n\"" + TempPath("elsewhere/hard.hvp") +
               "\"\r\n\"" + TempPath("elsewhere/soft.hvp") + "\"\r\n")
                  .toStdString());
    window->ui.Tree->clear();
    QString workspace = TempPath("work.hvw");
    window->LoadWorkspace(workspace);
    ASSERT_EQ(window->ui.Tree->topLevelItemCount(), 2);
    EXPECT_EQ(window->ui.Tree->topLevelNode(1)->caption(), "Beta app");
}

// Other bytes of the same size, as another program leaves them: written in place a second
// later, or put there by a rename that keeps the old file's time, as a sync tool does.
void ChangeKeepingTheSize(const QString& path, bool byRename) {
    struct stat before {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &before), 0);
    const QString written = byRename ? path + QStringLiteral(".new") : path;
    WriteFile(written, "<projekt name=\"thine\"/>");
    struct timespec times[2] = {before.st_atim, before.st_mtim};
    times[1].tv_sec += byRename ? 0 : 1;
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(written).constData(), times, 0), 0);
    if (byRename) {
        ASSERT_EQ(
            ::rename(QFile::encodeName(written).constData(), QFile::encodeName(path).constData()),
            0);
    }
}

TEST_F(FileOwnership, SavingOverAFileThatIsNoProjectAnyMoreAsksFirst) {
    for (const MsgAnswer answer : {MsgAnswer::Cancel, MsgAnswer::No, MsgAnswer::Yes}) {
        window->ui.Tree->clear();
        TreeNode* project = LoadFile("p.hvp", "<project name=\"p.hvp\"/>");
        window->ui.Tree->setCurrentItem(project);
        window->ui.txtName->setText(QStringLiteral("ours"));
        // Other bytes of the same size: the size alone does not tell the change. A project
        // would be merged; what is no project any more is asked about.
        ChangeKeepingTheSize(TempPath("p.hvp"), answer == MsgAnswer::No);
        ASSERT_EQ(ReadFile(TempPath("p.hvp")).size(),
                  std::string("<project name=\"p.hvp\"/>").size());
        ExpectMessage("The file\r\n" + TempPath("p.hvp") +
                          "\r\nhas changed on disk since Horavel loaded or last saved it.\r\n\r\n"
                          "Yes: save over it; the changes made there are lost.\r\n"
                          "No: save this project under another name.\r\nCancel: do not save.",
                      MsgButtons::YesNoCancel, answer);
        if (answer == MsgAnswer::No) {
            seams->fileDialog->ExpectSave(TempPath("other.hvp"));
        }
        window->ToolbarButton("saveproject")->trigger();
        EXPECT_EQ(ReadFile(TempPath("p.hvp")).find("ours") != std::string::npos,
                  answer == MsgAnswer::Yes);
        EXPECT_EQ(Text(project, "@modified") == "true", answer == MsgAnswer::Cancel);
    }
    EXPECT_NE(ReadFile(TempPath("other.hvp")).find("ours"), std::string::npos);
    window->ui.txtName->setText(QStringLiteral("ours again"));  // saved over: no question now
    window->ToolbarButton("saveproject")->trigger();
    EXPECT_NE(ReadFile(TempPath("p.hvp")).find("ours again"), std::string::npos);
}

}  // namespace
