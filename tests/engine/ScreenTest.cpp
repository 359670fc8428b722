// The screen, incremental drawing in batches, and whole renderings checked by their picture.

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "TerrainFixtures.h"
#include "support/RecordingFeedback.h"

using namespace terrain_test;

namespace {

// Stages run and screen created for a level terrain of W x H grid points, every
// triangle drawable under the default camera.
void prepareLevel(TerrainRenderer& r, int width, int height) {
  const DibImage surface = filledImage(width, height, 0x00C000);
  const DibImage bump = filledImage(width, height, 0);
  ASSERT_TRUE(runStages(r, surface, bump));
  ASSERT_TRUE(r.createScreen());
}

int countPixels(const DibImage& image, Color color) {
  int n = 0;
  for (int i = 0; i < image.width() * image.height(); ++i) n += image.pixels()[i] == color;
  return n;
}

}  // namespace

TEST(DrawStep, PaintsDrawCountTrianglesPerCall) {
  TerrainRenderer r;
  prepareLevel(r, 26, 21);  // 25 x 20 cells: 1000 triangles
  ASSERT_EQ(r.polygonCount(), 1000u);
  EXPECT_TRUE(r.isDrawing());
  std::vector<std::uint32_t> positions;
  for (int call = 0; call < 5; ++call) {
    EXPECT_TRUE(r.drawStep());
    positions.push_back(r.drawPosition());
  }
  EXPECT_EQ(positions, (std::vector<std::uint32_t>{256, 512, 768, 1000, 1000}));
  EXPECT_FALSE(r.isDrawing());
}

TEST(DrawStep, FirstZeroKeyEndsTheDrawingInTheSameCall) {
  TerrainRenderer r;
  // 15 x 10 cells; grid columns 11 and up rise nearer than nearLimit, so the 100 triangles
  // of cells 10 to 14 get key 0.
  r.settings.emphasisRate = 1.0;
  const DibImage surface = filledImage(16, 11, 0x00C000);
  const DibImage bump = makeTexture(16, 11, [](int x, int) { return Color(x >= 11 ? 255 : 0); });
  ASSERT_TRUE(runStages(r, surface, bump));
  ASSERT_TRUE(r.createScreen());
  ASSERT_EQ(r.polygonCount(), 300u);
  EXPECT_GT(r.polygon(199).v[0].z, 0.0);
  EXPECT_EQ(r.polygon(200).v[0].z, 0.0);
  r.drawStep();
  EXPECT_EQ(r.drawPosition(), 300u);
  EXPECT_FALSE(r.isDrawing());
}

TEST(DrawStep, DrawCountZeroPaintsNothing) {
  TerrainRenderer r;
  r.drawCount = 0;
  prepareLevel(r, 3, 3);
  r.drawStep();
  EXPECT_EQ(r.drawPosition(), 0u);
  EXPECT_EQ(countPixels(r.screen(), 0), 320 * 240);
  r.finishRendering();  // the stop command
  EXPECT_FALSE(r.isDrawing());
}

TEST(DrawStep, AfterFinishNothingMoreIsPainted) {
  TerrainRenderer r;
  prepareLevel(r, 9, 9);
  r.finishRendering();
  EXPECT_FALSE(r.hasModel());
  EXPECT_EQ(r.drawPosition(), r.polygonCount());
  EXPECT_TRUE(r.drawStep());
  EXPECT_EQ(countPixels(r.screen(), 0), 320 * 240);
}

TEST(CreateScreen, MakesTheConfiguredSizeClearedAndRestartsDrawing) {
  TerrainRenderer r;
  r.settings.screenWidth = 64;
  r.settings.screenHeight = 48;
  EXPECT_TRUE(r.createScreen());
  int w = 0, h = 0;
  EXPECT_TRUE(r.getScreenSize(&w, &h));
  EXPECT_EQ(w, 64);
  EXPECT_EQ(h, 48);
  EXPECT_EQ(countPixels(r.screen(), 0), 64 * 48);

  r.settings.wireframe = 1;
  EXPECT_TRUE(r.createScreen());
  EXPECT_EQ(countPixels(r.screen(), 0xFFFFFF), 64 * 48);
}

TEST(CreateScreen, TooLargeFallsBackToTheDefaultScreen) {
  struct Case {
    const char* name;
    std::uint32_t width, height;
  };
  const Case cases[] = {
      {"100000 x 100000", 100000, 100000},  {"32-bit maximum", 4294967295u, 4294967295u},
      {"wide beyond int", 4294967295u, 10}, {"one side too long", 40000, 1},
      {"too many pixels", 30000, 30000},    {"zero width", 0, 240},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingFeedback feedback;
    TerrainRenderer r;
    r.setFeedback(&feedback);
    r.settings.screenWidth = c.width;
    r.settings.screenHeight = c.height;
    EXPECT_FALSE(r.createScreen());
    EXPECT_EQ(feedback.messageTexts(),
              std::vector<std::string>{"スクリーンの作成に失敗しました。"});
    int w = 0, h = 0;
    EXPECT_TRUE(r.getScreenSize(&w, &h));
    EXPECT_EQ(w, 320);
    EXPECT_EQ(h, 240);
  }
}

TEST(CreateScreen, HugeScreenRenderingEndsCleanly) {
  RecordingFeedback feedback;
  TerrainRenderer r;
  r.setFeedback(&feedback);
  r.settings.screenWidth = 4294967295u;
  r.settings.screenHeight = 4294967295u;
  const DibImage image = filledImage(9, 9, 0x808080);
  EXPECT_FALSE(renderAll(r, image, image));
  EXPECT_FALSE(r.isDrawing());
  EXPECT_EQ(feedback.messageTexts(), std::vector<std::string>{"スクリーンの作成に失敗しました。"});
}

TEST(Screen, SizeIsZeroBeforeAnyScreenAndDefaultIsBlack320By240) {
  TerrainRenderer r;
  int w = -1, h = -1;
  EXPECT_FALSE(r.getScreenSize(&w, &h));
  EXPECT_EQ(w, 0);
  EXPECT_EQ(h, 0);
  EXPECT_TRUE(r.createDefaultScreen());
  EXPECT_TRUE(r.getScreenSize(&w, &h));
  EXPECT_EQ(w, 320);
  EXPECT_EQ(h, 240);
  EXPECT_EQ(countPixels(r.screen(), 0), 320 * 240);
}

TEST(Screen, BlitCopiesTheScreenAtTheGivenCorner) {
  TerrainRenderer r;
  r.settings.screenWidth = 4;
  r.settings.screenHeight = 4;
  r.settings.wireframe = 1;
  ASSERT_TRUE(r.createScreen());
  DibImage target = filledImage(10, 10, 0x123456);
  EXPECT_TRUE(r.blitScreen(target, 3, 2));
  EXPECT_EQ(pixelAt(target, 3, 2), 0xFFFFFFu);
  EXPECT_EQ(pixelAt(target, 6, 5), 0xFFFFFFu);
  EXPECT_EQ(pixelAt(target, 7, 5), 0x123456u);
  EXPECT_EQ(pixelAt(target, 2, 2), 0x123456u);
}

TEST(Rendering, LevelTerrainSeenFromAboveShowsItsLitColourOnBlack) {
  TerrainRenderer r;
  r.settings.distance = 2400.0;  // 9.375 pixels per grid step
  const DibImage surface = filledImage(9, 9, 0x00C000);
  const DibImage bump = filledImage(9, 9, 0);
  ASSERT_TRUE(renderAll(r, surface, bump));
  const DibImage& screen = r.screen();
  const Color lit = makeColor(0, 151, 0);  // 192 x 0.78868
  // Grid (0, 0) at the centre, (8, 8) at 160 + 75 = 235, 120 + 75 = 195.
  EXPECT_EQ(pixelAt(screen, 200, 160), lit);
  EXPECT_EQ(pixelAt(screen, 162, 122), lit);
  EXPECT_EQ(pixelAt(screen, 150, 160), 0u);  // left of the terrain
  EXPECT_EQ(pixelAt(screen, 200, 100), 0u);  // above it
  EXPECT_EQ(pixelAt(screen, 0, 0), 0u);
}

TEST(Rendering, WireframeShowsGreyEdgesOverLitWhiteOnWhite) {
  TerrainRenderer r;
  r.settings.wireframe = 1;
  r.settings.distance = 2400.0;
  const DibImage image = filledImage(2, 2, 0);  // two triangles
  ASSERT_TRUE(renderAll(r, image, image));
  const DibImage& screen = r.screen();
  const Color litWhite = makeColor(201, 201, 201);
  EXPECT_EQ(pixelAt(screen, 0, 0), 0xFFFFFFu);
  EXPECT_EQ(pixelAt(screen, 300, 200), 0xFFFFFFu);
  EXPECT_EQ(pixelAt(screen, 160, 120), 0x808080u);  // a corner of the cell
  EXPECT_GT(countPixels(screen, 0x808080), 20);
  EXPECT_GT(countPixels(screen, litWhite), 10);
  EXPECT_EQ(countPixels(screen, 0), 0);
}

TEST(Rendering, ObliqueCameraShowsSkyAboveAndTerrainWhereItLooks) {
  const int size = 65;
  TerrainRenderer r;
  r.settings.viewpoint = {-60, -60, 50};
  r.settings.lookAt = {32, 32, 0};
  r.settings.emphasisRate = 0.1;
  // Gentle hills, coloured by column so that the picture is not one flat colour.
  const DibImage bump =
      makeTexture(size, size, [](int x, int y) { return Color((x * 7 + y * 3) % 64 + 32); });
  const DibImage surface =
      makeTexture(size, size, [](int x, int y) { return makeColor(40 + x * 3, 200 - y * 2, 60); });
  ASSERT_TRUE(renderAll(r, surface, bump));
  const DibImage& screen = r.screen();
  EXPECT_NE(pixelAt(screen, 160, 120), 0u);  // the look-at point
  for (int x = 0; x < 320; ++x) EXPECT_EQ(pixelAt(screen, x, 0), 0u) << "sky at " << x;
  EXPECT_GT(countPixels(screen, 0), 320 * 10);
  EXPECT_LT(countPixels(screen, 0), 320 * 230);
}

TEST(Rendering, SliceRemovingEverythingStillCompletes) {
  TerrainRenderer r;
  r.settings.sliceEnabled = 1;
  r.settings.sliceMin = 100;
  r.settings.sliceMax = 200;
  const DibImage image = filledImage(5, 5, 0);
  ASSERT_TRUE(runStages(r, image, image));
  EXPECT_EQ(r.polygonCount(), 0u);
  ASSERT_TRUE(r.createScreen());
  EXPECT_FALSE(r.isDrawing());
  EXPECT_TRUE(r.drawStep());
}

TEST(Rendering, OddDocumentValuesNeverBreakThePipeline) {
  struct Case {
    const char* name;
    void (*change)(RenderSettings&);
  };
  const Case cases[] = {
      {"emphasis 1e308", [](RenderSettings& s) { s.emphasisRate = 1e308; }},
      {"emphasis -1e308", [](RenderSettings& s) { s.emphasisRate = -1e308; }},
      {"emphasis NaN",
       [](RenderSettings& s) { s.emphasisRate = std::numeric_limits<double>::quiet_NaN(); }},
      {"distance 0", [](RenderSettings& s) { s.distance = 0.0; }},
      {"near limit 0", [](RenderSettings& s) { s.nearLimit = 0.0; }},
      {"near limit negative", [](RenderSettings& s) { s.nearLimit = -1e308; }},
      {"viewpoint infinite",
       [](RenderSettings& s) { s.viewpoint.z = std::numeric_limits<double>::infinity(); }},
      {"light colour huge",
       [](RenderSettings& s) {
         s.lightColor = {1e308, -1e308, 3e9};
       }},
      {"screen 4294967295 wide", [](RenderSettings& s) { s.screenWidth = 4294967295u; }},
  };
  const DibImage bump = makeTexture(9, 9, [](int x, int y) { return Color(x * 20 + y); });
  const DibImage surface = filledImage(9, 9, 0x406080);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TerrainRenderer r;
    c.change(r.settings);
    renderAll(r, surface, bump);
    EXPECT_FALSE(r.isDrawing());
  }
}
