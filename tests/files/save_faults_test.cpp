// Saves that fail part-way, in a child process whose file size is limited the way a full
// disk limits it, and saves into a folder that takes no new file.
#include <QDir>
#include <QDirIterator>

#include <sys/resource.h>
#include <sys/stat.h>
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
        window->ui.Tree->setCurrentItem(LoadFile("big.hvp", original_ += "</project>"));
        window->ui.txtName->setText(QStringLiteral("Bigger"));
    }
    bool Saved() const { return ReadFile(path_).find("\"Bigger\"") != std::string::npos; }
    // Makes the folder take no new file and the file writable by all; `body` then runs in a
    // child that is not root (root would write the folder anyway), its data folder its own.
    std::string InChildWithoutAFolderToWrite(const std::function<std::string()>& body) {
        const QString data = TempPath(QStringLiteral("data"));
        QDir().mkpath(data);
        chown(QFile::encodeName(data).constData(), kNobody, kNobody);
        QFile::setPermissions(path_, QFileDevice::Permissions(0x6666));  // rw for everyone
        chmod(QFile::encodeName(dir_.path()).constData(), 0555);
        const std::string answer = InChild([&] {
            qputenv("XDG_DATA_HOME", QFile::encodeName(data));
            if (geteuid() == 0 && (setgid(kNobody) != 0 || setuid(kNobody) != 0)) {
                return std::string("<cannot drop root>");
            }
            return body();
        });
        chmod(QFile::encodeName(dir_.path()).constData(), 0700);
        return answer;
    }
    // Whether a write in place left anything in the data folder.
    bool KeptAside() const {
        return QDirIterator(TempPath("data"), QDir::Files, QDirIterator::Subdirectories).hasNext();
    }
    static constexpr uid_t kNobody = 65534;
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
        seams->prompter->ExpectNotice("Could not save the project to\r\n" + path_ +
                                      "\r\nFile too large");
        window->ToolbarButton("saveproject")->trigger();
        const auto& asked = seams->prompter->asked;
        return (asked.empty() ? "<no message>" : asked.back().text.right(14).toStdString()) + "|" +
               Text(window->ui.Tree->topLevelNode(0), "@modified");
    });
    EXPECT_EQ(answer, "File too large|true");
    EXPECT_TRUE(ReadFile(path_) == original_) << "the old file was damaged";
    EXPECT_EQ(FilesLeft(), (QStringList{"big.hvp", "big.hvp.OLDONE", "big.hvp.backup"}));
}

TEST_F(SaveFaults, AKilledSaveLeavesNothingTheNextSaveDoesNotRemove) {
    // Killed by the file size limit part-way through writing: whatever it left, the next
    // save removes.
    InChild([&] {
        const rlimit limit{16384, 16384};
        setrlimit(RLIMIT_FSIZE, &limit);
        window->ToolbarButton("saveproject")->trigger();
        return std::string("<not killed>");
    });
    ASSERT_TRUE(ReadFile(path_) == original_);
    // Killed between naming its file and the rename: the suffix may come out all of one
    // case, or with digits.
    for (const char* name : {"big.hvp.SJHVDI.horavel-saving", "big.hvp.sjhvdi.horavel-saving",
                             "big.hvp.a1B2c3.horavel-saving", "big.hvp.backup.saving",
                             "big.hvp.SJHVDI.horavel-saving.backup"}) {
        WriteFile(TempPath(QString::fromLatin1(name)), "<?xml version=\"1.0\"?><proj");
    }
    window->ToolbarButton("saveproject")->trigger();
    EXPECT_TRUE(Saved());
    EXPECT_EQ(FilesLeft(), (QStringList{"big.hvp", "big.hvp.SJHVDI.horavel-saving.backup",
                                        "big.hvp.backup.saving"}));
}

TEST_F(SaveFaults, AWritableFileInAFolderThatTakesNoNewFileIsStillSaved) {
    const std::string answer = InChildWithoutAFolderToWrite([&] {
        window->ToolbarButton("saveproject")->trigger();
        return std::to_string(seams->prompter->asked.size());
    });
    EXPECT_EQ(answer, "0");
    EXPECT_TRUE(Saved());
    EXPECT_EQ(FilesLeft(), QStringList{"big.hvp"});
    EXPECT_FALSE(KeptAside());
}

TEST_F(SaveFaults, AFileWrittenInPlaceIsKeptWholeWhenTheSpaceRunsOut) {
    // The new file outgrows the limit, the old one is within it (and so is the copy kept
    // aside of it): the write in place must fail before it has changed a byte.
    ASSERT_LT(original_.size(), 32768u);
    window->ui.txtName->setText(QString(32768, QLatin1Char('B')));
    const std::string answer = InChildWithoutAFolderToWrite([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{32768, 32768};
        setrlimit(RLIMIT_FSIZE, &limit);
        seams->prompter->ExpectNotice("Could not save the project to\r\n" + path_ +
                                      "\r\nFile too large");
        window->ToolbarButton("saveproject")->trigger();
        return std::to_string(seams->prompter->asked.size()) + "|" +
               Text(window->ui.Tree->topLevelNode(0), "@modified");
    });
    EXPECT_EQ(answer, "1|true");
    EXPECT_TRUE(ReadFile(path_) == original_) << "the old file was damaged";
    EXPECT_EQ(FilesLeft(), QStringList{"big.hvp"});
    EXPECT_FALSE(KeptAside());
}

}  // namespace
