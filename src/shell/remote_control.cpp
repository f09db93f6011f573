// The commands of a desktop shortcut or a script (--status, --start, --stop, --toggle),
// answered by the running window over the single-instance channel.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "model/time_text.h"
#include "shell/command_guard.h"
#include "shell/frm_main.h"
#include "shell/timing_status.h"
#include "tree/task_path.h"

namespace {

RemoteAnswer Refused(const QString& reason) {
    return {kExitRefused, reason};
}

}  // namespace

RemoteAnswer frmMain::AnswerRemoteCommand(const RemoteCommand& command) {
    switch (command.verb) {
        case RemoteCommand::Verb::Status:
            break;
        case RemoteCommand::Verb::Start:
            if (RemoteAnswer refused = StartTimingAt(command.taskPath); refused.exitCode != 0) {
                return refused;
            }
            break;
        case RemoteCommand::Verb::Stop:
            StopTimer();
            break;
        case RemoteCommand::Verb::Toggle:
            if (!Timing.TimerRunning && SelectedNode() == nullptr) {
                return Refused(WhyCommandCannotAct(NodeCommand::StartTimer,
                                                   ui.Tree->topLevelItemCount() == 0, false));
            }
            ToggleTimer();
            break;
    }
    return TimingStatusAnswer(command.json);
}

RemoteAnswer frmMain::StartTimingAt(const QString& taskPath) {
    const QStringList names = SplitTaskPath(taskPath);
    if (names.isEmpty()) {
        return Refused(QStringLiteral("\"%1\" is no task path: names go from the project "
                                      "down, with / between them and // for a / in a name")
                           .arg(taskPath));
    }
    const std::vector<TreeNode*> nodes = NodesAtNamePath(*ui.Tree, names);
    if (nodes.empty()) {
        return Refused(QStringLiteral("No open project has a task at \"%1\"").arg(taskPath));
    }
    if (nodes.size() > 1) {
        return Refused(QStringLiteral("%1 tasks are at \"%2\": rename one to tell them apart")
                           .arg(nodes.size())
                           .arg(taskPath));
    }
    TreeNode* node = nodes.front();
    if (!Timing.TimerRunning || Timing.TimedNode != node) {
        ui.Tree->setCurrentItem(node);
        Timing.TimerRunning ? SwitchTimer() : ToggleTimer();
    }
    return {};
}

RemoteAnswer frmMain::TimingStatusAnswer(bool json) const {
    const TreeNode* timed = Timing.TimerRunning ? Timing.TimedNode : nullptr;
    const bool running = timed != nullptr && timed->element;
    const QString name = running ? NodeString(timed, "@name") : QString();
    const QString taskTime = running ? NodeString(timed, "@task_time") : QString();
    if (!json) {
        return {0, TimerFieldText(running ? TimingSummary(name, taskTime) : QString())};
    }
    QJsonObject status{{QStringLiteral("running"), running}};
    if (running) {
        status[QStringLiteral("name")] = name;
        status[QStringLiteral("path")] = QJsonArray::fromStringList(NamePathOf(timed));
        status[QStringLiteral("task_time")] = taskTime;
        try {
            status[QStringLiteral("task_seconds")] = Module1::ParseTime(taskTime.toStdString());
        } catch (const Module1::TimeOverflow&) {
            status[QStringLiteral("task_seconds")] = QJsonValue::Null;
        }
    } else {
        for (const char* key : {"name", "path", "task_time", "task_seconds"}) {
            status[QLatin1String(key)] = QJsonValue::Null;
        }
    }
    return {0, QString::fromUtf8(QJsonDocument(status).toJson(QJsonDocument::Compact))};
}
