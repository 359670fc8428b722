#include "app/FileChooser.h"

#include <QFileDialog>

#include "dialogs/CMeshExportDlg.h"
#include "dialogs/QtFeedback.h"
#include "dialogs/QtText.h"

namespace {

std::optional<QString> runDialog(QWidget* parent, const FileDialogRequest& request,
                                 QFileDialog::AcceptMode mode) {
  QFileDialog dialog(parent, request.title);
  dialog.setAcceptMode(mode);
  dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                     : QFileDialog::AnyFile);
  dialog.setNameFilters(request.filters);
  dialog.setDefaultSuffix(request.defaultSuffix);
  // Qt's save dialog asks before overwriting an existing file; answering no returns to it.
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().constFirst();
}

}  // namespace

std::optional<QString> DialogFileChooser::chooseOpenFile(const FileDialogRequest& request) {
  return runDialog(parent_, request, QFileDialog::AcceptOpen);
}

std::optional<QString> DialogFileChooser::chooseSaveFile(const FileDialogRequest& request) {
  return runDialog(parent_, request, QFileDialog::AcceptSave);
}

std::optional<MeshExportOptions> DialogFileChooser::chooseMeshOptions(MeshFormat format) {
  QtFeedback messages(parent_);
  CMeshExportDlg dialog(fromUtf8(meshFormatTexts(format).caption), format == MeshFormat::Stl,
                        lastMeshOptions_, messages, parent_);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  lastMeshOptions_ = dialog.options();
  return lastMeshOptions_;
}
