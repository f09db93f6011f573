#include "shell/web_page.h"

namespace {
// The one place the address lives.
constexpr char kWebPage[] = "https://horavel.example.org/";
}  // namespace

QUrl WebPageAddress() {
    return QUrl(QString::fromLatin1(kWebPage));
}

void OpenWebPage(WebOpener& web) {
    web.Open(WebPageAddress());
}
