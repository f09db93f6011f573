// One owner per file: a second start hands its files to the running window, a file open in
// another copy is not opened twice, and a file changed on disk is not silently saved over.
#include <QLockFile>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/instance_channel.h"
#include "support/window_fixture.h"

namespace {

class FileOwnership : public WindowTest {
  protected:
    // A project file written afresh and loaded.
    TreeNode* Load(const char* name) {
        QString path = TempPath(QString::fromLatin1(name));
        WriteFile(path, std::string("<project name=\"") + name + "\"/>");
        const int before = window->ui.Tree->topLevelItemCount();
        window->LoadProjects(path);
        return window->ui.Tree->topLevelItemCount() > before ? window->ui.Tree->topLevelNode(before)
                                                             : nullptr;
    }
    void ExpectMessage(const QString& text, MsgButtons buttons, MsgAnswer answer) {
        seams->prompter->Expect(text, buttons, QStringLiteral("Horavel"), answer);
    }
};

TEST_F(FileOwnership, ASecondStartHandsItsFilesToTheListeningWindow) {
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

    WriteFile(TempPath("b c.hvp"), "<project name=\"B\"/>");
    EXPECT_TRUE(InstanceChannel(name).HandOver({TempPath("b c.hvp")}));
    ASSERT_TRUE(handed.wait(5000));
    ASSERT_EQ(window->ui.Tree->topLevelItemCount(), 1);
    EXPECT_EQ(window->ui.Tree->topLevelNode(0)->caption(), "B");
    EXPECT_TRUE(window->isVisible());
}

TEST_F(FileOwnership, AFileHeldByAnotherCopyIsNotOpenedButAStaleLockIsTakenOver) {
    const QString lockPath = TempPath(".p.hvp.lock");
    {
        QLockFile other(lockPath);  // as another running copy holds it
        ASSERT_TRUE(other.tryLock(0));
        ExpectMessage("The file\r\n" + TempPath("p.hvp") +
                          "\r\nis open in another Horavel window. Work on it there, or close it "
                          "there and load it again.",
                      MsgButtons::OK, MsgAnswer::OK);
        EXPECT_EQ(Load("p.hvp"), nullptr);
    }
    if (fork() == 0) {  // a copy that locks the file and dies without letting go
        QLockFile crashed(lockPath);
        _exit(crashed.tryLock(0) ? 0 : 1);
    }
    wait(nullptr);
    ASSERT_TRUE(QFile::exists(lockPath));
    ASSERT_NE(Load("p.hvp"), nullptr);
    EXPECT_NE(Load("p.hvp"), nullptr);  // the same window may open it twice
    QLockFile other(lockPath);
    EXPECT_FALSE(other.tryLock(0));
    window->ui.Tree->clear();  // both projects gone: the file is free again
    EXPECT_TRUE(other.tryLock(0));
}

TEST_F(FileOwnership, SavingOverAFileChangedOnDiskAsksFirst) {
    for (const MsgAnswer answer : {MsgAnswer::Cancel, MsgAnswer::No, MsgAnswer::Yes}) {
        window->ui.Tree->clear();
        TreeNode* project = Load("p.hvp");
        window->ui.Tree->setCurrentItem(project);
        window->ui.txtName->setText(QStringLiteral("ours"));
        WriteFile(TempPath("p.hvp"), "<project name=\"theirs\"/>");
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
