// Surface subdivision and colour averaging: the first two stages.
//
// Each grid cell with top-left point (x, y) has the corners
//   P0 (x, y+1) bottom-left, P1 (x, y) top-left, P2 (x+1, y) top-right, P3 (x+1, y+1)
// and is cut along one diagonal into two triangles:
//   split A (P0-P2): (V0, V1, V2), (V2, V3, V0);   split B (P1-P3): (V1, V2, V3), (V3, V0, V1).
// Both triangles of a split wind the same way, so on level ground the normal
// (c - b) x (a - b) points up.

#include <algorithm>
#include <cstdlib>

#include "engine/EngineMessages.h"
#include "engine/SplitItems.h"
#include "engine/StageRun.h"
#include "engine/TerrainRenderer.h"

namespace {

void writeTriangle(TerrainPolygon& p, const TerrainVertex& a, const TerrainVertex& b,
                   const TerrainVertex& c) {
  p.v[0] = a;
  p.v[1] = b;
  p.v[2] = c;
  p.nx = (a.z - b.z) * (c.y - b.y) - (a.y - b.y) * (c.z - b.z);
  p.ny = (a.x - b.x) * (c.z - b.z) - (a.z - b.z) * (c.x - b.x);
  p.nz = (a.y - b.y) * (c.x - b.x) - (a.x - b.x) * (c.y - b.y);
}

// Automatic mode cuts along the diagonal whose ends differ less in height; a tie cuts
// along P0-P2. Integer heights, before emphasis.
bool chooseSplitA(std::int32_t mode, int h0, int h1, int h2, int h3) {
  if (mode == 0) return std::abs(h0 - h2) <= std::abs(h1 - h3);
  return mode == 1;
}

}  // namespace

bool TerrainRenderer::buildMesh(MeshPurpose purpose, const DibImage& surface, const DibImage& bump,
                                int width, int height) {
  // 64-bit, so a huge grid cannot wrap into a small capacity.
  const std::uint64_t capacity =
      (width >= 2 && height >= 2)
          ? 2 * static_cast<std::uint64_t>(width - 1) * static_cast<std::uint64_t>(height - 1)
          : 0;
  polygons_.release();
  keys_.release();
  keysReady_ = false;
  drawableKnown_ = false;
  capacity_ = 0;
  if (!allocatePolygons(capacity)) {
    feedback().showMessage(engine_text::kOutOfMemory, MessageIcon::Warning);
    return false;
  }

  const bool forExport = purpose == MeshPurpose::DxfExport;
  StageRun run(feedback(), engine_text::kDividing,
               forExport ? engine_text::kDxfCancelled : engine_text::kRenderingCancelled, capacity,
               forExport ? engine_text::kDxfCaption : std::string_view{});

  // Wireframe never reads the surface: its corners are all white.
  const bool readSurface = settings.wireframe == 0;
  int gridWidth = std::min(width, bump.width());
  int gridHeight = std::min(height, bump.height());
  if (readSurface) {
    gridWidth = std::min(gridWidth, surface.width());
    gridHeight = std::min(gridHeight, surface.height());
  }
  const std::size_t bumpStride = static_cast<std::size_t>(std::max(bump.width(), 0));
  const std::size_t surfaceStride = static_cast<std::size_t>(std::max(surface.width(), 0));

  const double emphasis = settings.emphasisRate;
  const std::int32_t mode = settings.subdivisionMode;
  const bool slice = settings.sliceEnabled != 0;
  const std::uint32_t sliceMin = settings.sliceMin;
  const std::uint32_t sliceMax = settings.sliceMax;
  auto inSlice = [&](std::uint32_t a, std::uint32_t b, std::uint32_t c) {
    return !slice || (sliceMin <= a && a <= sliceMax && sliceMin <= b && b <= sliceMax &&
                      sliceMin <= c && c <= sliceMax);
  };

  TerrainPolygon* out = polygons_.get();
  std::uint32_t count = 0;
  std::uint64_t counter = 0;  // 2 x cells handled
  for (int y = 0; y + 1 < gridHeight; ++y) {
    const Color* bumpTop = bump.pixels() + static_cast<std::size_t>(y) * bumpStride;
    const Color* bumpBottom = bumpTop + bumpStride;
    const Color* surfaceTop =
        readSurface ? surface.pixels() + static_cast<std::size_t>(y) * surfaceStride : nullptr;
    const Color* surfaceBottom = readSurface ? surfaceTop + surfaceStride : nullptr;
    const double top = y;
    const double bottom = y + 1;
    for (int x = 0; x + 1 < gridWidth; ++x) {
      if (!run.beforeItem(counter)) return false;
      counter += 2;

      const std::uint32_t h0 = bumpBottom[x] & 0xFFu;  // red channel
      const std::uint32_t h1 = bumpTop[x] & 0xFFu;
      const std::uint32_t h2 = bumpTop[x + 1] & 0xFFu;
      const std::uint32_t h3 = bumpBottom[x + 1] & 0xFFu;
      const double left = x;
      const double right = x + 1;
      const TerrainVertex v0{left, bottom, h0 * emphasis, readSurface ? surfaceBottom[x] : kWhite};
      const TerrainVertex v1{left, top, h1 * emphasis, readSurface ? surfaceTop[x] : kWhite};
      const TerrainVertex v2{right, top, h2 * emphasis, readSurface ? surfaceTop[x + 1] : kWhite};
      const TerrainVertex v3{right, bottom, h3 * emphasis,
                             readSurface ? surfaceBottom[x + 1] : kWhite};

      if (chooseSplitA(mode, static_cast<int>(h0), static_cast<int>(h1), static_cast<int>(h2),
                       static_cast<int>(h3))) {
        if (inSlice(h0, h1, h2)) writeTriangle(out[count++], v0, v1, v2);
        if (inSlice(h2, h3, h0)) writeTriangle(out[count++], v2, v3, v0);
      } else {
        if (inSlice(h1, h2, h3)) writeTriangle(out[count++], v1, v2, v3);
        if (inSlice(h3, h0, h1)) writeTriangle(out[count++], v3, v0, v1);
      }
    }
  }
  polygons_.stopPrefault();
  run.finish();
  polygonCount_ = count;
  return true;
}

bool TerrainRenderer::averageColors() {
  if (settings.wireframe != 0) return true;  // corners stay white
  const std::uint32_t total = usableCount();
  StageRun run(feedback(), engine_text::kAveraging, engine_text::kRenderingCancelled,
               polygonCount_);
  TerrainPolygon* polygons = polygons_.get();
  auto averageOne = [polygons](std::uint32_t i) {
    TerrainVertex* v = polygons[i].v;
    const Color c0 = v[0].color, c1 = v[1].color, c2 = v[2].color;
    // Each channel's mean, rounded down.
    const std::uint32_t red = (redOf(c0) + redOf(c1) + redOf(c2)) / 3;
    const std::uint32_t green = (greenOf(c0) + greenOf(c1) + greenOf(c2)) / 3;
    const std::uint32_t blue = (blueOf(c0) + blueOf(c1) + blueOf(c2)) / 3;
    v[0].color = makeColor(red, green, blue);
  };
  if (!runItemsSplit(run, total, averageOne)) return false;
  run.finish();
  return true;
}
