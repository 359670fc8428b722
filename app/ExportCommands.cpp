#include "app/ExportCommands.h"

#include <QFile>
#include <optional>
#include <string>
#include <string_view>

#include "app/FileChooser.h"
#include "dialogs/QtText.h"
#include "document/DocumentModel.h"
#include "engine/BusyRefusal.h"
#include "export/DxfExport.h"
#include "export/ImageSave.h"

namespace {

const QString kAllFilesFilter = QStringLiteral("すべてのファイル (*)");

}  // namespace

void runExportDxf(DocumentModel& doc, FileChooser& files, UserFeedback& feedback) {
  if (refuseWhileDrawing(doc.renderer, feedback)) return;
  FileDialogRequest request{QStringLiteral("DXF 形式で保存"),
                            {QStringLiteral("DXF ファイル (*.dxf)"), kAllFilesFilter},
                            QStringLiteral("dxf")};
  std::optional<QString> target = files.chooseSaveFile(request);
  if (!target) return;
  exportDxf(doc.renderer, doc.surfaceImage, doc.bumpImage, toLocalPath(*target), feedback);
}

void runSaveBitmap(DocumentModel& doc, FileChooser& files, UserFeedback& feedback) {
  if (refuseWhileDrawing(doc.renderer, feedback)) return;
  // The name's extension decides the format: ".png" a PNG, anything else a BMP.
  FileDialogRequest request{
      QStringLiteral("ビットマップを保存"),
      {QStringLiteral("ビットマップ (*.bmp)"), QStringLiteral("PNG 画像 (*.png)"), kAllFilesFilter},
      QStringLiteral("bmp")};
  std::optional<QString> target = files.chooseSaveFile(request);
  if (!target) return;
  saveRenderedImage(doc.renderer, toLocalPath(*target), feedback);
}
