// The toolbar and tree-bar images as the bars show them: all the same size, and each one
// plainly visible on a light and on a dark toolbar.
#include <QImage>
#include <QPainter>

#include "support/window_fixture.h"

namespace {

using ToolbarImages = WindowTest;

// The share of the image's pixels that stand out clearly from the background.
double VisibleShare(const QIcon& icon, const QSize& size, const QColor& background) {
    QImage image(size, QImage::Format_ARGB32);
    image.fill(background);
    QPainter painter(&image);
    icon.paint(&painter, image.rect());
    painter.end();
    int visible = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            const int contrast = std::abs(pixel.lightness() - background.lightness()) +
                                 std::abs(pixel.hslSaturation() - background.hslSaturation());
            visible += contrast > 60 ? 1 : 0;
        }
    }
    return double(visible) / (size.width() * size.height());
}

TEST_F(ToolbarImages, EveryImageShowsOnLightAndDarkBars) {
    std::vector<std::pair<QAction*, QSize>> buttons;
    for (const char* key : {"loadproject", "saveproject", "saveall", "toggletimer", "newproject",
                            "newtask", "options"}) {
        buttons.emplace_back(window->ToolbarButton(key), window->ui.Toolbar1->iconSize());
    }
    for (const char* key : {"remove", "newproject", "newtask", "down", "up"}) {
        buttons.emplace_back(window->TreeBarButton(key), window->ui.TreeBar->iconSize());
    }
    for (const auto& [button, size] : buttons) {
        const std::string name = button->objectName().toStdString();
        EXPECT_EQ(button->icon().actualSize(size), size) << name << ": drawn to the full size";
        for (const QColor background : {QColor(0xef, 0xef, 0xef), QColor(0x2a, 0x2e, 0x32)}) {
            EXPECT_GE(VisibleShare(button->icon(), size, background), 0.15)
                << name << " on " << background.name().toStdString();
        }
    }
}

}  // namespace
