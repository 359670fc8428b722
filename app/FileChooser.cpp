#include "app/FileChooser.h"

#include <QFileDialog>

namespace {

std::optional<QString> runDialog(QWidget* parent, const FileDialogSpec& spec,
                                 QFileDialog::AcceptMode mode) {
  QFileDialog dialog(parent, spec.title);
  dialog.setAcceptMode(mode);
  dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                     : QFileDialog::AnyFile);
  dialog.setNameFilters(spec.filters);
  dialog.setDefaultSuffix(spec.defaultSuffix);
  // Qt's save dialog asks before overwriting an existing file; answering no returns to it.
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().constFirst();
}

}  // namespace

std::optional<QString> DialogFileChooser::chooseOpenFile(const FileDialogSpec& spec) {
  return runDialog(parent_, spec, QFileDialog::AcceptOpen);
}

std::optional<QString> DialogFileChooser::chooseSaveFile(const FileDialogSpec& spec) {
  return runDialog(parent_, spec, QFileDialog::AcceptSave);
}
