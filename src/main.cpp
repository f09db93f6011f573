#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>
#include <cstring>

#include "platform/instance_channel.h"
#include "platform/platform.h"
#include "platform/termination_requests.h"
#include "shell/app_icon.h"
#include "shell/frm_main.h"

namespace {

// --help and --version answer without a display, as command-line programs do.
bool AnswerInformationOption(int argc, char* argv[]) {
    if (argc < 2) {
        return false;
    }
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        std::fputs(
            "Usage: horavel [PROJECT-FILE]\n"
            "       horavel --status [--json] | --start TASK-PATH | --stop | --toggle\n"
            "Horavel, a time tracker for projects and tasks.\n"
            "Opens PROJECT-FILE, or else reloads the last workspace.\n"
            "The commands drive the window already running, as a desktop shortcut can:\n"
            "  --status            print what the timer does (--json: as one JSON object)\n"
            "  --start TASK-PATH   time the task at TASK-PATH, the names from the project\n"
            "                      down with / between them (// for a / in a name)\n"
            "  --stop              stop the timer\n"
            "  --toggle            start or stop the timer on the selected task\n"
            "  --help              show this help and exit\n"
            "  --version           show the version and exit\n"
            "Exit status: 0 done, 1 Horavel is not running, 2 the command was refused.\n",
            stdout);
        return true;
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        std::printf("horavel %d.%d.%d\n", HORAVEL_VERSION_MAJOR, HORAVEL_VERSION_MINOR,
                    HORAVEL_VERSION_PATCH);
        return true;
    }
    return false;
}

// Sends a command to the window running and prints its answer; starts nothing.
int SendCommand(int argc, char* argv[], const RemoteCommand& command) {
    QCoreApplication app(argc, argv);
    InstanceChannel channel(InstanceChannel::DefaultName());
    const std::optional<RemoteAnswer> answer = channel.Ask(command);
    if (!answer) {
        std::fputs("Horavel is not running\n", stderr);
        return kExitNotRunning;
    }
    const QByteArray text = answer->text.toUtf8() + '\n';
    std::fputs(text.constData(), answer->exitCode == 0 ? stdout : stderr);
    return answer->exitCode;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (AnswerInformationOption(argc, argv)) {
        return 0;
    }
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    const CommandLine line = ParseCommandLine(arguments);
    if (!line.error.isEmpty()) {
        std::fprintf(stderr, "horavel: %s\n", line.error.toLocal8Bit().constData());
        return kExitRefused;
    }
    if (line.command) {
        return SendCommand(argc, argv, *line.command);
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("horavel"));
    QApplication::setOrganizationName(QStringLiteral("horavel"));
    QApplication::setWindowIcon(AppIcon());
    // Lets task bars match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QString::fromLatin1(kDesktopAppId));
    // A second start hands its file to the window already open and ends.
    QStringList files;
    for (const QString& argument : QApplication::arguments().mid(1)) {
        files << QFileInfo(argument).absoluteFilePath();
    }
    InstanceChannel channel(InstanceChannel::DefaultName());
    if (channel.HandOver(files)) {
        return 0;
    }
    channel.Listen();
    frmMain window(MakeQtPlatform());
    QObject::connect(&channel, &InstanceChannel::FilesHandedOver, &window,
                     &frmMain::OpenHandedOverFiles);
    channel.SetCommandHandler(
        [&window](const RemoteCommand& command) { return window.AnswerRemoteCommand(command); });
    // The session or the system ending the program asks nothing, as a logout does.
    TerminationRequests termination;
    QObject::connect(&termination, &TerminationRequests::Requested, &window, [&window] {
        window.SessionCommitData();
        window.close();
    });
    window.Form_Load(QApplication::arguments().mid(1));
    window.show();
    return QApplication::exec();
}
