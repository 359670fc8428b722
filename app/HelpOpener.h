#pragma once
// Opening the user's guide: the page "help/help.htm" in the program's folder (a build tree)
// or in the installed data folder ("<prefix>/share/qn/help/help.htm"), handed to
// the system's handler for HTML files. Only finds and opens the page; the menu command
// and the program folder come from the caller.

#include <QString>
#include <QUrl>
#include <functional>

class UserFeedback;

// Hands a URL to whatever shows it; true when that succeeded. The program uses
// QDesktopServices::openUrl, the tests a recorder.
using UrlOpener = std::function<bool(const QUrl&)>;

// The system's handler (QDesktopServices::openUrl).
bool openUrlWithSystem(const QUrl& url);

// "<programDir>/help/help.htm" when it exists, else the installed page beside
// "<programDir>/../share/qn" when that exists, else the first (which then is missing).
QString helpPagePath(const QString& programDir);

// Opens the help page of the program in programDir. When the page is missing or the
// opener fails, shows "ヘルプを開けません" (through messages, or a message box when null)
// and returns false.
bool openHelpPage(const QString& programDir, UrlOpener opener = openUrlWithSystem,
                  UserFeedback* messages = nullptr);
