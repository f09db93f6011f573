#pragma once
// The product's web page, the one address that both "Web Page" in the about dialog and
// the Help menu's "&Webpage" open.

#include <QUrl>

#include "platform/web_opener.h"

QUrl WebPageAddress();

// Opens the web page in the person's browser; returns at once, a failure stays silent.
void OpenWebPage(WebOpener& web);
