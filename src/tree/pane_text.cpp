#include "tree/pane_text.h"

namespace {

bool IsForbidden(QChar c) {
    const char16_t code = c.unicode();
    if (code == 0xFFFE || code == 0xFFFF) {
        return true;
    }
    if (code >= 0x20) {
        return false;
    }
    return code != u'\t' && code != u'\n' && code != u'\r';
}

}  // namespace

QString WithoutForbiddenControls(QString text) {
    for (QChar& c : text) {
        if (IsForbidden(c)) {
            c = QLatin1Char(' ');
        }
    }
    return text;
}

QString LineEndOf(const QString& stored) {
    const qsizetype pairs = stored.count(QStringLiteral("\r\n"));
    const qsizetype returns = stored.count(QLatin1Char('\r'));
    const qsizetype feeds = stored.count(QLatin1Char('\n'));
    if (pairs > 0 && pairs == returns && pairs == feeds) {
        return QStringLiteral("\r\n");
    }
    if (returns > 0 && feeds == 0) {
        return QStringLiteral("\r");
    }
    return QStringLiteral("\n");
}

QString ForField(const QString& stored) {
    QString text = stored;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

QString FromField(QString fieldText, const QString& lineEnd) {
    if (lineEnd != QLatin1String("\n")) {
        fieldText.replace(QLatin1Char('\n'), lineEnd);
    }
    return fieldText;
}

QValidator::State XmlTextValidator::validate(QString& input, int& /*position*/) const {
    input = WithoutForbiddenControls(input);
    return Acceptable;
}
