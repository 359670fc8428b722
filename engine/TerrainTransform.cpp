// Vertex transform and depth sort: stages 3 and 4.
//
// Every grid point is projected once by the camera (ViewCamera.h); a point that is too near
// or off the widened screen is not kept (depth 0, position 0, 0). A triangle whose three
// corner depths are all positive gets the mean depth as its key; any other triangle gets
// key 0 and is never drawn. The sort then puts the far triangles first (painter's order),
// the keys of 0 last.

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/DepthSort.h"
#include "engine/EngineMessages.h"
#include "engine/SplitItems.h"
#include "engine/TerrainRenderer.h"
#include "engine/TerrainStages.h"

namespace {

// Truncation toward zero as drawing takes it; kept points always fit an int.
std::int32_t toPixel(double value) { return static_cast<std::int32_t>(value); }

void projectRow(TerrainModel& model, const ViewCamera& camera, std::uint32_t y) {
  const std::uint32_t first = model.pointIndex(0, y);
  const double row = y;
  for (std::uint32_t x = 0; x < model.gridWidth; ++x) {
    const std::uint32_t point = first + x;
    double sx, sy, depth;
    const double height = model.height(point);  // NaN: no data, and no triangle uses it
    if (!std::isnan(height) && camera.project(x, row, height * model.emphasis, sx, sy, depth)) {
      model.screenPoints[point] = {toPixel(sx), toPixel(sy)};
      model.depths[point] = depth;
    } else {
      model.screenPoints[point] = {0, 0};
      model.depths[point] = 0.0;
    }
  }
}

// The first triangle whose cell lies in row `row` or below (triangles are in cell order).
std::uint32_t firstTriangleFromRow(const TerrainModel& model, std::uint32_t row) {
  const TerrainTriangle* begin = model.triangles.get();
  const TerrainTriangle* end = begin + model.triangleCount;
  const std::uint32_t firstCell = 2 * row * (model.gridWidth - 1);
  return static_cast<std::uint32_t>(
      std::lower_bound(begin, end, firstCell,
                       [](const TerrainTriangle& t, std::uint32_t cell) { return t.cell < cell; }) -
      begin);
}

}  // namespace

bool transformTerrain(TerrainModel& model, const ViewCamera& camera, StageRun& run) {
  if (!model.allocateScreen()) return false;
  model.camera = camera;
  const std::uint32_t count = model.triangleCount;
  if (count == 0) return true;

  // Point rows are projected when the first triangle that needs them comes up. The helper
  // thread starts at a row boundary; the one point row both halves read is projected here
  // first, so each of the others is written by one thread only.
  std::vector<std::uint8_t> rowDone(model.gridHeight, 0);
  const std::uint32_t splitRow = model.cellRow(model.triangles[count / 2].cell);
  const std::uint32_t helperFrom = firstTriangleFromRow(model, splitRow);
  projectRow(model, camera, splitRow);
  rowDone[splitRow] = 1;

  TerrainTriangle* triangles = model.triangles.get();
  auto transformOne = [&](std::uint32_t i) {
    const std::uint32_t row = model.cellRow(triangles[i].cell);
    for (std::uint32_t y = row; y <= row + 1; ++y) {
      if (rowDone[y] == 0) {
        projectRow(model, camera, y);
        rowDone[y] = 1;
      }
    }
    const TerrainModel::Corners c = model.corners(triangles[i].cell);
    const double d0 = model.depths[c.point[0]], d1 = model.depths[c.point[1]],
                 d2 = model.depths[c.point[2]];
    // Sum in the order 2, 1, 0 times the double nearest 1/3: keys must round the same way
    // everywhere, since equal keys decide the painting order.
    model.keys[i] = (d0 > 0 && d1 > 0 && d2 > 0) ? (d2 + d1 + d0) * 0.3333333333333333 : 0.0;
  };
  return runItemsSplit(run, count, transformOne, helperFrom);
}

bool TerrainRenderer::transformVertices() {
  if (!model_.allocateScreen()) {
    feedback().showMessage(engine_text::kOutOfMemory, MessageIcon::Warning);
    return false;
  }
  StageRun run(feedback(), engine_text::kTransforming, engine_text::kRenderingCancelled,
               polygonCount_);
  if (!transformTerrain(model_, ViewCamera::fromSettings(settings), run)) return false;
  // Depths are for the keys only.
  model_.depths.release();
  run.finish();
  return true;
}

bool TerrainRenderer::sortPolygons() {
  // A busy notice only: the sort can be neither followed nor cancelled.
  std::unique_ptr<StageProgress> progress = feedback().openProgress();
  progress->create();
  progress->setMessage(engine_text::kSorting);
  progress->showBusyOnly();
  sortTrianglesByDepth(model_.keys.get(), model_.triangles.get(), model_.triangleCount);
  progress->destroy();
  return true;
}
