#include "platform/settings_store.h"

#include <QIODevice>
#include <QStringList>

namespace {

const QString kSection = QStringLiteral("general/");

QString EscapeValue(const QString& value) {
    QString escaped;
    escaped.reserve(value.size());
    for (const QChar c : value) {
        if (c == u'\\') {
            escaped += QStringLiteral("\\\\");
        } else if (c == u'\n') {
            escaped += QStringLiteral("\\n");
        } else if (c == u'\r') {
            escaped += QStringLiteral("\\r");
        } else if (c == QChar(0)) {
            escaped += QStringLiteral("\\0");
        } else {
            escaped += c;
        }
    }
    const bool blankAtEdge =
        !value.isEmpty() && (value.front().isSpace() || value.back().isSpace());
    if (blankAtEdge || value.startsWith(u'"')) {
        return u'"' + escaped + u'"';
    }
    return escaped;
}

// A backslash before anything but the four escapes stays as it is, so a hand-written
// path with a backslash in it reads back unchanged.
QString UnescapeValue(QString value) {
    if (value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"')) {
        value = value.mid(1, value.size() - 2);
    }
    QString plain;
    plain.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar next = i + 1 < value.size() ? value[i + 1] : QChar();
        if (value[i] != u'\\' || next.isNull()) {
            plain += value[i];
            continue;
        }
        if (next == u'\\') {
            plain += u'\\';
        } else if (next == u'n') {
            plain += u'\n';
        } else if (next == u'r') {
            plain += u'\r';
        } else if (next == u'0') {
            plain += QChar(0);
        } else {
            plain += value[i];
            continue;
        }
        ++i;
    }
    return plain;
}

void WriteLine(QIODevice& device, const QString& line) {
    device.write(line.toUtf8());
    device.write("\n");
}

QSettings::Format StoreFormat() {
    static const QSettings::Format format =
        QSettings::registerFormat(QStringLiteral("conf"), ReadSettingsText, WriteSettingsText);
    return format;
}

}  // namespace

bool ReadSettingsText(QIODevice& device, QSettings::SettingsMap& map) {
    QString group;
    const QStringList lines = QString::fromUtf8(device.readAll()).split(u'\n');
    for (const QString& raw : lines) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#')) {
            continue;
        }
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            const QString name = line.mid(1, line.size() - 2).trimmed().toLower();
            group = name.isEmpty() ? QString() : name + u'/';
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (equals <= 0) {
            continue;  // not a setting; a person may have typed anything here
        }
        map.insert(group + line.left(equals).trimmed(),
                   UnescapeValue(line.mid(equals + 1).trimmed()));
    }
    return true;
}

bool WriteSettingsText(QIODevice& device, const QSettings::SettingsMap& map) {
    // Keys without a section must precede every header, so they go first; the others come
    // sorted, which keeps a section's keys together.
    for (auto entry = map.cbegin(); entry != map.cend(); ++entry) {
        if (!entry.key().contains(u'/')) {
            WriteLine(device, entry.key() + u'=' + EscapeValue(entry.value().toString()));
        }
    }
    QString currentGroup;
    for (auto entry = map.cbegin(); entry != map.cend(); ++entry) {
        const qsizetype slash = entry.key().lastIndexOf(u'/');
        if (slash < 0) {
            continue;
        }
        const QString group = entry.key().left(slash);
        if (group != currentGroup) {
            WriteLine(device, u'[' + group + u']');
            currentGroup = group;
        }
        WriteLine(device,
                  entry.key().mid(slash + 1) + u'=' + EscapeValue(entry.value().toString()));
    }
    return true;
}

SettingsStore::SettingsStore()
    : settings_(StoreFormat(), QSettings::UserScope, QStringLiteral("horavel"),
                QStringLiteral("horavel")) {}

SettingsStore::SettingsStore(const QString& iniFile) : settings_(iniFile, StoreFormat()) {}

QString SettingsStore::GetSetting(const QString& key, const QString& defaultValue) const {
    return settings_.value(kSection + key, defaultValue).toString();
}

void SettingsStore::SaveSetting(const QString& key, const QString& value) {
    settings_.setValue(kSection + key, value);
}

void SettingsStore::Flush() {
    settings_.sync();
}
