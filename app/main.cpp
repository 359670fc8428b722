// qn: the desktop terrain renderer. Starts the application object and runs the event
// loop until the main window closes.
#include <QApplication>

#include "app/CQnApp.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("QN"));
  QApplication::setOrganizationName(QStringLiteral("Mossgate"));
  // The desktop entry the window belongs to (the task bar takes its icon from there).
  QGuiApplication::setDesktopFileName(QStringLiteral("jp.mossgate.QN"));
  CQnApp qn;
  if (!qn.InitInstance(QApplication::arguments())) return 1;
  return QApplication::exec();
}
