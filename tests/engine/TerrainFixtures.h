#pragma once
// Small textures, pipeline runs and the plain quicksort shared by the engine tests.

#include <algorithm>

#include "engine/TerrainRenderer.h"
#include "raster/DibImage.h"
#include "support/RecordingFeedback.h"
#include "support/TestTextures.h"

namespace terrain_test {

inline DibImage filledImage(int width, int height, Color color) {
  return makeTexture(width, height, [color](int, int) { return color; });
}

// A 2 x 2 bump with the red heights of P0 (bottom-left), P1 (top-left), P2 (top-right), P3.
inline DibImage cellBump(Color h0, Color h1, Color h2, Color h3) {
  return makeTexture(
      2, 2, [=](int x, int y) { return y == 0 ? (x == 0 ? h1 : h2) : (x == 0 ? h0 : h3); });
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

// The depth sort written plainly: middle pivot moved to the front, Hoare's loop, far keys
// first, recursion on the left part. The engine must give equal keys exactly its order.
template <class Key, class Swap>
void referenceQuicksort(const Key& key, const Swap& swap, long lo, long hi) {
  while (lo < hi) {
    swap(lo, (lo + hi) / 2);
    const double x = key(lo);
    long i = lo, j = hi + 1;
    for (;;) {
      for (++i; i <= hi && key(i) > x;) ++i;
      for (--j; key(j) < x;) --j;
      if (i >= j) break;
      swap(i, j);
    }
    swap(lo, j);
    referenceQuicksort(key, swap, lo, j - 1);
    lo = j + 1;
  }
}

}  // namespace terrain_test
