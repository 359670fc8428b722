// The mesh exports: the model from buildMesh turned into an indexed mesh (then the model is
// let go), optionally simplified, and streamed in the chosen format through atomic writers.

#include "export/MeshExport.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "base/AtomicFile.h"
#include "base/PathParts.h"
#include "engine/BusyRefusal.h"
#include "engine/EngineMessages.h"
#include "export/ChunkedOutput.h"
#include "export/IndexedMesh.h"
#include "raster/PngEncoder.h"

namespace {

constexpr std::string_view kWriteFailedMessage = "書き込みに失敗しました。";
constexpr std::string_view kTooLargeMessage = "メッシュが大きすぎて、この形式では保存できません。";
constexpr std::string_view kSimplifyingMessage = "メッシュを簡略化しています。";
constexpr std::uint64_t kProgressInterval = 500;  // triangles between progress updates

// The DXF export's pace: the position every 500 triangles, a poll before each.
class ProgressPacer : public TrianglePacer {
 public:
  explicit ProgressPacer(StageProgress& progress) : progress_(progress) {}
  void start(std::uint64_t triangles) override { total_ = triangles; }
  bool next(std::uint64_t i) override {
    if (i % kProgressInterval == 0) progress_.setProgress(static_cast<int>(i * 100 / total_));
    return !progress_.pollCancel();
  }

 private:
  StageProgress& progress_;
  std::uint64_t total_ = 1;
};

MeshWriteStatus writeFormat(const IndexedMesh& mesh, MeshFormat format,
                            const MeshExportOptions& options, const std::string& materialFile,
                            const DibImage& surface, ChunkedOutput& out, TrianglePacer& pacer) {
  switch (format) {
    case MeshFormat::Stl:
      return writeStl(mesh, StlOptions{options.solid}, out, pacer);
    case MeshFormat::Obj:
      return writeObj(mesh, materialFile, surface.width(), surface.height(), out, pacer);
    case MeshFormat::Ply:
      return writePly(mesh, out, pacer);
    case MeshFormat::Glb:
      return writeGlb(mesh, out, pacer);
  }
  return MeshWriteStatus::Failed;
}

// The whole bytes of a companion file, ready to be committed after the mesh.
bool prepareFile(AtomicFileWriter& writer, const std::string& path, const std::uint8_t* data,
                 std::size_t size) {
  return size > 0 && writer.open(path) && writer.write(data, size);
}

MeshExportResult writeMesh(const IndexedMesh& mesh, const std::string& targetPath,
                           MeshFormat format, const MeshExportOptions& options,
                           const DibImage& surface, StageProgress& progress,
                           UserFeedback& feedback) {
  const MeshFormatTexts texts = meshFormatTexts(format);
  // OBJ's material and texture are made first and replace their files with the mesh's.
  AtomicFileWriter texture, material;
  std::string materialFile;
  if (format == MeshFormat::Obj) {
    const std::string texturePath = companionPath(targetPath, ".png");
    const std::string materialPath = companionPath(targetPath, ".mtl");
    materialFile = GetFileNamePart(materialPath);
    const std::vector<std::uint8_t> png =
        encodePng(surface.pixels(), surface.width(), surface.height());
    const std::string mtl = objMaterial(GetFileNamePart(texturePath));
    if (!prepareFile(texture, texturePath, png.data(), png.size()) ||
        !prepareFile(material, materialPath, reinterpret_cast<const std::uint8_t*>(mtl.data()),
                     mtl.size())) {
      feedback.showMessage(kWriteFailedMessage);
      return MeshExportResult::WriteFailed;
    }
  }
  AtomicFileWriter writer;
  if (!writer.open(targetPath)) {
    feedback.showMessage(kWriteFailedMessage);
    return MeshExportResult::WriteFailed;
  }
  ChunkedOutput output(writer);
  ProgressPacer pacer(progress);
  MeshWriteStatus status = writeFormat(mesh, format, options, materialFile, surface, output, pacer);
  if (status == MeshWriteStatus::Stopped) {
    feedback.showMessage(texts.cancelled);
    return MeshExportResult::Cancelled;  // the writers abandon their files
  }
  if (status == MeshWriteStatus::Written) {
    const bool companions = format != MeshFormat::Obj || (texture.commit() && material.commit());
    if (!(companions && output.flush() && writer.commit())) status = MeshWriteStatus::Failed;
  }
  if (status != MeshWriteStatus::Written) {
    feedback.showMessage(status == MeshWriteStatus::TooLarge ? kTooLargeMessage
                                                             : kWriteFailedMessage);
    return MeshExportResult::WriteFailed;
  }
  progress.setProgress(100);
  return MeshExportResult::Written;
}

}  // namespace

MeshFormatTexts meshFormatTexts(MeshFormat format) {
  switch (format) {
    case MeshFormat::Stl:
      return {"STL 形式で保存", "STL 出力を中止します。", "STL ファイルを作成しています。"};
    case MeshFormat::Obj:
      return {"OBJ 形式で保存", "OBJ 出力を中止します。", "OBJ ファイルを作成しています。"};
    case MeshFormat::Ply:
      return {"PLY 形式で保存", "PLY 出力を中止します。", "PLY ファイルを作成しています。"};
    case MeshFormat::Glb:
      return {"glTF 形式で保存", "glTF 出力を中止します。", "glTF ファイルを作成しています。"};
  }
  return {};
}

MeshExportResult exportMesh(TerrainRenderer& renderer, const DibImage& surface,
                            const DibImage& bump, const std::string& targetPath, MeshFormat format,
                            const MeshExportOptions& options, UserFeedback& feedback) {
  if (refuseWhileDrawing(renderer, feedback)) return MeshExportResult::Refused;
  const MeshFormatTexts texts = meshFormatTexts(format);
  const int width = std::min(surface.width(), bump.width());
  const int height = std::min(surface.height(), bump.height());
  if (!renderer.buildExportMesh(texts.caption, texts.cancelled, surface, bump, width, height)) {
    renderer.finishRendering();
    return MeshExportResult::MeshFailed;
  }
  IndexedMesh mesh;
  const bool extracted = extractIndexedMesh(renderer.model(), renderer.polygonCount(), mesh);
  renderer.finishRendering();  // the indexed mesh is all the writers need
  if (!extracted) {
    feedback.showMessage(engine_text::kOutOfMemory);
    return MeshExportResult::MeshFailed;
  }

  std::unique_ptr<StageProgress> progress = feedback.openProgress();
  progress->create();
  progress->setCaption(texts.caption);
  if (options.simplifyError) {
    // meshoptimizer runs in one piece: the window shows the step, without a position.
    progress->setMessage(kSimplifyingMessage);
    progress->setProgress(0);
    if (!simplifyIndexedMesh(mesh, *options.simplifyError)) {
      progress->destroy();
      feedback.showMessage(engine_text::kOutOfMemory);
      return MeshExportResult::MeshFailed;
    }
  }
  progress->setMessage(texts.writing);
  progress->setProgress(0);
  const MeshExportResult result =
      writeMesh(mesh, targetPath, format, options, surface, *progress, feedback);
  progress->destroy();
  return result;
}
