// Vertex transform and depth sort: stages 3 and 4.
//
// Every corner is projected by the camera (ViewCamera.h). A corner that is too near or off
// the widened screen becomes (0, 0, 0). A triangle whose three depths are all positive gets
// the mean depth as its key in v[0].z; any other triangle gets key 0 and is never drawn.
// The sort then puts the far triangles first (painter's order), the keys of 0 last.

#include "engine/DepthSort.h"
#include "engine/EngineMessages.h"
#include "engine/SplitItems.h"
#include "engine/StageRun.h"
#include "engine/TerrainRenderer.h"
#include "engine/ViewCamera.h"

bool TerrainRenderer::transformVertices() {
  const ViewCamera camera = ViewCamera::fromSettings(settings);
  const std::uint32_t total = usableCount();
  StageRun run(feedback(), engine_text::kTransforming, engine_text::kRenderingCancelled,
               polygonCount_);
  TerrainPolygon* polygons = polygons_.get();
  // The sort's keys are gathered here while the records are at hand; without room for
  // them, the sort gathers them itself.
  keysReady_ = false;
  double* keys = keys_.allocate(total) ? keys_.get() : nullptr;
  drawableKnown_ = false;
  auto transformOne = [&](std::uint32_t i) {
    TerrainVertex* v = polygons[i].v;
    for (int k = 0; k < 3; ++k) {
      double sx, sy, depth;
      if (camera.project(v[k].x, v[k].y, v[k].z, sx, sy, depth)) {
        v[k].x = sx;
        v[k].y = sy;
        v[k].z = depth;
      } else {
        v[k].x = v[k].y = v[k].z = 0.0;
      }
    }
    // Sum in the order 2, 1, 0 times the double nearest 1/3: keys must round the same way
    // everywhere, since equal keys decide the painting order.
    if (v[0].z > 0 && v[1].z > 0 && v[2].z > 0) {
      v[0].z = (v[2].z + v[1].z + v[0].z) * 0.3333333333333333;
    } else {
      v[0].z = 0.0;
    }
    if (keys != nullptr) keys[i] = v[0].z;
  };
  if (!runItemsSplit(run, total, transformOne)) {
    keys_.release();
    return false;
  }
  keysReady_ = keys != nullptr;
  run.finish();
  return true;
}

bool TerrainRenderer::sortPolygons() {
  // A busy notice only: the sort can be neither followed nor cancelled.
  std::unique_ptr<StageProgress> progress = feedback().openProgress();
  progress->create();
  progress->setMessage(engine_text::kSorting);
  progress->showBusyOnly();
  if (keysReady_) {
    drawableCount_ = sortPolygonsByKeys(polygons_.get(), keys_, usableCount());
    drawableKnown_ = true;
  } else {
    sortPolygonsByDepth(polygons_.get(), usableCount());
    drawableKnown_ = false;  // lighting finds the head's end itself
  }
  keys_.release();
  keysReady_ = false;
  progress->destroy();
  return true;
}
