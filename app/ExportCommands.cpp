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
#include "export/MeshExport.h"

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

void runExportMesh(DocumentModel& doc, FileChooser& files, UserFeedback& feedback,
                   MeshFormat format) {
  if (refuseWhileDrawing(doc.renderer, feedback)) return;
  struct Dialog {
    const char16_t* filter;
    const char16_t* suffix;
  };
  static constexpr Dialog kDialogs[] = {{u"STL ファイル (*.stl)", u"stl"},
                                        {u"OBJ ファイル (*.obj)", u"obj"},
                                        {u"PLY ファイル (*.ply)", u"ply"},
                                        {u"glTF バイナリ (*.glb)", u"glb"}};
  const Dialog& dialog = kDialogs[static_cast<int>(format)];
  FileDialogRequest request{fromUtf8(meshFormatTexts(format).caption),
                            {QString::fromUtf16(dialog.filter), kAllFilesFilter},
                            QString::fromUtf16(dialog.suffix)};
  std::optional<QString> target = files.chooseSaveFile(request);
  if (!target) return;
  std::optional<MeshExportOptions> options = files.chooseMeshOptions(format);
  if (!options) return;
  exportMesh(doc.renderer, doc.surfaceImage, doc.bumpImage, toLocalPath(*target), format, *options,
             feedback);
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
