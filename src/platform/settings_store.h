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
    // Where the store lives.
    QString fileName() const { return settings_.fileName(); }

  private:
    QSettings settings_;
};

// The INI dialect of the store, exposed for its tests. Qt's own INI writer spells a group
// named "general" as "[%General]" and reads "[general]" as no group at all, so the store
// reads and writes its file itself: "[section]" headers as written, "key=value" lines,
// section names matched in any letter case, ';' and '#' lines as comments. In values a
// backslash escapes "\\", "\n", "\r" and "\0"; a value with a leading or trailing blank, or
// one that begins with a double quote, is written between double quotes.
bool ReadSettingsText(QIODevice& device, QSettings::SettingsMap& map);
bool WriteSettingsText(QIODevice& device, const QSettings::SettingsMap& map);
