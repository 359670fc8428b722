// TerrainRenderer: life cycle of the model and the settings. The stages live in
// TerrainMesh.cpp, TerrainTransform.cpp, TerrainLighting.cpp and TerrainScreen.cpp.

#include "engine/TerrainRenderer.h"

#include <algorithm>
#include <cstddef>

TerrainRenderer::TerrainRenderer() { resetSettings(); }

TerrainRenderer::~TerrainRenderer() = default;

void TerrainRenderer::setFeedback(UserFeedback* feedback) { feedback_ = feedback; }

UserFeedback& TerrainRenderer::feedback() const {
  return feedback_ != nullptr ? *feedback_ : silentFeedback_;
}

bool TerrainRenderer::resetSettings() {
  model_.clear();
  frameTriangles_.release();
  framesLit_ = false;
  settings = RenderSettings{};
  drawPosition_ = 0;
  polygonCount_ = 0;
  return true;
}

void TerrainRenderer::finishRendering() {
  model_.clear();
  frameTriangles_.release();
  framesLit_ = false;
  drawPosition_ = polygonCount_;
}

std::uint32_t TerrainRenderer::usableCount() const {
  return std::min(polygonCount_, model_.triangleCount);
}
