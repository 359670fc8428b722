#include "dialogs/QtFeedback.h"

#include <QMessageBox>

#include "dialogs/CStageProgressDlg.h"

void QtFeedback::showMessage(std::string_view text, MessageIcon icon) {
  QMessageBox box(
      icon == MessageIcon::Information ? QMessageBox::Information : QMessageBox::Warning,
      QStringLiteral("QN"), QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
      QMessageBox::Ok, owner_.data());
  box.exec();
}

std::unique_ptr<StageProgress> QtFeedback::openProgress() {
  return std::make_unique<CStageProgressDlg>(owner_.data());
}
