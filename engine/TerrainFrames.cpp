// Frames of one model: the triangles as built and averaged are kept aside; each frame
// starts again from them. The keys and screen positions need no keeping, since the
// transform writes all of them anew.

#include <cstring>
#include <new>

#include "engine/EngineMessages.h"
#include "engine/TerrainRenderer.h"
#include "engine/TerrainStages.h"
#include "raster/DrawSurface.h"

bool TerrainRenderer::keepModelForFrames(bool lightOnce) {
  frameTriangleCount_ = usableCount();
  framesLit_ = false;
  if (!frameTriangles_.allocate(frameTriangleCount_)) {
    feedback().showMessage(engine_text::kOutOfMemory, MessageIcon::Warning);
    return false;
  }
  // A triangle's lit colour depends on its corners and the light alone, not on the camera,
  // so lighting every triangle now gives each frame the colours its own lighting would.
  if (lightOnce && settings.ambient != 1.0) {
    StageRun run(feedback(), engine_text::kLighting, engine_text::kRenderingCancelled,
                 frameTriangleCount_);
    if (!lightLeadingTriangles(model_, frameTriangleCount_, LightSetup::fromSettings(settings),
                               run))
      return false;
    run.finish();
    framesLit_ = true;
  }
  std::memcpy(frameTriangles_.get(), model_.triangles.get(),
              std::size_t{frameTriangleCount_} * sizeof(TerrainTriangle));
  return true;
}

bool TerrainRenderer::runFrameStages() {
  if (!frameTriangles_ || !model_.triangles) return false;
  std::memcpy(model_.triangles.get(), frameTriangles_.get(),
              std::size_t{frameTriangleCount_} * sizeof(TerrainTriangle));
  model_.triangleCount = frameTriangleCount_;
  polygonCount_ = frameTriangleCount_;
  return transformVertices() && sortPolygons() && applyLighting() && createScreen();
}

bool TerrainRenderer::renderFrame(const std::function<bool()>& stopAsked) {
  if (!runFrameStages()) return false;
  while (isDrawing()) {
    if (stopAsked && stopAsked()) return false;
    drawStep();
  }
  return true;
}

bool TerrainRenderer::prepareFrame(FrameToPaint& frame) {
  if (!runFrameStages()) return false;
  const std::uint32_t drawable = drawableHead(model_);
  const ScreenPoint* points = model_.screenPoints.get();
  const std::size_t pointCount =
      points != nullptr ? std::size_t(model_.gridWidth) * model_.gridHeight : 0;
  try {
    frame.triangles.assign(model_.triangles.get(), model_.triangles.get() + drawable);
    frame.points.assign(points, points + pointCount);
  } catch (const std::bad_alloc&) {
    feedback().showMessage(engine_text::kOutOfMemory, MessageIcon::Warning);
    return false;
  }
  frame.wireframe = settings.wireframe != 0;
  frame.screen = std::move(screen_);
  drawPosition_ = polygonCount_;  // nothing left for drawStep: the frame paints itself
  return true;
}

bool paintFrame(const TerrainModel& grid, FrameToPaint& frame,
                const std::function<bool()>& stopAsked) {
  DrawSurface surface;
  surface.attach(&frame.screen);
  const std::size_t count = frame.triangles.size();
  constexpr std::size_t kAhead = 16;  // triangles between asking for a corner and painting it
  for (std::size_t i = 0; i < count; ++i) {
    if (i + kAhead < count && !frame.points.empty()) {
      const std::uint32_t p = grid.topLeftPoint(frame.triangles[i + kAhead].cell);
      __builtin_prefetch(frame.points.data() + p);
      __builtin_prefetch(frame.points.data() + p + grid.gridWidth);
    }
    if ((i & 0xFFFF) == 0 && stopAsked && stopAsked()) {
      surface.attach(nullptr);
      return false;
    }
    paintTriangle(surface, grid, frame.points.empty() ? nullptr : frame.points.data(),
                  frame.triangles[i], frame.wireframe);
  }
  surface.attach(nullptr);
  return true;
}
