#pragma once
// The program's settings: the keys, their text forms and defaults, and the reading rules.

#include <QString>

#include <optional>

#include "platform/settings_store.h"
#include "tree/caption.h"

namespace SettingKey {
inline const QString TT_ShowTime = QStringLiteral("TT_ShowTime");
inline const QString TT_ShowTotalTime = QStringLiteral("TT_ShowTotalTime");
inline const QString TT_ShowSec = QStringLiteral("TT_ShowSec");
inline const QString AutoSaveWS = QStringLiteral("AutoSaveWS");
inline const QString AutoLoadWS = QStringLiteral("AutoLoadWS");
inline const QString TrayIcon = QStringLiteral("TrayIcon");
inline const QString LastWorkspace = QStringLiteral("lastws");
inline const QString SplitterPosition = QStringLiteral("frm_split");
inline const QString IdleMinutes = QStringLiteral("IdleMinutes");
}  // namespace SettingKey

// A stored boolean: "true" or "false" in any letter case, or a decimal number (zero is
// false); any other text yields `fallback`.
bool ParseBoolSetting(const QString& text, bool fallback);
// The text a boolean is stored as: "True" or "False".
QString BoolSettingText(bool value);

bool ReadBoolSetting(const SettingsStore& store, const QString& key, bool defaultValue);
void WriteBoolSetting(SettingsStore& store, const QString& key, bool value);

// The three display flags, each with its own default (no time, total time, h:mm).
DisplayFlags ReadDisplayFlags(const SettingsStore& store);

// Whether start-up reloads the last workspace: only the exact text "True" (or the absent
// key) counts; "true" in lower case does not.
bool AutoLoadWorkspaceAtStart(const SettingsStore& store);
// On exit, save the workspace without asking first (default on).
bool AutoSaveWorkspace(const SettingsStore& store);
// Show the icon in the tray (default on).
bool TrayIconWanted(const SettingsStore& store);

// The leading decimal number of a text ("3900", " 12.5cm" -> 12.5); 0 when there is none.
double LeadingNumber(const QString& text);
// The splitter's stored left edge in twips; none before one was first stored.
std::optional<double> ReadSplitterPosition(const SettingsStore& store);
void WriteSplitterPosition(SettingsStore& store, double twips);

// Minutes without keyboard or mouse input after which timed time is asked about (default
// 15, 0 for never), within 0 to 1440.
int ReadIdleMinutes(const SettingsStore& store);
void WriteIdleMinutes(SettingsStore& store, int minutes);
constexpr int kMaxIdleMinutes = 1440;

// The workspace file to reload at start, possibly empty.
QString ReadLastWorkspace(const SettingsStore& store);
void WriteLastWorkspace(SettingsStore& store, const QString& path);
