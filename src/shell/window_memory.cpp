#include "shell/window_memory.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStatusBar>
#include <QStringList>

#include <algorithm>

#include "shell/frm_main.h"

QString WindowGeometryText(const QRect& rect) {
    return QStringLiteral("%1,%2,%3,%4")
        .arg(rect.x())
        .arg(rect.y())
        .arg(rect.width())
        .arg(rect.height());
}

std::optional<QRect> FitWindowGeometry(const QString& stored, const QRect& available) {
    const QStringList parts = stored.split(QLatin1Char(','));
    if (parts.size() != 4 || available.isEmpty()) {
        return std::nullopt;
    }
    int values[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        values[i] = parts[i].trimmed().toInt(&ok);
        if (!ok) {
            return std::nullopt;
        }
    }
    if (values[2] <= 0 || values[3] <= 0) {
        return std::nullopt;
    }
    const int width = std::min(values[2], available.width());
    const int height = std::min(values[3], available.height());
    const int x = std::clamp(values[0], available.left(), available.right() + 1 - width);
    const int y = std::clamp(values[1], available.top(), available.bottom() + 1 - height);
    return QRect(x, y, width, height);
}

QSize FirstStartSize(const QSize& designed, const QSize& available) {
    // Room for a tree of three levels with names of a dozen letters beside the pane.
    const QSize roomy(860, 600);
    QSize size = designed.expandedTo(roomy);
    if (!available.isEmpty()) {
        size = size.boundedTo(available);
    }
    return size;
}

void frmMain::RestoreWindowGeometry() {
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    // What is set here is the inside of the window: room is left for the window manager's
    // title bar and borders, which are not known before the window is shown (on a small
    // screen at 200% the frame alone would push the window off it).
    const QMargins frameRoom(4, 32, 4, 4);
    const QRect available = screen ? screen->availableGeometry() - frameRoom : QRect();
    const std::optional<QRect> stored = FitWindowGeometry(
        platform_.settings->GetSetting(SettingKey::WindowGeometry, QString()), available);
    if (stored) {
        setGeometry(*stored);
    } else {
        resize(FirstStartSize(size(), available.size()));
    }
}

void frmMain::StoreWindowGeometry() {
    const QRect rect = isMaximized() || isFullScreen() ? normalGeometry() : geometry();
    platform_.settings->SaveSetting(SettingKey::WindowGeometry, WindowGeometryText(rect));
}
