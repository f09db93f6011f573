#include "shell/app_icon.h"

#include <QString>

namespace {

constexpr int kIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

}  // namespace

// The resource file lives in a static library; nothing else there refers to its
// registration code, so the linker would drop it unless it is called by name. Outside the
// namespace because Q_INIT_RESOURCE declares the function where it is used.
static void RegisterResources() {
    static const bool registered = [] {
        Q_INIT_RESOURCE(resources);
        return true;
    }();
    (void)registered;
}

QIcon AppIcon() {
    RegisterResources();
    QIcon icon;
    for (const int size : kIconSizes) {
        icon.addFile(QStringLiteral(":/icons/horavel-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}
