// CameraPreview: a coarse model built once, pictures per camera.

#include "engine/CameraPreview.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <vector>

namespace {

// Every step-th pixel of the top-left width x height area of source, with its fine heights.
bool sampleEvery(const DibImage& source, int width, int height, int step, DibImage& target) {
  const int coarseWidth = (width - 1) / step + 1, coarseHeight = (height - 1) / step + 1;
  if (!target.create(coarseWidth, coarseHeight)) return false;
  const Color* from = source.pixels();
  const float* fine = source.fineHeights();
  std::vector<float> fineTarget;
  try {
    if (fine != nullptr) fineTarget.resize(std::size_t(coarseWidth) * coarseHeight);
  } catch (const std::bad_alloc&) {
    return false;
  }
  Color* to = target.pixels();
  for (int j = 0; j < coarseHeight; ++j) {
    const std::size_t row = std::size_t(j) * step * source.width();
    for (int i = 0; i < coarseWidth; ++i) {
      const std::size_t at = row + std::size_t(i) * step;
      const std::size_t out = std::size_t(j) * coarseWidth + i;
      to[out] = from[at];
      if (fine != nullptr) fineTarget[out] = fine[at];
    }
  }
  return fine == nullptr || target.setFineHeights(std::move(fineTarget));
}

Vec3 scaled(const Vec3& v, double factor) { return {v.x * factor, v.y * factor, v.z * factor}; }

}  // namespace

int CameraPreview::coarseStep(int width, int height) {
  const int side = std::max(width, height);
  return side <= kPreviewSide ? 1 : (side - 1 + kPreviewSide - 2) / (kPreviewSide - 1);
}

bool CameraPreview::prepare(const DibImage& surface, const DibImage& bump, int width, int height,
                            const RenderSettings& settings) {
  prepared_ = false;
  renderer_.resetSettings();
  if (width < 2 || height < 2 || width > surface.width() || height > surface.height() ||
      width > bump.width() || height > bump.height())
    return false;
  step_ = coarseStep(width, height);
  settings_ = settings;
  const RenderSettings defaults;
  if (settings_.screenWidth == 0 || settings_.screenHeight == 0) {
    settings_.screenWidth = defaults.screenWidth;
    settings_.screenHeight = defaults.screenHeight;
  }
  if (!(settings_.nearLimit > 0.0)) settings_.nearLimit = defaults.nearLimit;

  DibImage coarseSurface, coarseBump;
  const DibImage* meshSurface = &surface;
  const DibImage* meshBump = &bump;
  int meshWidth = width, meshHeight = height;
  if (step_ > 1) {
    if (!sampleEvery(surface, width, height, step_, coarseSurface) ||
        !sampleEvery(bump, width, height, step_, coarseBump))
      return false;
    meshSurface = &coarseSurface;
    meshBump = &coarseBump;
    meshWidth = coarseSurface.width();
    meshHeight = coarseSurface.height();
  }
  renderer_.settings = settings_;
  renderer_.settings.emphasisRate = settings_.emphasisRate / step_;
  renderer_.drawCount = std::numeric_limits<std::uint32_t>::max();  // one step paints all
  prepared_ =
      renderer_.buildMesh(MeshPurpose::Rendering, *meshSurface, *meshBump, meshWidth, meshHeight) &&
      renderer_.averageColors() && renderer_.keepModelForFrames(/*lightOnce=*/true);
  return prepared_;
}

double CameraPreview::fitScale(const RenderSettings& settings, int boxWidth, int boxHeight) {
  const RenderSettings defaults;
  const bool given = settings.screenWidth != 0 && settings.screenHeight != 0;
  const double width = given ? settings.screenWidth : defaults.screenWidth;
  const double height = given ? settings.screenHeight : defaults.screenHeight;
  return std::min(boxWidth / width, boxHeight / height);
}

const DibImage* CameraPreview::render(const RenderSettings& camera, int boxWidth, int boxHeight) {
  if (!prepared_ || boxWidth < 1 || boxHeight < 1) return nullptr;
  const double scale = fitScale(settings_, boxWidth, boxHeight);
  RenderSettings& frame = renderer_.settings;
  frame.screenWidth =
      std::max(1u, static_cast<std::uint32_t>(std::lround(settings_.screenWidth * scale)));
  frame.screenHeight =
      std::max(1u, static_cast<std::uint32_t>(std::lround(settings_.screenHeight * scale)));
  frame.distance = camera.distance * scale;
  // The coarse model is the terrain shrunk by the step: so are the camera and the near limit.
  const double shrink = 1.0 / step_;
  frame.viewpoint = scaled(camera.viewpoint, shrink);  // exact at step 1
  frame.lookAt = scaled(camera.lookAt, shrink);
  frame.nearLimit = settings_.nearLimit / step_;
  if (!renderer_.renderFrame()) return nullptr;
  return &renderer_.screen();
}
