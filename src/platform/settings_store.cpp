#include "platform/settings_store.h"

namespace {
const QString kSection = QStringLiteral("general/");
}

SettingsStore::SettingsStore()
    : settings_(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("horavel"),
                QStringLiteral("horavel")) {}

SettingsStore::SettingsStore(const QString& iniFile) : settings_(iniFile, QSettings::IniFormat) {}

QString SettingsStore::GetSetting(const QString& key, const QString& defaultValue) const {
    return settings_.value(kSection + key, defaultValue).toString();
}

void SettingsStore::SaveSetting(const QString& key, const QString& value) {
    settings_.setValue(kSection + key, value);
}

void SettingsStore::Flush() {
    settings_.sync();
}
