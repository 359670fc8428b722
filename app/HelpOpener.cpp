#include "app/HelpOpener.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>

#include "base/InstallPaths.h"
#include "dialogs/QtText.h"
#include "engine/StageProgress.h"

namespace {

constexpr std::string_view kCannotOpenHelp = "ヘルプを開けません";

void showCannotOpen(UserFeedback* messages) {
  if (messages) {
    messages->showMessage(kCannotOpenHelp);
    return;
  }
  QMessageBox::warning(QApplication::activeWindow(), QStringLiteral("QN"),
                       QString::fromUtf8(kCannotOpenHelp.data(), kCannotOpenHelp.size()));
}

}  // namespace

bool openUrlWithSystem(const QUrl& url) { return QDesktopServices::openUrl(url); }

QString helpPagePath(const QString& programDir) {
  // Beside the program in a build tree; in the data folder once installed.
  const QString beside = QDir(programDir).filePath(QStringLiteral("help/help.htm"));
  if (QFileInfo(beside).isFile()) return beside;
  const QString installed =
      QDir(programDir).filePath(fromUtf8(kDataFromPrograms) + QStringLiteral("/help/help.htm"));
  return QFileInfo(installed).isFile() ? QDir::cleanPath(installed) : beside;
}

bool openHelpPage(const QString& programDir, UrlOpener opener, UserFeedback* messages) {
  QString page = helpPagePath(programDir);
  // Some handlers report success for a missing file and then show an error of their own;
  // a missing page is reported here instead.
  if (!QFileInfo(page).isFile() || !opener || !opener(QUrl::fromLocalFile(page))) {
    showCannotOpen(messages);
    return false;
  }
  return true;
}
