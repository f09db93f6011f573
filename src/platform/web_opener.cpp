#include "platform/web_opener.h"

#include <QDesktopServices>

void QtWebOpener::Open(const QUrl& address) {
    QDesktopServices::openUrl(address);
}
