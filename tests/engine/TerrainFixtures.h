#pragma once
// Small textures and pipeline runs shared by the engine tests (renderAll by others too).

#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/TerrainRenderer.h"
#include "support/RecordingFeedback.h"
#include "support/TestTextures.h"

namespace terrain_test {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// The five model stages in order; false at the first that fails.
inline bool runStages(TerrainRenderer& r, const DibImage& surface, const DibImage& bump) {
  const int w = std::min(surface.width(), bump.width());
  const int h = std::min(surface.height(), bump.height());
  return r.buildMesh(MeshPurpose::Rendering, surface, bump, w, h) && r.averageColors() &&
         r.transformVertices() && r.sortPolygons() && r.applyLighting();
}

// The stages, the screen, and draw steps until drawing ends.
inline bool renderAll(TerrainRenderer& r, const DibImage& surface, const DibImage& bump) {
  if (runStages(r, surface, bump) && r.createScreen()) return r.drawToEnd();
  r.finishRendering();
  return false;
}

}  // namespace terrain_test
