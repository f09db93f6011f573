#include "tracking/held_time.h"

#include <QStringList>

#include <cmath>

#include "model/time_text.h"

namespace {

// "17:02" for a time of day given in seconds since midnight.
QString TimeOfDay(double seconds) {
    const auto minutes = static_cast<long>(std::floor(std::fmod(seconds + 86400, 86400) / 60));
    return QStringLiteral("%1:%2")
        .arg(minutes / 60, 2, 10, QChar('0'))
        .arg(minutes % 60, 2, 10, QChar('0'));
}

}  // namespace

QString HeldTimeQuestion(const HeldTime& held) {
    const QString span =
        QStringLiteral("from %1 to %2 (%3) while timing '%4'")
            .arg(TimeOfDay(held.fromWall), TimeOfDay(held.toWall),
                 QString::fromStdString(Module1::FormatTime(held.seconds, true)), held.name);
    if (held.kind == HeldTime::Kind::Gap) {
        return QStringLiteral("The computer was asleep %1. Book this time?").arg(span);
    }
    return QStringLiteral("There was no keyboard or mouse input %1. Keep this time?").arg(span);
}

QStringList HeldTimeButtons(HeldTime::Kind kind) {
    if (kind == HeldTime::Kind::Gap) {
        return {QStringLiteral("Book"), QStringLiteral("Discard")};
    }
    return {QStringLiteral("Keep"), QStringLiteral("Discard"), QStringLiteral("Discard and Stop")};
}
