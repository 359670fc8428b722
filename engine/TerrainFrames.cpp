// Frames of one model: the triangles as built and averaged are kept aside; each frame
// starts again from them. The keys and screen positions need no keeping, since the
// transform writes all of them anew.

#include <cstring>

#include "engine/EngineMessages.h"
#include "engine/TerrainRenderer.h"

bool TerrainRenderer::keepModelForFrames() {
  frameTriangleCount_ = usableCount();
  if (!frameTriangles_.allocate(frameTriangleCount_)) {
    feedback().showMessage(engine_text::kOutOfMemory, MessageIcon::Warning);
    return false;
  }
  std::memcpy(frameTriangles_.get(), model_.triangles.get(),
              std::size_t{frameTriangleCount_} * sizeof(TerrainTriangle));
  return true;
}

bool TerrainRenderer::renderFrame(const std::function<bool()>& stopAsked) {
  if (!frameTriangles_ || !model_.triangles) return false;
  std::memcpy(model_.triangles.get(), frameTriangles_.get(),
              std::size_t{frameTriangleCount_} * sizeof(TerrainTriangle));
  model_.triangleCount = frameTriangleCount_;
  polygonCount_ = frameTriangleCount_;
  if (!transformVertices() || !sortPolygons() || !applyLighting() || !createScreen()) return false;
  while (isDrawing()) {
    if (stopAsked && stopAsked()) return false;
    drawStep();
  }
  return true;
}
