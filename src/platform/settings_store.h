#pragma once
// The per-user settings: text values under section "general" of the application "horavel".

#include <QSettings>
#include <QString>

class SettingsStore {
  public:
    // The person's own store (~/.config/horavel/horavel.conf).
    SettingsStore();
    // A store in the given INI file, for tests.
    explicit SettingsStore(const QString& iniFile);

    // The stored text, or the default when the key is absent.
    QString GetSetting(const QString& key, const QString& defaultValue) const;
    void SaveSetting(const QString& key, const QString& value);
    // Written to disk now rather than at some later point.
    void Flush();

  private:
    QSettings settings_;
};
