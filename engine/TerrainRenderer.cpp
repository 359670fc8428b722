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
  polygons_.release();
  keys_.release();
  keysReady_ = false;
  drawableKnown_ = false;
  capacity_ = 0;
  settings = RenderSettings{};
  drawPosition_ = 0;
  polygonCount_ = 0;
  return true;
}

void TerrainRenderer::finishRendering() {
  polygons_.release();
  keys_.release();
  keysReady_ = false;
  drawableKnown_ = false;
  capacity_ = 0;
  drawPosition_ = polygonCount_;
}

bool TerrainRenderer::allocatePolygons(std::uint64_t capacity) {
  // polygonCount is 32-bit, and the byte size must fit size_t.
  if (capacity > UINT32_MAX || capacity > SIZE_MAX / sizeof(TerrainPolygon)) return false;
  // buildMesh fills the array front to back: a helper faults its pages in ahead of it.
  if (!polygons_.allocate(static_cast<std::size_t>(capacity), true)) return false;
  capacity_ = capacity;
  return true;
}

std::uint32_t TerrainRenderer::usableCount() const {
  if (!polygons_) return 0;
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(polygonCount_, capacity_));
}
