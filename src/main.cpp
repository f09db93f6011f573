#include <QApplication>
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
            "Horavel, a time tracker for projects and tasks.\n"
            "Opens PROJECT-FILE, or else reloads the last workspace.\n"
            "  --help     show this help and exit\n"
            "  --version  show the version and exit\n",
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

}  // namespace

int main(int argc, char* argv[]) {
    if (AnswerInformationOption(argc, argv)) {
        return 0;
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
