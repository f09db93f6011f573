// The icon compiled into the program: one drawing per size that the desktop installs, and
// the same id as the installed menu entry.
#include "shell/app_icon.h"

#include <QImage>
#include <QPixmap>
#include <QString>

#include <gtest/gtest.h>

namespace {

constexpr int kInstalledSizes[] = {HORAVEL_ICON_SIZES};

QImage Drawing(int size) {
    return QImage(QStringLiteral(":/icons/horavel-%1.png").arg(size));
}

TEST(AppIcon, CarriesADrawingOfEachInstalledSize) {
    const QIcon icon = AppIcon();
    ASSERT_FALSE(icon.isNull());
    for (const int size : kInstalledSizes) {
        SCOPED_TRACE(size);
        EXPECT_TRUE(icon.availableSizes().contains(QSize(size, size)));
        // Loading the resource directly proves it is linked in and drawn at its own size,
        // not scaled from a neighbour.
        EXPECT_EQ(Drawing(size).size(), QSize(size, size));
        EXPECT_FALSE(icon.pixmap(size).isNull());
    }
}

TEST(AppIcon, DesktopIdMatchesTheInstalledFiles) {
    EXPECT_STREQ(kDesktopAppId, HORAVEL_APP_ID);
}

}  // namespace
