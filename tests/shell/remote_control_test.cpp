// The command line a desktop shortcut runs (--status, --start, --stop, --toggle), sent over
// the real single-instance socket to the window, which answers as its timer field reads.
#include <QJsonDocument>
#include <QJsonObject>

#include "model/xml.h"
#include "platform/instance_channel.h"
#include "support/serving.h"
#include "support/window_fixture.h"

namespace {

class RemoteControl : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        ASSERT_TRUE(listening_->Listen());
        listening_->SetCommandHandler(
            [this](const RemoteCommand& command) { return window->AnswerRemoteCommand(command); });
    }
    // What the program started with these arguments would be answered, the window serving
    // the channel meanwhile as its event loop does.
    RemoteAnswer Run(const QStringList& arguments) {
        const CommandLine line = ParseCommandLine(arguments);
        EXPECT_TRUE(line.command) << line.error.toStdString();
        std::optional<RemoteAnswer> answer;
        WhileServing([&] { answer = InstanceChannel(name_).Ask(*line.command); }, 10000);
        EXPECT_TRUE(answer) << "the window did not take the command";
        return answer.value_or(RemoteAnswer{-1, {}});
    }

    const QString name_ = TempPath(QStringLiteral("channel"));
    std::unique_ptr<InstanceChannel> listening_ = std::make_unique<InstanceChannel>(name_);
};

TEST_F(RemoteControl, StartSwitchStatusAndStopAsAShortcutDoes) {
    TreeNode* site = AddProject("Site");
    TreeNode* design = AddTask(site, "Design");
    TreeNode* logo = AddTask(design, "Logo");
    TreeNode* slashed = AddTask(design, "A/B testing");
    XML::ResolvePath(logo->element, "@task_time").setText("1:00:00");

    EXPECT_EQ(Run({"--status"}).text, "Timer stopped");
    RemoteAnswer answer = Run({"--start", "Site/Design/Logo"});
    EXPECT_EQ(answer.exitCode, 0);
    EXPECT_EQ(answer.text, "Timing Logo 1:00:00");
    EXPECT_EQ(window->Timing.TimedNode, logo);
    TickAfter(5);
    EXPECT_EQ(window->ui.lblTimerStatus->text(), "Timing Logo 1:00:05");

    const QJsonObject status =
        QJsonDocument::fromJson(Run({"--status", "--json"}).text.toUtf8()).object();
    EXPECT_EQ(status["running"].toBool(), true);
    EXPECT_EQ(status["name"].toString(), "Logo");
    EXPECT_EQ(status["path"].toVariant().toStringList(), QStringList({"Site", "Design", "Logo"}));
    EXPECT_EQ(status["task_time"].toString(), "1:00:05");
    EXPECT_EQ(status["task_seconds"].toInt(), 3605);

    answer = Run({"--start=Site/Design/A//B testing"});
    EXPECT_EQ(answer.text, "Timing A/B testing 0:00:00");
    EXPECT_EQ(window->Timing.TimedNode, slashed);
    EXPECT_EQ(Text(logo, "@task_time"), "1:00:05") << "switched, the first task's time kept";

    answer = Run({"--stop"});
    EXPECT_EQ(answer.exitCode, 0);
    EXPECT_EQ(answer.text, "Timer stopped");
    EXPECT_FALSE(window->Timing.TimerRunning);
    EXPECT_EQ(Run({"--status", "--json"}).text,
              R"({"name":null,"path":null,"running":false,"task_seconds":null,"task_time":null})");
}

TEST_F(RemoteControl, PathsThatNameNoTaskOrSeveralAreRefusedAndNothingStarts) {
    TreeNode* site = AddProject("Site");
    AddTask(site, "Design");
    AddTask(site, "Design");
    for (const char* path :
         {"Site/Design", "Site/Hosting", "Site/Design/Logo", "Site//Design", "Site/", ""}) {
        const RemoteAnswer answer = Run({"--start", path});
        EXPECT_EQ(answer.exitCode, 2) << path;
        EXPECT_FALSE(answer.text.isEmpty()) << path;
    }
    EXPECT_TRUE(Run({"--start", "Site/Design"}).text.startsWith("2 tasks are at"));
    EXPECT_FALSE(window->Timing.TimerRunning);
}

TEST_F(RemoteControl, ToggleActsOnTheSelectedNodeAndSaysWhenThereIsNone) {
    EXPECT_EQ(Run({"--toggle"}).exitCode, 2) << "an empty tree";
    TreeNode* site = AddProject("Site");
    ClickNode(site);
    EXPECT_EQ(Run({"--toggle"}).text, "Timing Site 0:00:00");
    EXPECT_EQ(Run({"--toggle"}).text, "Timer stopped");
}

TEST(CommandLine, UsageErrorsAreNamedAndFilesStillOpenTheWindow) {
    for (const QStringList& wrong : {QStringList{"--start"}, QStringList{"--stop", "--toggle"},
                                     QStringList{"--json"}, QStringList{"--stop", "a.hvp"}}) {
        const CommandLine line = ParseCommandLine(wrong);
        EXPECT_FALSE(line.command);
        EXPECT_FALSE(line.error.isEmpty()) << wrong.join(' ').toStdString();
    }
    const CommandLine files = ParseCommandLine({"a.hvp"});
    EXPECT_FALSE(files.command);
    EXPECT_TRUE(files.error.isEmpty());
    EXPECT_EQ(SplitTaskPath("a//b/c"), QStringList({"a/b", "c"}));
}

}  // namespace
