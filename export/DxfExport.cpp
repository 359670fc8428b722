// The DXF export: buildMesh (export purpose) on the common top-left region of the two
// textures, then the mesh streamed as DXF text (DxfFormat.h) through an AtomicFileWriter,
// so the target is replaced only by a complete file and a cancelled or failed export
// leaves it byte for byte as it was, with no temporary file behind.

#include "export/DxfExport.h"

#include <algorithm>
#include <memory>
#include <string_view>

#include "base/AtomicFile.h"
#include "engine/BusyRefusal.h"
#include "engine/EngineMessages.h"
#include "export/ChunkedOutput.h"
#include "export/DxfFormat.h"

namespace {

constexpr std::string_view kWritingMessage = "DXF ファイルを作成しています。";
constexpr std::string_view kWriteFailedMessage = "書き込みに失敗しました。";

constexpr std::uint32_t kProgressInterval = 500;  // triangles between progress updates
// Writes the model to targetPath, driving the progress window; the caller has shown it.
DxfExportResult writeMesh(const TerrainModel& model, std::uint32_t count,
                          const std::string& targetPath, StageProgress& progress,
                          UserFeedback& feedback) {
  AtomicFileWriter writer;
  if (!writer.open(targetPath)) {
    feedback.showMessage(kWriteFailedMessage);
    return DxfExportResult::WriteFailed;
  }
  ChunkedOutput output(writer);
  bool ok = output.append(kDxfSectionStart);
  for (std::uint32_t i = 0; ok && i < count; ++i) {
    if (i % kProgressInterval == 0) {
      // 64-bit product: i x 100 overflows 32 bits beyond 42 million triangles.
      progress.setProgress(static_cast<int>(std::uint64_t{i} * 100 / count));
    }
    if (progress.pollCancel()) {
      feedback.showMessage(engine_text::kDxfCancelled);
      writer.abandon();
      return DxfExportResult::Cancelled;
    }
    ok = output.reserve(kMaxDxfFaceBytes);
    if (ok) output.advance(formatDxfFace(model.polygon(i), output.end()));
  }
  ok = ok && output.append(kDxfFileEnd) && output.flush() && writer.commit();
  if (!ok) {
    writer.abandon();
    feedback.showMessage(kWriteFailedMessage);
    return DxfExportResult::WriteFailed;
  }
  return DxfExportResult::Written;
}

}  // namespace

DxfExportResult exportDxf(TerrainRenderer& renderer, const DibImage& surface, const DibImage& bump,
                          const std::string& targetPath, UserFeedback& feedback) {
  if (refuseWhileDrawing(renderer, feedback)) return DxfExportResult::Refused;

  // The common top-left region of the two textures (an empty image counts as 0 x 0).
  const int width = std::min(surface.width(), bump.width());
  const int height = std::min(surface.height(), bump.height());
  if (!renderer.buildMesh(MeshPurpose::DxfExport, surface, bump, width, height)) {
    renderer.finishRendering();
    return DxfExportResult::MeshFailed;
  }

  std::unique_ptr<StageProgress> progress = feedback.openProgress();
  progress->create();  // a window that cannot be shown changes nothing: the export goes on
  progress->setCaption(engine_text::kDxfCaption);
  progress->setMessage(kWritingMessage);
  progress->setProgress(0);
  const DxfExportResult result =
      writeMesh(renderer.model(), renderer.polygonCount(), targetPath, *progress, feedback);
  renderer.finishRendering();
  progress->destroy();
  return result;
}
