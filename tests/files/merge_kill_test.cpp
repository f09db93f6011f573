// A program killed (SIGKILL) while it merges another computer's save into its project and
// saves the result: the file is then either what the other computer saved or the merge,
// whole, never a mixture or a torn write.
#include <QElapsedTimer>

#include <sys/wait.h>
#include <unistd.h>
#include <chrono>
#include <csignal>
#include <random>
#include <thread>

#include "support/window_fixture.h"

namespace {

// A project big enough that writing it takes a while: a kill has room to land mid-save.
std::string Project(const std::string& firstName, const std::string& secondName,
                    const std::string& history) {
    std::string text = "<?xml version=\"1.0\"?>\n<project name=\"Big\" id=\"" +
                       std::string(31, '0') + "1\"><description/><history/>";
    for (int i = 0; i < 600; ++i) {
        const std::string name = i == 0   ? firstName
                                 : i == 1 ? secondName
                                          : "Task " + std::to_string(i);
        char id[33];
        std::snprintf(id, sizeof id, "%032x", i + 2);
        text += "<task name=\"" + name + "\" completed=\"false\" task_time=\"" +
                (i == 1 && !history.empty() ? "0:10:00" : "") + "\" subtask_time=\"\" id=\"" + id +
                "\"><description/><history>" + (i == 1 ? history : "") + "</history></task>";
    }
    return text + "</project>\n";
}

class MergeKill : public WindowTest {
  protected:
    // Puts bytes at the path as a sync engine does: whole, by a rename.
    void Replace(const std::string& bytes) {
        const QString aside = TempPath("incoming.tmp");
        WriteFile(aside, bytes);
        ASSERT_EQ(
            std::rename(QFile::encodeName(aside).constData(), QFile::encodeName(path_).constData()),
            0);
    }

    // One round: a copy of this process loads the base and renames a task; the other
    // computer's save arrives; the copy saves, merging it. Killed `killAfterUs` after the
    // save began (never when negative). Returns how long the copy took from that moment.
    qint64 Round(qint64 killAfterUs) {
        Replace(base_);
        int ready[2];
        int go[2];
        if (pipe(ready) != 0 || pipe(go) != 0) {
            ADD_FAILURE() << "no pipe";
            return 0;
        }
        const pid_t child = fork();
        if (child == 0) {
            QString name = path_;
            window->LoadProjects(name);
            window->ui.Tree->setCurrentItem(window->ui.Tree->topLevelNode(0)->childNode(0));
            window->ui.txtName->setText(QStringLiteral("Mine"));
            char byte = 0;
            (void)!write(ready[1], &byte, 1);
            (void)!read(go[0], &byte, 1);
            window->ToolbarButton("saveproject")->trigger();
            _exit(0);  // no destructors: they belong to the parent's window
        }
        char byte = 0;
        (void)!read(ready[0], &byte, 1);
        Replace(theirs_);
        QElapsedTimer took;
        took.start();
        (void)!write(go[1], &byte, 1);
        if (killAfterUs >= 0) {
            std::this_thread::sleep_for(std::chrono::microseconds(killAfterUs));
            kill(child, SIGKILL);
        }
        waitpid(child, nullptr, 0);
        const qint64 elapsed = took.nsecsElapsed() / 1000;
        for (int end : {ready[0], ready[1], go[0], go[1]}) {
            close(end);
        }
        return elapsed;
    }

    const QString path_ = TempPath(QStringLiteral("big.hvp"));
    const std::string base_ = Project("Logo", "Copy", "");
    const std::string theirs_ =
        Project("Logo", "Body copy",
                R"(<session start="2026-12-07T09:00:00+01:00" seconds="600" )"
                R"(id="0000000000000000000000000000000a"/>)");
};

TEST_F(MergeKill, AKillDuringAMergeAndItsSaveLeavesTheOtherSaveOrTheMergeWhole) {
    // Unkilled, twice: the merge, and how long it takes.
    const qint64 took = Round(-1);
    const std::string merged = ReadFile(path_);
    ASSERT_NE(merged.find("name=\"Mine\""), std::string::npos) << "this window's rename";
    ASSERT_NE(merged.find("name=\"Body copy\""), std::string::npos) << "the other's rename";
    ASSERT_NE(merged.find("0000000000000000000000000000000a"), std::string::npos);
    Round(-1);
    ASSERT_TRUE(ReadFile(path_) == merged) << "the merge comes out the same every time";

    std::mt19937 random(20261207);
    std::uniform_int_distribution<qint64> moment(0, took + took / 5);
    int keptTheirs = 0;
    int keptMerged = 0;
    for (int round = 0; round < 30; ++round) {
        const qint64 killAfter = moment(random);
        Round(killAfter);
        const std::string onDisk = ReadFile(path_);
        if (onDisk == theirs_) {
            ++keptTheirs;
        } else if (onDisk == merged) {
            ++keptMerged;
        } else {
            ADD_FAILURE() << "killed " << killAfter << " us into the save, the file holds "
                          << onDisk.size() << " bytes of neither";
        }
    }
    // Some kills landed before the new file was in place (the merge itself was seen whole
    // above); how many land after it depends on how busy the machine is.
    EXPECT_GT(keptTheirs, 0) << keptMerged << " merged";
}

}  // namespace
