// The camera window's preview: at the rendering's own size and grid it is the rendering's
// picture, and its coarse grid shows the same terrain in the same place.

#include <gtest/gtest.h>

#include <cmath>

#include "TerrainFixtures.h"
#include "engine/CameraPreview.h"

namespace {

using terrain_test::renderAll;

RenderSettings sideView() {
  RenderSettings s;
  s.viewpoint = {-60.0, 180.0, 120.0};
  s.lookAt = {100.0, 60.0, 10.0};
  s.distance = 200.0;
  s.emphasisRate = 0.3;
  return s;
}

DibImage hills(int side) {
  return makeBump(side, side, [side](int x, int y) {
    const double u = double(x) / side, v = double(y) / side;
    return int(128 + 100 * std::sin(u * 9.0) * std::cos(v * 7.0));
  });
}

// The bounding box of the pixels that are not the screen's background.
struct Box {
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
};
Box paintedBox(const DibImage& picture) {
  Box box;
  const Color background = picture.pixels()[0];
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x)
      if (picture.pixels()[std::size_t(y) * picture.width() + x] != background) {
        box.left = std::min(box.left, x), box.right = std::max(box.right, x);
        box.top = std::min(box.top, y), box.bottom = std::max(box.bottom, y);
      }
  return box;
}

}  // namespace

TEST(CameraPreview, CoarseStepKeepsEverySideWithinThePreviewGrid) {
  const struct {
    int width, height, step;
  } cases[] = {{2, 2, 1},     {257, 100, 1},   {258, 258, 2},    {513, 20, 2},
               {514, 514, 3}, {1025, 1025, 4}, {8193, 4097, 32}, {16384, 16384, 64}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.width);
    const int step = CameraPreview::coarseStep(c.width, c.height);
    EXPECT_EQ(step, c.step);
    EXPECT_LE((std::max(c.width, c.height) - 1) / step + 1, CameraPreview::kPreviewSide);
  }
}

TEST(CameraPreview, AtTheScreensSizeAndFullGridItIsTheRenderingsPicture) {
  const DibImage surface = gradientTexture(120, 90), bump = hills(120);
  for (int wireframe : {0, 1}) {
    SCOPED_TRACE(wireframe);
    RenderSettings settings = sideView();
    settings.wireframe = wireframe;
    TerrainRenderer renderer;
    renderer.settings = settings;
    ASSERT_TRUE(renderAll(renderer, surface, bump));
    CameraPreview preview;
    ASSERT_TRUE(preview.prepare(surface, bump, 120, 90, settings));
    const DibImage* picture = preview.render(settings, 320, 240);
    ASSERT_NE(picture, nullptr);
    ASSERT_EQ(picture->encodeBmp(), renderer.screen().encodeBmp());
    // Another camera from the same model, and a box of another shape: the screen's shape.
    RenderSettings other = settings;
    other.viewpoint = {200.0, -40.0, 90.0};
    renderer.settings = other;
    ASSERT_TRUE(renderAll(renderer, surface, bump));
    picture = preview.render(other, 400, 240);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->encodeBmp(), renderer.screen().encodeBmp());
  }
}

TEST(CameraPreview, ACoarseGridShowsTheTerrainWhereTheRenderingDoes) {
  const int side = 700;
  const DibImage surface = gradientTexture(side, side), bump = hills(side);
  RenderSettings settings = sideView();
  settings.viewpoint = {-300.0, 900.0, 500.0};
  settings.lookAt = {350.0, 350.0, 0.0};
  settings.distance = 150.0;
  TerrainRenderer renderer;
  renderer.settings = settings;
  ASSERT_TRUE(renderAll(renderer, surface, bump));
  CameraPreview preview;
  ASSERT_TRUE(preview.prepare(surface, bump, side, side, settings));
  ASSERT_EQ(preview.step(), 3);
  const DibImage* picture = preview.render(settings, 640, 480);  // twice the screen
  ASSERT_NE(picture, nullptr);
  ASSERT_EQ(picture->width(), 640);
  const Box full = paintedBox(renderer.screen()), coarse = paintedBox(*picture);
  ASSERT_GE(full.right, 0);
  // The coarse grid drops at most step - 1 points at the far edges.
  EXPECT_NEAR(coarse.left / 2.0, full.left, 3);
  EXPECT_NEAR(coarse.right / 2.0, full.right, 3);
  EXPECT_NEAR(coarse.top / 2.0, full.top, 3);
  EXPECT_NEAR(coarse.bottom / 2.0, full.bottom, 3);
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
