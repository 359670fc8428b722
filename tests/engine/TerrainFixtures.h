#pragma once
// Small textures and pipeline runs shared by the engine tests. Test code only.

#include <algorithm>
#include <functional>

#include "engine/TerrainRenderer.h"
#include "raster/DibImage.h"
#include "support/TestTextures.h"

namespace terrain_test {

inline DibImage filledImage(int width, int height, Color color) {
  return makeTexture(width, height, [color](int, int) { return color; });
}

// Bump image of 2 x 2 with the red heights of P0 (bottom-left), P1 (top-left),
// P2 (top-right), P3 (bottom-right).
inline DibImage cellBump(Color h0, Color h1, Color h2, Color h3) {
  return makeTexture(2, 2, [=](int x, int y) {
    if (y == 0) return x == 0 ? h1 : h2;
    return x == 0 ? h0 : h3;
  });
}

// The five model stages in order; false at the first that fails.
inline bool runStages(TerrainRenderer& r, const DibImage& surface, const DibImage& bump) {
  const int w = std::min(surface.width(), bump.width());
  const int h = std::min(surface.height(), bump.height());
  return r.buildMesh(MeshPurpose::Rendering, surface, bump, w, h) && r.averageColors() &&
         r.transformVertices() && r.sortPolygons() && r.applyLighting();
}

// A whole rendering: the stages, the screen, and draw steps until drawing ends.
inline bool renderAll(TerrainRenderer& r, const DibImage& surface, const DibImage& bump) {
  if (!runStages(r, surface, bump) || !r.createScreen()) {
    r.finishRendering();
    return false;
  }
  return r.drawToEnd();
}

inline Color pixelAt(const DibImage& image, int x, int y) {
  return image.pixels()[y * image.width() + x];
}

}  // namespace terrain_test
