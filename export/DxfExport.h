#pragma once
// DXF export of the terrain mesh: runs buildMesh (export purpose) on the two textures and
// writes one 3DFACE entity per triangle, streaming to a temporary file beside the target
// that replaces the target only when complete. Never touches the engine's screen image;
// always leaves the engine with isDrawing() false.

#include <string>

#include "engine/StageProgress.h"
#include "engine/TerrainRenderer.h"
#include "raster/DibImage.h"

enum class DxfExportResult {
  Written,      // target replaced by the complete file
  Refused,      // a rendering is in progress: the refusal message was shown, nothing touched
  MeshFailed,   // buildMesh cancelled or out of memory (it showed its message)
  Cancelled,    // cancelled while writing: "DXF 出力を中止します。"; target untouched
  WriteFailed,  // "書き込みに失敗しました。"; target untouched, no temporary file left
};

DxfExportResult exportDxf(TerrainRenderer& renderer, const DibImage& surface, const DibImage& bump,
                          const std::string& targetPath, UserFeedback& feedback);
