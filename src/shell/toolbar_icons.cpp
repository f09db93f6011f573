#include "shell/toolbar_icons.h"

#include <QApplication>
#include <QStyle>

#include <map>

namespace {

struct IconSource {
    const char* themeName;
    QStyle::StandardPixmap fallback;
};

const std::map<QString, IconSource>& Sources() {
    static const std::map<QString, IconSource> sources = {
        {"loadproject", {"document-open", QStyle::SP_DialogOpenButton}},
        {"saveproject", {"document-save", QStyle::SP_DialogSaveButton}},
        {"saveall", {"document-save-all", QStyle::SP_DriveHDIcon}},
        {"start", {"media-playback-start", QStyle::SP_MediaPlay}},
        {"stop", {"media-playback-stop", QStyle::SP_MediaStop}},
        {"newproject", {"folder-new", QStyle::SP_FileDialogNewFolder}},
        {"newtask", {"document-new", QStyle::SP_FileIcon}},
        {"options", {"preferences-system", QStyle::SP_FileDialogDetailedView}},
        {"remove", {"list-remove", QStyle::SP_TrashIcon}},
        {"up", {"go-up", QStyle::SP_ArrowUp}},
        {"down", {"go-down", QStyle::SP_ArrowDown}},
    };
    return sources;
}

}  // namespace

QIcon ToolbarIcon(const QString& key) {
    const auto found = Sources().find(key);
    if (found == Sources().end()) {
        return {};
    }
    const QIcon fallback = QApplication::style()->standardIcon(found->second.fallback);
    return QIcon::fromTheme(QString::fromLatin1(found->second.themeName), fallback);
}
