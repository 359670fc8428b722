// The camera window's preview. (At the rendering's own size and grid it is compared with the
// reference pipeline's picture.) One model serves several cameras, and a coarse grid shows
// the terrain where the rendering does.

#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "TerrainFixtures.h"
#include "engine/CameraPreview.h"

using namespace terrain_test;

namespace {

DibImage hills(int side) {
  return makeBump(side, side, [side](int x, int y) {
    return int(128 + 100 * std::sin(9.0 * x / side) * std::cos(7.0 * y / side));
  });
}

// The bounding box (left, top, right, bottom) of the pixels that are not the background.
std::array<int, 4> paintedBox(const DibImage& picture) {
  std::array<int, 4> box{1 << 30, 1 << 30, -1, -1};
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x)
      if (pixelAt(picture, x, y) != picture.pixels()[0])
        box = {std::min(box[0], x), std::min(box[1], y), std::max(box[2], x), std::max(box[3], y)};
  return box;
}

}  // namespace

TEST(CameraPreview, CoarseStepKeepsEverySideWithinThePreviewGrid) {
  const int cases[][3] = {{2, 2, 1},     {257, 100, 1},   {258, 258, 2},    {513, 20, 2},
                          {514, 514, 3}, {1025, 1025, 4}, {8193, 4097, 32}, {16384, 16384, 64}};
  for (const auto& c : cases) {
    const int step = CameraPreview::coarseStep(c[0], c[1]);
    EXPECT_EQ(step, c[2]) << c[0];
    EXPECT_LE((std::max(c[0], c[1]) - 1) / step + 1, CameraPreview::kPreviewSide) << c[0];
  }
}

TEST(CameraPreview, OneModelShowsEachCameraAsItsRenderingAndACoarseGridInPlace) {
  for (const int side : {120, 700}) {  // the full grid, then every third point
    SCOPED_TRACE(side);
    const DibImage surface = gradientTexture(side, side), bump = hills(side);
    RenderSettings settings;
    settings.viewpoint = {-60.0 * side / 120, 180.0 * side / 120, 120};
    settings.lookAt = {side * 0.8, side * 0.5, 10};
    settings.emphasisRate = 0.3;
    CameraPreview preview;
    ASSERT_TRUE(preview.prepare(surface, bump, side, side, settings));
    ASSERT_EQ(preview.step(), side == 120 ? 1 : 3);
    for (const Vec3 viewpoint : {settings.viewpoint, Vec3{200.0, -40.0, 90.0}}) {
      TerrainRenderer renderer;
      renderer.settings = settings;
      renderer.settings.viewpoint = viewpoint;
      ASSERT_TRUE(renderAll(renderer, surface, bump));
      const DibImage* picture = preview.render(renderer.settings, 640, 480);  // twice the screen
      ASSERT_TRUE(picture && picture->width() == 640);
      const auto full = paintedBox(renderer.screen()), coarse = paintedBox(*picture);
      ASSERT_GE(full[2], 0);
      // The coarse grid drops at most step - 1 points at the far edges.
      for (int k = 0; k < 4; ++k) EXPECT_NEAR(coarse[k] / 2.0, full[k], 3) << k;
      // A box of another shape gets the screen's shape; at its size, the same picture.
      picture = preview.render(renderer.settings, 400, 240);
      ASSERT_TRUE(picture && picture->width() == 320);
      EXPECT_TRUE(side > 120 || picture->encodeBmp() == renderer.screen().encodeBmp());
    }
  }
}

TEST(CameraPreview, RefusesWhatItCannotShow) {
  const DibImage surface = gradientTexture(20, 20), bump = hills(20), none;
  CameraPreview preview;
  EXPECT_FALSE(preview.prepare(none, bump, 20, 20, RenderSettings{}));
  EXPECT_FALSE(preview.prepare(surface, bump, 21, 20, RenderSettings{}));
  EXPECT_EQ(preview.render(RenderSettings{}, 100, 100), nullptr);
  ASSERT_TRUE(preview.prepare(surface, bump, 20, 20, RenderSettings{}));
  EXPECT_EQ(preview.render(RenderSettings{}, 0, 100), nullptr);
  EXPECT_NE(preview.render(RenderSettings{}, 1, 1), nullptr);
}
