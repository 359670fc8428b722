// The screen and incremental drawing: the painter's algorithm without a depth buffer.
// Triangles are painted in array order, farthest first, each filled and outlined, so nearer
// ones cover farther ones; drawStep paints at most drawCount of them per call.

#include <new>

#include "engine/EngineMessages.h"
#include "engine/TerrainRenderer.h"
#include "engine/TerrainStages.h"
#include "raster/DrawSurface.h"

namespace {

constexpr int kDefaultWidth = 320;
// Triangles between asking for a triangle's grid lines and painting it.
constexpr std::uint32_t kPrefetchAhead = 16;
constexpr int kDefaultHeight = 240;

bool tryCreate(DibImage& image, int width, int height) {
  try {
    return image.create(width, height);
  } catch (const std::bad_alloc&) {
    image.release();
    return false;
  }
}

}  // namespace

bool TerrainRenderer::createScreen() {
  const std::uint32_t width = settings.screenWidth;
  const std::uint32_t height = settings.screenHeight;
  const bool sensible = width > 0 && height > 0 && width <= kMaxScreenSide &&
                        height <= kMaxScreenSide &&
                        std::uint64_t{width} * height <= kMaxScreenPixels;
  if (!sensible || !tryCreate(screen_, static_cast<int>(width), static_cast<int>(height))) {
    feedback().showMessage(engine_text::kScreenFailed, MessageIcon::Warning);
    createDefaultScreen();
    return false;
  }
  if (settings.wireframe != 0) {
    DrawSurface surface;
    surface.attach(&screen_);
    surface.drawRectangle(0, 0, static_cast<int>(width), static_cast<int>(height), 1, kWhite,
                          kWhite);
    surface.attach(nullptr);
  }
  drawPosition_ = 0;
  return true;
}

bool TerrainRenderer::createDefaultScreen() {
  if (tryCreate(screen_, kDefaultWidth, kDefaultHeight)) return true;
  feedback().showMessage(engine_text::kOutOfMemory, MessageIcon::Warning);
  return false;
}

void paintTriangle(DrawSurface& surface, const TerrainModel& grid, const ScreenPoint* points,
                   const TerrainTriangle& t, bool wireframe) {
  const TerrainModel::Corners c = grid.corners(t.cell);
  auto pixel = [&](int k) {
    if (points != nullptr) return points[c.point[k]];
    return ScreenPoint{std::int32_t(c.x[k]), std::int32_t(c.y[k])};
  };
  const ScreenPoint a = pixel(0), b = pixel(1), d = pixel(2);
  surface.drawTriangle(a.x, a.y, b.x, b.y, d.x, d.y, 1, wireframe ? kGrey : t.color, t.color);
}

bool TerrainRenderer::drawStep() {
  if (drawPosition_ >= polygonCount_) return true;
  const std::uint32_t usable = usableCount();
  const bool wireframe = settings.wireframe != 0;
  const TerrainTriangle* triangles = model_.triangles.get();
  const ScreenPoint* points = model_.screenPoints.get();
  DrawSurface surface;
  surface.attach(&screen_);
  for (std::uint32_t painted = 0; painted < drawCount && drawPosition_ < polygonCount_; ++painted) {
    // The first key that is not positive starts the undrawable tail. A positive key means
    // all three corners were kept, so their pixels are known (an untransformed model is
    // drawn at its grid positions).
    if (drawPosition_ >= usable || !(model_.keys[drawPosition_] > 0)) {
      drawPosition_ = polygonCount_;
      break;
    }
    const TerrainTriangle& t = triangles[drawPosition_];
    if (points != nullptr && drawPosition_ + kPrefetchAhead < usable)
      model_.prefetchCorners(triangles[drawPosition_ + kPrefetchAhead].cell);
    paintTriangle(surface, model_, points, t, wireframe);
    ++drawPosition_;
  }
  surface.attach(nullptr);
  return true;
}

bool TerrainRenderer::drawToEnd(const std::function<bool()>& stopAsked) {
  while (isDrawing()) {
    if (stopAsked && stopAsked()) {
      finishRendering();
      return false;
    }
    drawStep();
  }
  finishRendering();
  return true;
}

bool TerrainRenderer::getScreenSize(int* width, int* height) const {
  return screen_.getSize(width, height);
}

bool TerrainRenderer::blitScreen(DibImage& target, int x, int y) const {
  return screen_.draw(target, x, y);
}
