// Worked examples of the camera (the reference pipeline uses it) and of the lighting formula;
// refusals of models and screens too large.

#include <gtest/gtest.h>

#include "TerrainFixtures.h"
#include "engine/ViewCamera.h"

using namespace terrain_test;
using Change = void (*)(RenderSettings&);

TEST(ViewCamera, ProjectsOntoTheScreenAndKeepsOnlyCornersNearItAndFarEnough) {
  // Distance 256 at depth 256: sx = 160 + x and sy = 120 + y; the margin is 64 pixels.
  const Change unit = [](RenderSettings& s) { s.distance = 256.0; };
  const Change oblique = [](RenderSettings& s) {
    s.viewpoint = {-200, -200, 300}, s.lookAt = {128, 128, 20};
  };
  const struct {
    const char* name;
    Change change;
    double x, y, z;
    bool kept;
    double sx = kNaN, sy = kNaN;  // checked when kept
  } cases[] = {
      // The default camera looks straight down from 256: 0.9375 pixels per grid step.
      {"default, origin at the centre", nullptr, 0, 0, 0, true, 160, 120},
      {"default, (17, -20)", nullptr, 17, -20, 0, true, 160 + 15.9375, 120 - 18.75},
      {"oblique, the look-at point at the centre", oblique, 128, 128, 20, true, 160, 120},
      {"depth at the near limit", [](RenderSettings& s) { s.nearLimit = 256; }, 0, 0, 0, true},
      {"depth just short of it",
       [](RenderSettings& s) { s.nearLimit = std::nextafter(256.0, 1e3); }, 0, 0, 0, false},
      {"left edge -64", unit, -224, 0, 0, true},
      {"left beyond -64.5", unit, -224.5, 0, 0, false},
      {"right edge Ws+64", unit, 224, 0, 0, true},
      {"right beyond", unit, 224.5, 0, 0, false},
      {"top beyond -64.5", unit, 0, -184.5, 0, false},
      {"bottom beyond Hs+64.5", unit, 0, 184.5, 0, false},
      {"top inside", unit, 0, -183.5, 0, true},
      {"bottom inside", unit, 0, 183.5, 0, true},
      {"NaN distance", [](RenderSettings& s) { s.distance = kNaN; }, 0, 0, 0, false},
      {"infinite distance", [](RenderSettings& s) { s.distance = kInf; }, 1, 0, 0, false},
      {"NaN near limit", [](RenderSettings& s) { s.nearLimit = kNaN; }, 0, 0, 0, false},
      {"near limit 0, at the eye", [](RenderSettings& s) { s.nearLimit = 0; }, 0, 0, 256, false},
      {"corner above the eye", nullptr, 0, 0, 300, false},
      {"NaN viewpoint", [](RenderSettings& s) { s.viewpoint.x = kNaN; }, 0, 0, 0, false},
      {"infinite height", nullptr, 0, 0, -kInf, false},
      {"NaN height", nullptr, 0, 0, kNaN, false},
      {"x beyond int", [](RenderSettings& s) { s.screenWidth = 4294967295u; }, 1, 0, 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RenderSettings s;
    if (c.change) c.change(s);
    double sx, sy, depth;
    ASSERT_EQ(ViewCamera::fromSettings(s).project(c.x, c.y, c.z, sx, sy, depth), c.kept);
    EXPECT_TRUE(std::isnan(c.sx) || (std::abs(sx - c.sx) < 1e-9 && std::abs(sy - c.sy) < 1e-9));
    EXPECT_TRUE(!c.kept || c.change || std::abs(depth - 256) < 1e-9) << depth;
  }
}

// channel' = trunc(channel x (brightness x factor)) in its low byte, with brightness =
// cosine (1 - ambient) + ambient; on level triangles of one colour (0xBBGGRR), normal up.
TEST(ApplyLighting, ChannelsScaleByBrightnessAndLightColour) {
  const std::tuple<const char*, double, Vec3, Vec3, Color, Color> cases[] = {
      {"defaults: 255 -> 201, 100 -> 78", 0.5, {1, 1, 1}, {1, 1, 1}, 0x0064FF, 0x004EC9},
      {"ambient 1 ignores the light colour", 1, {1, 1, 1}, {.5, .5, .5}, 0x0764FF, 0x0764FF},
      {"ambient 0 facing away is black", 0, {0, 0, -1}, {1, 1, 1}, 0xFFFFFF, 0},
      {"zero light direction: ambient only", 0.5, {0, 0, 0}, {1, 1, 1}, 0x0064FF, 0x00327F},
      {"factors per channel", 0, {0, 0, 1}, {1, .5, .25}, 0xFFFFFF, 0x3F7FFF},
      {"factor 2 wraps around modulo 256", 0, {0, 0, 1}, {2, 2, 2}, 0x0064FF, 0x00C8FE},
      {"non-finite and huge products become 0", 0.5, {1, 1, 1}, {kNaN, kInf, 1e300}, 0xFFFFFF, 0},
      {"NaN ambient becomes 0", kNaN, {1, 1, 1}, {1, 1, 1}, 0xFFFFFF, 0},
  };
  for (const auto& [name, ambient, direction, factors, colour, expected] : cases) {
    TerrainRenderer r;
    r.settings.ambient = ambient, r.settings.lightDirection = direction;
    r.settings.lightColor = factors;
    ASSERT_TRUE(runStages(r, makeTexture(2, 2, [&](int, int) { return colour; }),
                          makeBump(2, 2, [](int, int) { return 0; })));
    EXPECT_EQ(r.polygon(0).v[0].color, expected) << name;
  }
}

// Refused before anything else happens: no window, no model, the default screen if any.
TEST(Refusals, ModelsAndScreensTooLargeGetTheirMessageAndNothingElse) {
  const std::tuple<const char*, bool, std::uint32_t, std::uint32_t> cases[] = {
      {"model 100000 a side: beyond 32 bits", false, 100000, 100000},
      {"model 2^31 - 1 a side", false, 2147483647, 2147483647},
      {"model 46341 a side: 515 GB", false, 46341, 46341},
      {"screen 100000 a side", true, 100000, 100000},
      {"screen 2^32 - 1 a side", true, 4294967295u, 4294967295u},
      {"screen 2^32 - 1 wide", true, 4294967295u, 10},
      {"screen 40000 wide", true, 40000, 1},
      {"screen of 900 million pixels", true, 30000, 30000},
      {"screen 0 wide", true, 0, 240},
      {"screen 0 high", true, 240, 0}};
  for (const auto& [name, screen, width, height] : cases) {
    SCOPED_TRACE(name);
    RecordingFeedback feedback;
    TerrainRenderer r;
    r.setFeedback(&feedback);
    const DibImage image = gradientTexture(2, 2);
    if (screen) r.settings.screenWidth = width, r.settings.screenHeight = height;
    EXPECT_FALSE(screen ? r.createScreen()
                        : r.buildMesh(MeshPurpose::Rendering, image, image, width, height));
    const std::string message = screen ? "スクリーンの作成に失敗しました。" : "メモリ不足です。";
    EXPECT_EQ(feedback.messageTexts(), std::vector{message});
    EXPECT_TRUE(feedback.windows.empty() && !r.isDrawing() && !r.hasModel());
    int w = 0, h = 0;  // a refused screen leaves the default one
    EXPECT_EQ(r.getScreenSize(&w, &h) && w == 320 && h == 240, screen);
  }
  TerrainRenderer r;  // the largest side is allowed
  r.settings.screenWidth = TerrainRenderer::kMaxScreenSide, r.settings.screenHeight = 1;
  EXPECT_TRUE(r.createScreen() && r.screen().width() == 32768 && r.screen().height() == 1);
}
