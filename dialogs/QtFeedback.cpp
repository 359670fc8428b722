#include "dialogs/QtFeedback.h"

#include <QMessageBox>

#include "dialogs/CStageProgressDlg.h"
#include "dialogs/QtText.h"

void QtFeedback::showMessage(std::string_view text, MessageIcon icon) {
  QMessageBox box(
      icon == MessageIcon::Information ? QMessageBox::Information : QMessageBox::Warning,
      QStringLiteral("QN"), fromUtf8(text), QMessageBox::Ok, owner_.data());
  box.exec();
}

std::unique_ptr<StageProgress> QtFeedback::openProgress() {
  return std::make_unique<CStageProgressDlg>(owner_.data());
}
