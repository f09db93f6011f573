#include "shell/settings.h"

#include <algorithm>

#include <QRegularExpression>

#include <cmath>

namespace {

// Optional sign, digits with an optional fraction (or a bare fraction), optional exponent.
const QString kNumber = QStringLiteral(R"([+-]?(?:\d+\.?\d*|\.\d+)(?:[eE][+-]?\d+)?)");

}  // namespace

bool ParseBoolSetting(const QString& text, bool fallback) {
    const QString word = text.trimmed();
    if (word.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0) {
        return true;
    }
    if (word.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0) {
        return false;
    }
    static const QRegularExpression number(QRegularExpression::anchoredPattern(kNumber));
    if (number.match(word).hasMatch()) {
        return word.toDouble() != 0.0;
    }
    return fallback;
}

QString BoolSettingText(bool value) {
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

bool ReadBoolSetting(const SettingsStore& store, const QString& key, bool defaultValue) {
    return ParseBoolSetting(store.GetSetting(key, BoolSettingText(defaultValue)), defaultValue);
}

void WriteBoolSetting(SettingsStore& store, const QString& key, bool value) {
    store.SaveSetting(key, BoolSettingText(value));
}

DisplayFlags ReadDisplayFlags(const SettingsStore& store) {
    DisplayFlags flags;
    flags.TT_ShowTime = ReadBoolSetting(store, SettingKey::TT_ShowTime, false);
    flags.TT_ShowTotalTime = ReadBoolSetting(store, SettingKey::TT_ShowTotalTime, true);
    flags.TT_ShowSec = ReadBoolSetting(store, SettingKey::TT_ShowSec, false);
    return flags;
}

bool AutoLoadWorkspaceAtStart(const SettingsStore& store) {
    return store.GetSetting(SettingKey::AutoLoadWS, QStringLiteral("True")) ==
           QLatin1String("True");
}

bool AutoSaveWorkspace(const SettingsStore& store) {
    return ReadBoolSetting(store, SettingKey::AutoSaveWS, true);
}

bool TrayIconWanted(const SettingsStore& store) {
    return ReadBoolSetting(store, SettingKey::TrayIcon, true);
}

double LeadingNumber(const QString& text) {
    static const QRegularExpression leading(QStringLiteral(R"(^\s*)") + u'(' + kNumber + u')');
    const QRegularExpressionMatch match = leading.match(text);
    if (!match.hasMatch()) {
        return 0;
    }
    const double value = match.captured(1).toDouble();
    // "1e999" overflows; an endless position is no position.
    return std::isfinite(value) ? value : 0;
}

std::optional<double> ReadSplitterPosition(const SettingsStore& store) {
    const QString stored = store.GetSetting(SettingKey::SplitterPosition, QString());
    if (stored.isEmpty()) {
        return std::nullopt;
    }
    return LeadingNumber(stored);
}

void WriteSplitterPosition(SettingsStore& store, double twips) {
    store.SaveSetting(SettingKey::SplitterPosition, QString::number(twips, 'g', 12));
}

int ReadIdleMinutes(const SettingsStore& store) {
    bool ok = false;
    const int minutes = store.GetSetting(SettingKey::IdleMinutes, QStringLiteral("15")).toInt(&ok);
    return ok ? std::clamp(minutes, 0, kMaxIdleMinutes) : 15;
}

void WriteIdleMinutes(SettingsStore& store, int minutes) {
    store.SaveSetting(SettingKey::IdleMinutes, QString::number(minutes));
}

QString ReadLastWorkspace(const SettingsStore& store) {
    return store.GetSetting(SettingKey::LastWorkspace, QString());
}

void WriteLastWorkspace(SettingsStore& store, const QString& path) {
    store.SaveSetting(SettingKey::LastWorkspace, path);
}
