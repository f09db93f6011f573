// Saves that fail part-way, in a child process whose file size is limited the way a full
// disk limits it, and saves into a folder that cannot take a temporary file.
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>
#include <functional>

#include "support/window_fixture.h"

namespace {

std::string ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : "<missing>";
}

void WriteAll(const QString& path, std::string_view bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes.data(), qint64(bytes.size()));
}

// Runs `body` in a forked copy of this process and returns the text it handed back.
std::string InChild(const std::function<std::string()>& body) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) {
        return "<no pipe>";
    }
    const pid_t child = fork();
    if (child == 0) {
        close(pipeEnds[0]);
        const std::string answer = body();
        (void)!write(pipeEnds[1], answer.data(), answer.size());
        _exit(0);  // no destructors: they belong to the parent's window
    }
    close(pipeEnds[1]);
    std::string answer;
    char chunk[4096];
    for (ssize_t got; (got = read(pipeEnds[0], chunk, sizeof chunk)) > 0;) {
        answer.append(chunk, size_t(got));
    }
    close(pipeEnds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return answer;
}

class SaveFaults : public WindowTest {
  protected:
    // A project of about 28 KB on disk, loaded, renamed in the pane and selected.
    TreeNode* LoadBigProject() {
        original_ = "<?xml version=\"1.0\"?><project name=\"Big\">";
        for (int i = 0; i < 450; ++i) {
            original_ += "<task name=\"Task " + std::to_string(i) + "\" task_time=\"0:00:01\"/>";
        }
        original_ += "</project>";
        WriteAll(path(), original_);
        QString name = path();
        window->LoadProjects(name);
        TreeNode* project = window->Tree->topLevelNode(0);
        window->Tree->setCurrentItem(project);
        window->txtName->setText(QStringLiteral("Bigger"));
        return project;
    }
    QString path() const { return TempPath(QStringLiteral("big.hvp")); }
    QStringList FilesLeft() const {
        QStringList left =
            QDir(dir_.path()).entryList({QStringLiteral("big*")}, QDir::Files | QDir::Hidden);
        left.sort();
        return left;
    }
    std::string original_;
};

TEST_F(SaveFaults, AFileSizeLimitFailsTheSaveSaysWhyAndKeepsTheOldFile) {
    TreeNode* project = LoadBigProject();
    const std::string answer = InChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{16384, 16384};  // the old file is bigger: only new bytes count
        setrlimit(RLIMIT_FSIZE, &limit);
        seams->prompter->Expect("Could not save the project to\r\n" + path() + "\r\nFile too large",
                                MsgButtons::OK, QStringLiteral("Horavel"), MsgAnswer::OK);
        window->ToolbarButton("saveproject")->trigger();
        const auto& asked = seams->prompter->asked;
        return (asked.empty() ? std::string("<no message>") : asked.back().text.toStdString()) +
               "|" + Text(project, "@modified");
    });
    EXPECT_EQ(answer, ("Could not save the project to\r\n" + path()).toStdString() +
                          "\r\nFile too large|true");
    EXPECT_EQ(ReadAll(path()), original_);
    EXPECT_EQ(FilesLeft(), QStringList{"big.hvp"});
}

TEST_F(SaveFaults, ASaveRemovesWhatAKilledSaveLeftButNotThePersonsCopies) {
    LoadBigProject();
    for (const char* name : {"big.hvp.QxWzRt", "big.hvp.backup", "big.hvp.OLDONE"}) {
        WriteAll(TempPath(QString::fromLatin1(name)), "<?xml version=\"1.0\"?><proj");
    }
    window->ToolbarButton("saveproject")->trigger();
    EXPECT_EQ(FilesLeft(), (QStringList{"big.hvp", "big.hvp.OLDONE", "big.hvp.backup"}));
    EXPECT_NE(ReadAll(path()).find("name=\"Bigger\""), std::string::npos);
}

TEST_F(SaveFaults, AWritableFileInAFolderThatTakesNoNewFileIsStillSaved) {
    LoadBigProject();
    QFile::setPermissions(path(), QFileDevice::Permissions(0x6666));  // rw for everyone
    ASSERT_EQ(chmod(QFile::encodeName(dir_.path()).constData(), 0555), 0);
    const std::string answer = InChild([&] {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) {
            return std::string("<cannot drop root>");  // root would write the folder anyway
        }
        window->ToolbarButton("saveproject")->trigger();
        return std::to_string(seams->prompter->asked.size());
    });
    chmod(QFile::encodeName(dir_.path()).constData(), 0700);
    EXPECT_EQ(answer, "0");
    EXPECT_NE(ReadAll(path()).find("name=\"Bigger\""), std::string::npos);
    EXPECT_EQ(FilesLeft(), QStringList{"big.hvp"});
}

}  // namespace
