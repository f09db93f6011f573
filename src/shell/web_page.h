#pragma once
// The product's web page, the one address that both "Web Page" in the about dialog and
// the Help menu's "&Webpage" open.

#include <QUrl>

#include "platform/web_opener.h"

// The user guide installed with the program (share/horavel/user-guide.html beside the
// folder of the program), as a file address; the project's site when it is not there.
QUrl WebPageAddress();

// Where the installed user guide is for a program in `programFolder`; "" when it is not.
QString InstalledUserGuide(const QString& programFolder);

// Opens the web page in the person's browser; returns at once, a failure stays silent.
void OpenWebPage(WebOpener& web);
