// One owner per file: a second start hands its file to the running window, a file open in
// another copy is not opened twice, and a file changed on disk is not silently saved over.
#include <QFile>
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

const QString kTitle = QStringLiteral("Horavel");

std::string ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : "<missing>";
}

void WriteAll(const QString& path, std::string_view bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes.data(), qint64(bytes.size()));
}

class FileOwnership : public WindowTest {
  protected:
    QString Project(const char* name) {
        const QString path = TempPath(QString::fromLatin1(name));
        WriteAll(path, std::string("<project name=\"") + name + "\"/>");
        return path;
    }
    TreeNode* Load(const QString& path) {
        QString name = path;
        window->LoadProjects(name);
        const int count = window->Tree->topLevelItemCount();
        return count > 0 ? window->Tree->topLevelNode(count - 1) : nullptr;
    }
};

TEST_F(FileOwnership, ASecondStartHandsItsFilesToTheListeningWindow) {
    const QString name = TempPath("channel");
    // A socket left by a copy that crashed: nobody answers it, and it is replaced.
    const int stale = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    qstrncpy(address.sun_path, QFile::encodeName(name).constData(), sizeof address.sun_path);
    ASSERT_EQ(bind(stale, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    close(stale);

    InstanceChannel first(name);
    EXPECT_FALSE(first.HandOver({}));
    ASSERT_TRUE(first.Listen());
    QObject::connect(&first, &InstanceChannel::FilesHandedOver, window.get(),
                     &frmMain::OpenHandedOverFiles);
    QSignalSpy handed(&first, &InstanceChannel::FilesHandedOver);

    const QStringList files{Project("a.hvp"), Project("b c.hvp")};
    InstanceChannel second(name);
    EXPECT_TRUE(second.HandOver(files));
    ASSERT_TRUE(handed.wait(5000));
    EXPECT_EQ(handed.front().front().toStringList(), files);
    ASSERT_EQ(window->Tree->topLevelItemCount(), 2);
    EXPECT_EQ(window->Tree->topLevelNode(1)->caption(), "b c.hvp");
    EXPECT_TRUE(window->isVisible());
}

TEST_F(FileOwnership, AFileHeldByAnotherCopyIsNotOpenedButAStaleLockIsTakenOver) {
    const QString path = Project("p.hvp");
    const QString lockPath = TempPath(".p.hvp.lock");
    {
        QLockFile other(lockPath);  // what another running copy holds
        ASSERT_TRUE(other.tryLock(0));
        seams->prompter->Expect("The file\r\n" + path +
                                    "\r\nis open in another Horavel window. Work on it there, "
                                    "or close it there and load it again.",
                                MsgButtons::OK, kTitle, MsgAnswer::OK);
        EXPECT_EQ(Load(path), nullptr);
    }
    const pid_t child = fork();  // a copy that locks the file and dies without letting go
    if (child == 0) {
        QLockFile crashed(lockPath);
        _exit(crashed.tryLock(0) ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(QFile::exists(lockPath));

    TreeNode* one = Load(path);
    ASSERT_NE(one, nullptr);
    EXPECT_NE(Load(path), nullptr);  // the same window may open it twice
    QLockFile other(lockPath);
    EXPECT_FALSE(other.tryLock(0));
    window->Tree->clear();  // both projects gone: the file is free again
    EXPECT_TRUE(other.tryLock(0));
}

TEST_F(FileOwnership, SavingOverAFileChangedOnDiskAsksFirst) {
    const std::string theirs = "<project name=\"changed elsewhere\"/>";
    struct Case {
        MsgAnswer answer;
        const char* fileAfter;  // "ours", "theirs"
        bool modifiedAfter;
    };
    for (const Case& c :
         {Case{MsgAnswer::Cancel, "theirs", true}, Case{MsgAnswer::No, "theirs", false},
          Case{MsgAnswer::Yes, "ours", false}}) {
        SCOPED_TRACE(int(c.answer));
        window->Tree->clear();
        const QString path = Project("p.hvp");
        TreeNode* project = Load(path);
        window->Tree->setCurrentItem(project);
        window->txtName->setText(QStringLiteral("ours"));
        WriteAll(path, theirs);

        seams->prompter->Expect(
            "The file\r\n" + path +
                "\r\nhas changed on disk since Horavel loaded or last saved it.\r\n\r\n"
                "Yes: save over it; the changes made there are lost.\r\n"
                "No: save this project under another name.\r\nCancel: do not save.",
            MsgButtons::YesNoCancel, kTitle, c.answer);
        if (c.answer == MsgAnswer::No) {
            seams->fileDialog->ExpectSave(TempPath("elsewhere.hvp"));
        }
        window->ToolbarButton("saveproject")->trigger();
        EXPECT_EQ(ReadAll(path).find("ours") != std::string::npos,
                  std::string(c.fileAfter) == "ours");
        EXPECT_EQ(Text(project, "@modified") == "true", c.modifiedAfter);
    }
    EXPECT_NE(ReadAll(TempPath("elsewhere.hvp")).find("ours"), std::string::npos);
    // Once saved over, the file is ours again: the next save asks nothing.
    window->txtName->setText(QStringLiteral("ours again"));
    window->ToolbarButton("saveproject")->trigger();
    EXPECT_NE(ReadAll(TempPath("p.hvp")).find("ours again"), std::string::npos);
}

}  // namespace
