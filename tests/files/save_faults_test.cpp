// Saves that fail part-way, in a child process whose file size is limited the way a full
// disk limits it, and saves into a folder that takes no new file.
#include <QDir>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>
#include <functional>

#include "support/window_fixture.h"

namespace {

// Runs `body` in a forked copy of this process and returns the text it handed back.
std::string InChild(const std::function<std::string()>& body) {
    int ends[2];
    if (pipe(ends) != 0) {
        return "<no pipe>";
    }
    const pid_t child = fork();
    if (child == 0) {
        const std::string answer = body();
        (void)!write(ends[1], answer.data(), answer.size());
        _exit(0);  // no destructors: they belong to the parent's window
    }
    close(ends[1]);
    std::string answer;
    char chunk[4096];
    for (ssize_t got; (got = read(ends[0], chunk, sizeof chunk)) > 0;) {
        answer.append(chunk, size_t(got));
    }
    close(ends[0]);
    waitpid(child, nullptr, 0);
    return answer;
}

class SaveFaults : public WindowTest {
  protected:
    // A project of about 28 KB on disk, loaded, renamed in the pane, selected.
    void SetUp() override {
        WindowTest::SetUp();
        original_ = "<?xml version=\"1.0\"?><project name=\"Big\">";
        for (int i = 0; i < 450; ++i) {
            original_ += "<task name=\"Task " + std::to_string(i) + "\" task_time=\"0:00:01\"/>";
        }
        WriteFile(path_, original_ += "</project>");
        QString name = path_;
        window->LoadProjects(name);
        window->ui.Tree->setCurrentItem(window->ui.Tree->topLevelNode(0));
        window->ui.txtName->setText(QStringLiteral("Bigger"));
    }
    bool Saved() const { return ReadFile(path_).find("\"Bigger\"") != std::string::npos; }
    QStringList FilesLeft() const {
        QStringList left = QDir(dir_.path()).entryList({"big*"}, QDir::Files | QDir::Hidden);
        left.sort();
        return left;
    }
    const QString path_ = TempPath(QStringLiteral("big.hvp"));
    std::string original_;
};

TEST_F(SaveFaults, AFileSizeLimitFailsTheSaveSaysWhyAndKeepsTheOldFile) {
    // What killed saves left goes first; the person's own copies stay.
    for (const char* name : {"big.hvp.QxWzRt", "big.hvp.backup", "big.hvp.OLDONE"}) {
        WriteFile(TempPath(QString::fromLatin1(name)), "<?xml version=\"1.0\"?><proj");
    }
    const std::string answer = InChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{16384, 16384};  // only bytes beyond it fail: the old file is bigger
        setrlimit(RLIMIT_FSIZE, &limit);
        seams->prompter->Expect("Could not save the project to\r\n" + path_ + "\r\nFile too large",
                                MsgButtons::OK, QStringLiteral("Horavel"), MsgAnswer::OK);
        window->ToolbarButton("saveproject")->trigger();
        const auto& asked = seams->prompter->asked;
        return (asked.empty() ? "<no message>" : asked.back().text.right(14).toStdString()) + "|" +
               Text(window->ui.Tree->topLevelNode(0), "@modified");
    });
    EXPECT_EQ(answer, "File too large|true");
    EXPECT_TRUE(ReadFile(path_) == original_) << "the old file was damaged";
    EXPECT_EQ(FilesLeft(), (QStringList{"big.hvp", "big.hvp.OLDONE", "big.hvp.backup"}));
}

TEST_F(SaveFaults, AWritableFileInAFolderThatTakesNoNewFileIsStillSaved) {
    QFile::setPermissions(path_, QFileDevice::Permissions(0x6666));  // rw for everyone
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
    EXPECT_TRUE(Saved());
    EXPECT_EQ(FilesLeft(), QStringList{"big.hvp"});
}

}  // namespace
