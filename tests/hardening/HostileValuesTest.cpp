// Hostile values: documents holding NaN, infinities, negative zero, huge and tiny doubles
// in every field, screen sizes 0 and 4294967295, reversed slice ranges, subdivision modes
// out of range, emphasis 1e308, and textures of extreme shapes. Every one renders (all
// stages, then drawStep until the drawing ends) or fails with a message; none crashes, and
// since the test build stops at the first undefined behaviour, UBSan stays silent too.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "document/DocumentFile.h"
#include "document/DocumentModel.h"
#include "engine/TerrainRenderer.h"
#include "export/DxfExport.h"
#include "hardening/HardeningFixtures.h"
#include "support/RecordingFeedback.h"

namespace {

using Limits = std::numeric_limits<double>;

struct HostileDouble {
  const char* name;
  double value;
};

const std::vector<HostileDouble> kHostileDoubles = {
    {"NaN", Limits::quiet_NaN()},
    {"+inf", Limits::infinity()},
    {"-inf", -Limits::infinity()},
    {"-0", -0.0},
    {"largest", Limits::max()},
    {"most negative", -Limits::max()},
    {"1e308", 1e308},
    {"smallest subnormal", Limits::denorm_min()},
    {"-1e-300", -1e-300},
};

struct DoubleSlot {
  const char* name;
  std::function<double&(RenderSettings&)> slot;
};

const std::vector<DoubleSlot> kDoubleSlots = {
    {"distance", [](RenderSettings& s) -> double& { return s.distance; }},
    {"nearLimit", [](RenderSettings& s) -> double& { return s.nearLimit; }},
    {"viewpoint.x", [](RenderSettings& s) -> double& { return s.viewpoint.x; }},
    {"viewpoint.y", [](RenderSettings& s) -> double& { return s.viewpoint.y; }},
    {"viewpoint.z", [](RenderSettings& s) -> double& { return s.viewpoint.z; }},
    {"lookAt.x", [](RenderSettings& s) -> double& { return s.lookAt.x; }},
    {"lookAt.y", [](RenderSettings& s) -> double& { return s.lookAt.y; }},
    {"lookAt.z", [](RenderSettings& s) -> double& { return s.lookAt.z; }},
    {"lightDirection.x", [](RenderSettings& s) -> double& { return s.lightDirection.x; }},
    {"lightDirection.y", [](RenderSettings& s) -> double& { return s.lightDirection.y; }},
    {"lightDirection.z", [](RenderSettings& s) -> double& { return s.lightDirection.z; }},
    {"lightColor.r", [](RenderSettings& s) -> double& { return s.lightColor.x; }},
    {"lightColor.g", [](RenderSettings& s) -> double& { return s.lightColor.y; }},
    {"lightColor.b", [](RenderSettings& s) -> double& { return s.lightColor.z; }},
    {"ambient", [](RenderSettings& s) -> double& { return s.ambient; }},
    {"emphasisRate", [](RenderSettings& s) -> double& { return s.emphasisRate; }},
};

struct SettingsCase {
  std::string name;
  RenderSettings settings;
};

// Every double field with every hostile value, once with the slice on.
std::vector<SettingsCase> doubleCases() {
  std::vector<SettingsCase> cases;
  for (const DoubleSlot& slot : kDoubleSlots) {
    for (const HostileDouble& value : kHostileDoubles) {
      SettingsCase c{std::string(slot.name) + " = " + value.name, {}};
      slot.slot(c.settings) = value.value;
      cases.push_back(c);
    }
  }
  return cases;
}

std::vector<SettingsCase> integerCases() {
  const auto with = [](std::string name, std::function<void(RenderSettings&)> change) {
    SettingsCase c{std::move(name), {}};
    change(c.settings);
    return c;
  };
  constexpr std::uint32_t kLargest = 4294967295u;
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  return {
      with("screen 0 x 0", [](RenderSettings& s) { s.screenWidth = s.screenHeight = 0; }),
      with("screen 0 wide", [](RenderSettings& s) { s.screenWidth = 0; }),
      with("screen 0 high", [](RenderSettings& s) { s.screenHeight = 0; }),
      with("screen 4294967295 x 4294967295",
           [](RenderSettings& s) { s.screenWidth = s.screenHeight = kLargest; }),
      with("screen 4294967295 x 1",
           [](RenderSettings& s) { s.screenWidth = kLargest, s.screenHeight = 1; }),
      with("screen 1 x 4294967295",
           [](RenderSettings& s) { s.screenWidth = 1, s.screenHeight = kLargest; }),
      with("screen 1 x 1", [](RenderSettings& s) { s.screenWidth = s.screenHeight = 1; }),
      with("screen 65536 x 65536",
           [](RenderSettings& s) { s.screenWidth = s.screenHeight = 65536; }),
      with("slice reversed",
           [](RenderSettings& s) { s.sliceEnabled = 1, s.sliceMin = 200, s.sliceMax = 10; }),
      with("slice 4294967295 to 0",
           [](RenderSettings& s) { s.sliceEnabled = 1, s.sliceMin = kLargest, s.sliceMax = 0; }),
      with("slice 0 to 4294967295",
           [](RenderSettings& s) { s.sliceEnabled = 1, s.sliceMin = 0, s.sliceMax = kLargest; }),
      with("slice enabled -1", [](RenderSettings& s) { s.sliceEnabled = -1, s.sliceMin = 5; }),
      with("subdivision -1", [](RenderSettings& s) { s.subdivisionMode = -1; }),
      with("subdivision 3", [](RenderSettings& s) { s.subdivisionMode = 3; }),
      with("subdivision INT_MIN", [=](RenderSettings& s) { s.subdivisionMode = kMin; }),
      with("subdivision INT_MAX", [=](RenderSettings& s) { s.subdivisionMode = kMax; }),
      with("wireframe 2", [](RenderSettings& s) { s.wireframe = 2; }),
      with("wireframe INT_MIN", [=](RenderSettings& s) { s.wireframe = kMin; }),
      with("emphasis 1e308 wireframe",
           [](RenderSettings& s) { s.emphasisRate = 1e308, s.wireframe = 1; }),
      with("emphasis 1e308 sliced",
           [](RenderSettings& s) { s.emphasisRate = 1e308, s.sliceEnabled = 1, s.sliceMin = 1; }),
      with("everything NaN",
           [](RenderSettings& s) {
             const double nan = Limits::quiet_NaN();
             s.distance = s.nearLimit = s.ambient = s.emphasisRate = nan;
             s.viewpoint = s.lookAt = s.lightDirection = s.lightColor = {nan, nan, nan};
           }),
      with("viewpoint at the point looked at", [](RenderSettings& s) { s.viewpoint = s.lookAt; }),
      with("light direction 0",
           [](RenderSettings& s) {
             s.lightDirection = {0, 0, 0};
           }),
  };
}

// Runs the stages of a rendering and draws until the end. True when it drew; false when
// a stage refused, in which case it must have said why.
bool renderWholePicture(TerrainRenderer& renderer, RecordingFeedback& feedback,
                        const DibImage& surface, const DibImage& bump) {
  const int width = std::min(surface.width(), bump.width());
  const int height = std::min(surface.height(), bump.height());
  const bool ready = renderer.buildMesh(MeshPurpose::Rendering, surface, bump, width, height) &&
                     renderer.averageColors() && renderer.transformVertices() &&
                     renderer.sortPolygons() && renderer.applyLighting() && renderer.createScreen();
  if (!ready) {
    renderer.finishRendering();
    EXPECT_FALSE(feedback.messages.empty()) << "a stage failed without a message";
    return false;
  }
  std::uint64_t steps = 0;
  while (renderer.isDrawing() && steps++ < 1'000'000) renderer.drawStep();
  EXPECT_FALSE(renderer.isDrawing());
  renderer.finishRendering();
  int w = 0;
  int h = 0;
  EXPECT_TRUE(renderer.getScreenSize(&w, &h));
  EXPECT_GT(w, 0);
  EXPECT_GT(h, 0);
  return true;
}

std::vector<SettingsCase> allCases() {
  std::vector<SettingsCase> cases = doubleCases();
  for (SettingsCase& c : integerCases()) cases.push_back(std::move(c));
  return cases;
}

// A renderer holding one hostile case, reporting to its own recorder.
struct CaseRenderer {
  explicit CaseRenderer(const RenderSettings& settings) {
    renderer.setFeedback(&feedback);
    renderer.settings = settings;
  }
  RecordingFeedback feedback;
  TerrainRenderer renderer;
};

TEST(HostileValues, EverySettingRendersOrFailsWithAMessage) {
  const DibImage surface = gradientTexture(7, 6);
  const DibImage bump = gradientTexture(7, 6);
  for (const SettingsCase& c : allCases()) {
    SCOPED_TRACE(c.name);
    CaseRenderer run(c.settings);
    renderWholePicture(run.renderer, run.feedback, surface, bump);
    EXPECT_TRUE(run.feedback.allWindowsClosed());
  }
}

TEST(HostileValues, EverySettingExportsAsDxfOrFailsWithAMessage) {
  TempFolder folder;
  const DibImage surface = gradientTexture(5, 4);
  const DibImage bump = gradientTexture(5, 4);
  for (const SettingsCase& c : allCases()) {
    SCOPED_TRACE(c.name);
    CaseRenderer run(c.settings);
    const DxfExportResult result =
        exportDxf(run.renderer, surface, bump, folder.file("mesh.dxf"), run.feedback);
    if (result != DxfExportResult::Written) {
      EXPECT_FALSE(run.feedback.messages.empty());
    }
    EXPECT_FALSE(run.renderer.isDrawing());
  }
}

// The same values stored in a document file, read back and rendered by the document.
TEST(HostileValues, DocumentsWithHostileValuesReadAndRender) {
  TempFolder folder;
  ASSERT_TRUE(gradientTexture(6, 5).writeFile(folder.file("s.bmp")));
  ASSERT_TRUE(gradientTexture(6, 5).writeFile(folder.file("b.bmp")));
  for (const SettingsCase& c : allCases()) {
    SCOPED_TRACE(c.name);
    const auto bytes = encodeDocument("s.bmp", "b.bmp", c.settings);
    ASSERT_TRUE(bytes.has_value());
    ASSERT_TRUE(writeBytes(folder.file("hostile.qnf"), *bytes));

    RecordingFeedback feedback;
    DocumentModel document(&feedback);
    ASSERT_EQ(document.readFile(folder.file("hostile.qnf")), DocumentReadResult::Read);
    EXPECT_EQ(std::memcmp(&document.renderer.settings.distance, &c.settings.distance, 8), 0);
    if (document.startRendering() != StartResult::Started) {
      EXPECT_FALSE(feedback.messages.empty());
      continue;
    }
    document.renderer.drawToEnd();
  }
}

#ifdef QN_RENDER_PATH
// qn-render on a sample of the hostile documents: a picture and exit 0, or a message and
// exit 1; never a crash.
TEST(HostileValues, QnRenderRendersOrFailsWithAMessage) {
  TempFolder folder;
  ASSERT_TRUE(gradientTexture(6, 5).writeFile(folder.file("s.bmp")));
  ASSERT_TRUE(gradientTexture(6, 5).writeFile(folder.file("b.bmp")));
  std::vector<SettingsCase> cases = integerCases();
  for (const SettingsCase& c : doubleCases()) {
    if (c.name.starts_with("distance") || c.name.starts_with("nearLimit") ||
        c.name.starts_with("viewpoint.z") || c.name.starts_with("emphasisRate"))
      cases.push_back(c);
  }
  for (const SettingsCase& c : cases) {
    SCOPED_TRACE(c.name);
    const auto bytes = encodeDocument("s.bmp", "b.bmp", c.settings);
    ASSERT_TRUE(bytes.has_value());
    const std::string document = folder.file("hostile.qnf");
    const std::string picture = folder.file("out.bmp");
    std::filesystem::remove(picture);
    ASSERT_TRUE(writeBytes(document, *bytes));
    const RunResult run =
        runRender({"-q", document, "-o", picture, "--print-settings"}, folder.file("err.txt"));
    ASSERT_TRUE(run.exitStatus == 0 || run.exitStatus == 1) << run.exitStatus << run.errorOutput;
    if (run.exitStatus == 0) {
      DibImage image;
      EXPECT_TRUE(image.load(picture));
    } else {
      EXPECT_FALSE(run.errorOutput.empty());
    }
  }
}
#endif

// Textures of extreme shapes: the smallest usable grid, and a bump texture 65535 wide.
TEST(HostileValues, ExtremeTextureShapesRender) {
  struct Shape {
    const char* name;
    int surfaceWidth, surfaceHeight, bumpWidth, bumpHeight;
  };
  const Shape shapes[] = {
      {"2 x 2 both", 2, 2, 2, 2},
      {"bump 65535 x 2", 65535, 2, 65535, 2},
      {"bump 65535 x 2, surface 2 x 2", 2, 2, 65535, 2},
      {"bump 2 x 65535", 2, 65535, 2, 65535},
  };
  for (const Shape& shape : shapes) {
    SCOPED_TRACE(shape.name);
    const DibImage surface = gradientTexture(shape.surfaceWidth, shape.surfaceHeight);
    const DibImage bump = gradientTexture(shape.bumpWidth, shape.bumpHeight);
    ASSERT_TRUE(surface.isValid() && bump.isValid());
    RecordingFeedback feedback;
    TerrainRenderer renderer;
    renderer.setFeedback(&feedback);
    renderer.drawCount = 1u << 20;
    EXPECT_TRUE(renderWholePicture(renderer, feedback, surface, bump));
    const int cells = (std::min(shape.surfaceWidth, shape.bumpWidth) - 1) *
                      (std::min(shape.surfaceHeight, shape.bumpHeight) - 1);
    EXPECT_EQ(renderer.polygonCount(), std::uint32_t(2 * cells));
  }
}

}  // namespace
