#pragma once
// The window's size and place, kept from one run to the next.

#include <QRect>
#include <QString>

#include <optional>

#include "platform/settings_store.h"

namespace SettingKey {
inline const QString WindowGeometry = QStringLiteral("WindowGeometry");
}  // namespace SettingKey

// The text a window rectangle is stored as: "x,y,width,height" in pixels.
QString WindowGeometryText(const QRect& rect);

// A stored rectangle brought inside `available` (the free area of the screen): too large
// shrinks to fit, outside moves in. None when the text is not four whole numbers with a
// positive size, or `available` is empty.
std::optional<QRect> FitWindowGeometry(const QString& stored, const QRect& available);

// The size of the first start: the designed size or more, wide enough for names three
// levels deep in the tree, and never larger than `available`.
QSize FirstStartSize(const QSize& designed, const QSize& available);
