// Surface subdivision and colour averaging: the first two stages.

#include <algorithm>
#include <cmath>
#include <cstring>

#include "base/MemoryBudget.h"
#include "engine/EngineMessages.h"
#include "engine/SplitItems.h"
#include "engine/TerrainRenderer.h"
#include "engine/TerrainStages.h"

namespace {

// Bytes per grid point and per triangle of a model that is rendered.
constexpr std::uint64_t kPointBytes = sizeof(std::uint8_t) + sizeof(ScreenPoint) + sizeof(double);
constexpr std::uint64_t kFineHeightBytes = sizeof(float) - sizeof(std::uint8_t);
constexpr std::uint64_t kColorBytes = sizeof(Color);
constexpr std::uint64_t kTriangleBytes = sizeof(TerrainTriangle) + sizeof(double);

}  // namespace

bool allocateTerrainModel(TerrainModel& model, const DibImage& surface, const DibImage& bump,
                          int width, int height, const RenderSettings& settings,
                          std::uint64_t capacity) {
  model.clear();
  // Wireframe never reads the surface: its corners are all white.
  const bool readSurface = settings.wireframe == 0;
  int gridWidth = std::max(std::min(width, bump.width()), 0);
  int gridHeight = std::max(std::min(height, bump.height()), 0);
  if (readSurface) {
    gridWidth = std::min(gridWidth, surface.width());
    gridHeight = std::min(gridHeight, surface.height());
  }
  const std::uint64_t points = std::uint64_t(gridWidth) * std::uint64_t(gridHeight);
  // Triangles and points are counted in 32 bits.
  if (capacity > UINT32_MAX || points > UINT32_MAX) return false;
  const bool fine = bump.fineHeights() != nullptr;
  const std::uint64_t bytes =
      capacity * kTriangleBytes +
      points * (kPointBytes + (readSurface ? kColorBytes : 0) + (fine ? kFineHeightBytes : 0));
  if (bytes > availableMemoryBytes()) return false;

  model.gridWidth = static_cast<std::uint32_t>(gridWidth);
  model.gridHeight = static_cast<std::uint32_t>(gridHeight);
  model.cellsPerRowInverse = gridWidth > 1 ? 1.0 / (gridWidth - 1) : 0.0;
  model.subdivisionMode = settings.subdivisionMode;
  model.emphasis = settings.emphasisRate;
  model.surfaceRead = readSurface;
  // The build fills the triangles front to back: a helper faults their pages in ahead.
  const bool ok = model.triangles.allocate(static_cast<std::size_t>(capacity), true) &&
                  model.keys.allocate(static_cast<std::size_t>(capacity), true) &&
                  (fine ? model.fineHeights.allocate(static_cast<std::size_t>(points))
                        : model.heights.allocate(static_cast<std::size_t>(points))) &&
                  (!readSurface || model.pointColors.allocate(static_cast<std::size_t>(points)));
  if (!ok) model.clear();
  return ok;
}

namespace {

// Cuts the cells into triangles; Fine: the grid holds fine heights, which may have holes.
template <bool Fine>
bool cutCells(TerrainModel& model, const DibImage& surface, const DibImage& bump,
              const RenderSettings& settings, StageRun& run) {
  const std::uint32_t gridWidth = model.gridWidth;
  const std::uint32_t gridHeight = model.gridHeight;
  // The grid is copied a row ahead of the cells that read it, so that a large grid does
  // not hold up the polls.
  auto copyRow = [&](std::uint32_t y) {
    const std::size_t bumpRow = std::size_t(y) * std::size_t(bump.width());
    if constexpr (Fine) {
      std::memcpy(&model.fineHeights[model.pointIndex(0, y)], bump.fineHeights() + bumpRow,
                  gridWidth * sizeof(float));
    } else {
      const Color* pixels = bump.pixels() + bumpRow;
      std::uint8_t* heights = &model.heights[model.pointIndex(0, y)];
      for (std::uint32_t x = 0; x < gridWidth; ++x) heights[x] = redOf(pixels[x]);
    }
    if (model.surfaceRead) {
      const Color* surfaceRow = surface.pixels() + std::size_t(y) * std::size_t(surface.width());
      std::memcpy(&model.pointColors[model.pointIndex(0, y)], surfaceRow,
                  gridWidth * sizeof(Color));
    }
  };
  if (gridHeight > 0) copyRow(0);

  const bool slice = settings.sliceEnabled != 0;
  const std::uint32_t sliceMin = settings.sliceMin;
  const std::uint32_t sliceMax = settings.sliceMax;
  auto keep = [&](double a, double b, double c) {
    // A triangle touching a point without data is left out, like one outside the slice.
    if constexpr (Fine) {
      if (std::isnan(a) || std::isnan(b) || std::isnan(c)) return false;
    }
    return !slice || (sliceMin <= a && a <= sliceMax && sliceMin <= b && b <= sliceMax &&
                      sliceMin <= c && c <= sliceMax);
  };
  auto heightAt = [&model](std::uint32_t point) -> double {
    if constexpr (Fine) return model.fineHeights[point];
    return model.heights[point];
  };
  const double emphasis = model.emphasis;
  TerrainTriangle* out = model.triangles.get();
  double* keys = model.keys.get();
  std::uint32_t count = 0;
  std::uint64_t counter = 0;  // 2 x cells handled
  for (std::uint32_t y = 0; y + 1 < gridHeight; ++y) {
    copyRow(y + 1);
    for (std::uint32_t x = 0; x + 1 < gridWidth; ++x) {
      if (!run.beforeItem(counter)) return false;
      counter += 2;
      const std::uint32_t p0 = model.pointIndex(x, y + 1), p1 = model.pointIndex(x, y);
      const std::uint32_t p2 = model.pointIndex(x + 1, y), p3 = model.pointIndex(x + 1, y + 1);
      const double h0 = heightAt(p0), h1 = heightAt(p1), h2 = heightAt(p2), h3 = heightAt(p3);
      const std::uint32_t cell = 2 * (y * (gridWidth - 1) + x);
      auto add = [&](std::uint32_t first, std::uint32_t half) {
        keys[count] = heightAt(first) * emphasis;
        out[count++] = {cell + half, model.pointColor(first)};
      };
      if (chooseSplitA(model.subdivisionMode, h0, h1, h2, h3)) {
        if (keep(h0, h1, h2)) add(p0, 0);
        if (keep(h2, h3, h0)) add(p2, 1);
      } else {
        if (keep(h1, h2, h3)) add(p1, 0);
        if (keep(h3, h0, h1)) add(p3, 1);
      }
    }
  }
  model.triangles.stopPrefault();
  model.keys.stopPrefault();
  model.triangleCount = count;
  return true;
}

}  // namespace

bool subdivideTerrain(TerrainModel& model, const DibImage& surface, const DibImage& bump,
                      const RenderSettings& settings, StageRun& run) {
  return model.fineHeights ? cutCells<true>(model, surface, bump, settings, run)
                           : cutCells<false>(model, surface, bump, settings, run);
}

bool averageTriangleColors(TerrainModel& model, StageRun& run) {
  TerrainTriangle* triangles = model.triangles.get();
  auto averageOne = [&model, triangles](std::uint32_t i) {
    const TerrainModel::Corners c = model.corners(triangles[i].cell);
    const Color c0 = model.pointColor(c.point[0]), c1 = model.pointColor(c.point[1]),
                c2 = model.pointColor(c.point[2]);
    // Each channel's mean, rounded down.
    const std::uint32_t red = (redOf(c0) + redOf(c1) + redOf(c2)) / 3;
    const std::uint32_t green = (greenOf(c0) + greenOf(c1) + greenOf(c2)) / 3;
    const std::uint32_t blue = (blueOf(c0) + blueOf(c1) + blueOf(c2)) / 3;
    triangles[i].color = makeColor(red, green, blue);
  };
  return runItemsSplit(run, model.triangleCount, averageOne);
}

bool TerrainRenderer::buildMesh(MeshPurpose purpose, const DibImage& surface, const DibImage& bump,
                                int width, int height) {
  if (purpose == MeshPurpose::DxfExport)
    return buildExportMesh(engine_text::kDxfCaption, engine_text::kDxfCancelled, surface, bump,
                           width, height);
  return buildModel(false, {}, engine_text::kRenderingCancelled, surface, bump, width, height);
}

bool TerrainRenderer::buildExportMesh(std::string_view caption, std::string_view cancelled,
                                      const DibImage& surface, const DibImage& bump, int width,
                                      int height) {
  return buildModel(true, caption, cancelled, surface, bump, width, height);
}

bool TerrainRenderer::buildModel(bool forExport, std::string_view caption,
                                 std::string_view cancelled, const DibImage& surface,
                                 const DibImage& bump, int width, int height) {
  frameTriangles_.release();  // a new model has no frames kept
  framesLit_ = false;
  // 64-bit, so a huge grid cannot wrap into a small capacity.
  const std::uint64_t capacity =
      (width >= 2 && height >= 2)
          ? 2 * static_cast<std::uint64_t>(width - 1) * static_cast<std::uint64_t>(height - 1)
          : 0;
  // A rendering's screen positions are made ready while the grid is cut, which leaves
  // the second core free.
  if (!allocateTerrainModel(model_, surface, bump, width, height, settings, capacity) ||
      (!forExport && !model_.allocateScreen(true))) {
    model_.clear();
    feedback().showMessage(engine_text::kOutOfMemory, MessageIcon::Warning);
    return false;
  }
  StageRun run(feedback(), engine_text::kDividing, cancelled, capacity, caption);
  if (!subdivideTerrain(model_, surface, bump, settings, run)) {
    model_.clear();
    return false;
  }
  run.finish();
  polygonCount_ = model_.triangleCount;
  return true;
}

bool TerrainRenderer::averageColors() {
  if (settings.wireframe != 0) return true;  // corners stay white
  StageRun run(feedback(), engine_text::kAveraging, engine_text::kRenderingCancelled,
               polygonCount_);
  if (!averageTriangleColors(model_, run)) return false;
  run.finish();
  return true;
}
