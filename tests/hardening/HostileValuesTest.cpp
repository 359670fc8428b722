// Hostile values: NaN, infinities, -0, huge and tiny doubles in every field, screens of 0
// and 4294967295, reversed slices, modes out of range, extreme texture shapes. Each renders,
// exports, reads back from a document or runs through qn-render, or fails with a message;
// none crashes (the test build stops at the first undefined behaviour).

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "document/DocumentFile.h"
#include "document/DocumentModel.h"
#include "engine/TerrainFixtures.h"
#include "export/DxfExport.h"
#include "hardening/HardeningFixtures.h"

namespace {

using Limits = std::numeric_limits<double>;
struct Case {
  std::string name;
  RenderSettings settings;
  bool inQnRender;  // the sample run through qn-render too
};

std::vector<Case> hostileCases() {
  const double values[] = {Limits::quiet_NaN(),
                           Limits::infinity(),
                           -Limits::infinity(),
                           -0.0,
                           Limits::max(),
                           -Limits::max(),
                           1e308,
                           Limits::denorm_min(),
                           -1e-300};
  const char* valueNames[] = {"NaN",     "+inf",          "-inf",  "-0",
                              "largest", "most negative", "1e308", "smallest subnormal",
                              "-1e-300"};
  const char* fields[] = {
      "distance",         "nearLimit",        "viewpoint.x",      "viewpoint.y",
      "viewpoint.z",      "lookAt.x",         "lookAt.y",         "lookAt.z",
      "lightDirection.x", "lightDirection.y", "lightDirection.z", "lightColor.r",
      "lightColor.g",     "lightColor.b",     "ambient",          "emphasisRate"};
  std::vector<Case> cases;
  for (int f = 0; f < 16; ++f)
    for (int v = 0; v < 9; ++v) {
      Case c{std::string(fields[f]) + " = " + valueNames[v], {}, f < 2 || f == 4 || f == 15};
      RenderSettings& s = c.settings;
      double* slots[] = {
          &s.distance,         &s.nearLimit,        &s.viewpoint.x,      &s.viewpoint.y,
          &s.viewpoint.z,      &s.lookAt.x,         &s.lookAt.y,         &s.lookAt.z,
          &s.lightDirection.x, &s.lightDirection.y, &s.lightDirection.z, &s.lightColor.x,
          &s.lightColor.y,     &s.lightColor.z,     &s.ambient,          &s.emphasisRate};
      *slots[f] = values[v];
      cases.push_back(c);
    }
  constexpr std::uint32_t kLargest = 4294967295u;
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  // clang-format off
  const std::pair<const char*, void (*)(RenderSettings&)> changes[] = {
      {"screen 0 x 0", [](RenderSettings& s) { s.screenWidth = s.screenHeight = 0; }},
      {"screen 0 wide", [](RenderSettings& s) { s.screenWidth = 0; }},
      {"screen 0 high", [](RenderSettings& s) { s.screenHeight = 0; }},
      {"screen 4294967295 x 4294967295", [](RenderSettings& s) { s.screenWidth = s.screenHeight = kLargest; }},
      {"screen 4294967295 x 1", [](RenderSettings& s) { s.screenWidth = kLargest, s.screenHeight = 1; }},
      {"screen 1 x 4294967295", [](RenderSettings& s) { s.screenWidth = 1, s.screenHeight = kLargest; }},
      {"screen 1 x 1", [](RenderSettings& s) { s.screenWidth = s.screenHeight = 1; }},
      {"screen 65536 x 65536", [](RenderSettings& s) { s.screenWidth = s.screenHeight = 65536; }},
      {"slice reversed", [](RenderSettings& s) { s.sliceEnabled = 1, s.sliceMin = 200, s.sliceMax = 10; }},
      {"slice 4294967295 to 0", [](RenderSettings& s) { s.sliceEnabled = 1, s.sliceMin = kLargest, s.sliceMax = 0; }},
      {"slice 0 to 4294967295", [](RenderSettings& s) { s.sliceEnabled = 1, s.sliceMax = kLargest; }},
      {"slice enabled -1", [](RenderSettings& s) { s.sliceEnabled = -1, s.sliceMin = 5; }},
      {"subdivision -1", [](RenderSettings& s) { s.subdivisionMode = -1; }},
      {"subdivision 3", [](RenderSettings& s) { s.subdivisionMode = 3; }},
      {"subdivision INT_MIN", [](RenderSettings& s) { s.subdivisionMode = kMin; }},
      {"subdivision INT_MAX", [](RenderSettings& s) { s.subdivisionMode = kMax; }},
      {"wireframe 2", [](RenderSettings& s) { s.wireframe = 2; }},
      {"wireframe INT_MIN", [](RenderSettings& s) { s.wireframe = kMin; }},
      {"emphasis 1e308 wireframe", [](RenderSettings& s) { s.emphasisRate = 1e308, s.wireframe = 1; }},
      {"emphasis 1e308 sliced", [](RenderSettings& s) { s.emphasisRate = 1e308, s.sliceEnabled = 1, s.sliceMin = 1; }},
      {"everything NaN", [](RenderSettings& s) {
         const double nan = Limits::quiet_NaN();
         s.distance = s.nearLimit = s.ambient = s.emphasisRate = nan;
         s.viewpoint = s.lookAt = s.lightDirection = s.lightColor = {nan, nan, nan}; }},
      {"viewpoint at the point looked at", [](RenderSettings& s) { s.viewpoint = s.lookAt; }},
      {"light direction 0", [](RenderSettings& s) { s.lightDirection = {}; }},
  };
  // clang-format on
  for (const auto& [name, change] : changes) {
    cases.push_back({name, {}, true});
    change(cases.back().settings);
  }
  return cases;
}

// A whole rendering, or a refusal that says why; the screen is left in any case.
bool renderWholePicture(TerrainRenderer& renderer, RecordingFeedback& feedback,
                        const DibImage& surface, const DibImage& bump) {
  renderer.setFeedback(&feedback);
  const bool drew = terrain_test::renderAll(renderer, surface, bump);
  EXPECT_TRUE(drew || !feedback.messages.empty()) << "a stage failed without a message";
  EXPECT_TRUE(!renderer.isDrawing() && feedback.allWindowsClosed());
  int w = 0, h = 0;
  EXPECT_TRUE(!drew || (renderer.getScreenSize(&w, &h) && w > 0 && h > 0));
  return drew;
}

TEST(HostileValues, EverySettingRendersExportsAndReadsBackOrFailsWithAMessage) {
  TempFolder folder;
  const DibImage surface = gradientTexture(7, 6), bump = gradientTexture(7, 6);
  ASSERT_TRUE(surface.writeFile(folder.file("s.bmp")) && bump.writeFile(folder.file("b.bmp")));
  for (const Case& c : hostileCases()) {
    SCOPED_TRACE(c.name);
    {
      RecordingFeedback feedback;
      TerrainRenderer renderer;
      renderer.settings = c.settings;
      renderWholePicture(renderer, feedback, surface, bump);
    }
    {
      RecordingFeedback feedback;
      TerrainRenderer renderer;
      renderer.settings = c.settings;
      EXPECT_TRUE(exportDxf(renderer, surface, bump, folder.file("mesh.dxf"), feedback) ==
                      DxfExportResult::Written ||
                  !feedback.messages.empty());
      EXPECT_FALSE(renderer.isDrawing());
    }
    // Stored in a document, read back bit for bit and rendered by the document.
    const auto bytes = encodeDocument("s.bmp", "b.bmp", c.settings);
    ASSERT_TRUE(bytes.has_value() && writeBytes(folder.file("hostile.qnf"), *bytes));
    RecordingFeedback feedback;
    DocumentModel document(&feedback);
    ASSERT_EQ(document.readFile(folder.file("hostile.qnf")), DocumentReadResult::Read);
    EXPECT_EQ(std::memcmp(&document.renderer.settings.distance, &c.settings.distance, 8), 0);
    if (document.startRendering() == StartResult::Started) {
      document.renderer.drawToEnd();
    } else {
      EXPECT_FALSE(feedback.messages.empty());
    }
#ifdef QN_RENDER_PATH
    if (!c.inQnRender) continue;  // a picture and exit 0, or a message and exit 1
    const std::string picture = folder.file("out.bmp");
    std::filesystem::remove(picture);
    const RunResult run =
        runRender({"-q", folder.file("hostile.qnf"), "-o", picture, "--print-settings"},
                  folder.file("err.txt"));
    ASSERT_TRUE(run.exitStatus == 0 || run.exitStatus == 1) << run.exitStatus << run.errorOutput;
    DibImage image;
    EXPECT_TRUE(run.exitStatus == 0 ? image.load(picture) : !run.errorOutput.empty());
#endif
  }
}

TEST(HostileValues, ExtremeTextureShapesRender) {
  const struct {
    const char* name;
    int surfaceWidth, surfaceHeight, bumpWidth, bumpHeight;
  } shapes[] = {{"2 x 2 both", 2, 2, 2, 2},
                {"bump 65535 x 2", 65535, 2, 65535, 2},
                {"bump 65535 x 2, surface 2 x 2", 2, 2, 65535, 2},
                {"bump 2 x 65535", 2, 65535, 2, 65535}};
  for (const auto& shape : shapes) {
    SCOPED_TRACE(shape.name);
    const DibImage surface = gradientTexture(shape.surfaceWidth, shape.surfaceHeight);
    const DibImage bump = gradientTexture(shape.bumpWidth, shape.bumpHeight);
    ASSERT_TRUE(surface.isValid() && bump.isValid());
    RecordingFeedback feedback;
    TerrainRenderer renderer;
    renderer.drawCount = 1u << 20;
    EXPECT_TRUE(renderWholePicture(renderer, feedback, surface, bump));
    EXPECT_EQ(renderer.polygonCount(),
              std::uint32_t(2 * (std::min(shape.surfaceWidth, shape.bumpWidth) - 1) *
                            (std::min(shape.surfaceHeight, shape.bumpHeight) - 1)));
  }
}

}  // namespace
