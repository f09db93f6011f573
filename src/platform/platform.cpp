#include "platform/platform.h"

#include <QStandardPaths>

#include "platform/qt_file_dialog.h"
#include "platform/qt_tray.h"

Platform MakeQtPlatform() {
    Platform platform;
    platform.prompter = std::make_unique<QtPrompter>();
    platform.fileDialog = std::make_unique<QtFileDialog>();
    platform.clock = std::make_unique<SystemClock>();
    platform.random = std::make_unique<SystemRandom>();
    platform.menus = std::make_unique<QtMenuPopper>();
    platform.tray = std::make_unique<QtTray>();
    platform.web = std::make_unique<QtWebOpener>();
    platform.settings = std::make_unique<SettingsStore>();
    platform.recoveryFolder =
        QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) +
        QStringLiteral("/recovery");
    platform.questions = std::make_unique<QtQuestioner>(QStringLiteral("Horavel"));
    platform.idle = std::make_unique<DesktopIdleSource>();
    platform.printDialog = std::make_unique<QtPrintDialog>();
    return platform;
}
