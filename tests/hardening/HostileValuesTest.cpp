// Hostile settings and texture shapes: each reads back from a document, renders, exports and
// runs through qn-render, or fails with a message; none crashes. Then the fuzz findings.

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cmath>
#include <cstring>
#include <limits>

#include "document/DocumentFile.h"
#include "document/DocumentModel.h"
#include "export/DxfExport.h"
#include "settings/NumberText.h"
#include "settings/SettingsFields.h"
#include "support/FileContents.h"
#include "support/RecordingFeedback.h"
#include "support/TempFolder.h"
#include "support/TestTextures.h"

namespace {

using Limits = std::numeric_limits<double>;
struct Case {
  std::string name;
  RenderSettings settings;
  std::array<int, 4> shape;  // surface and bump: width, height
};

std::vector<Case> hostileCases() {
  std::vector<Case> cases;
  auto add = [&](const testing::Message& name, std::array<int, 4> shape = {7, 6, 7, 6}) -> auto& {
    return cases.emplace_back(Case{name.GetString(), {}, shape}).settings;
  };
  // Double f (in the order of the slots below; 16: all of them) = each of nine values.
  for (int f = 0; f <= 16; ++f)
    for (double value : {Limits::quiet_NaN(), Limits::infinity(), -Limits::infinity(), -0.0,
                         Limits::max(), -Limits::max(), 1e308, Limits::denorm_min(), -1e-300}) {
      RenderSettings& s = add(testing::Message() << "double " << f << " = " << value);
      double* slots[] = {
          &s.distance,         &s.nearLimit,        &s.viewpoint.x,      &s.viewpoint.y,
          &s.viewpoint.z,      &s.lookAt.x,         &s.lookAt.y,         &s.lookAt.z,
          &s.lightDirection.x, &s.lightDirection.y, &s.lightDirection.z, &s.lightColor.x,
          &s.lightColor.y,     &s.lightColor.z,     &s.ambient,          &s.emphasisRate};
      for (double* slot : slots)
        if (f == 16 || slot == slots[f]) *slot = value;
    }
  const std::uint32_t screens[][2] = {
      {0, 0},          {0, 240},        {320, 0}, {UINT32_MAX, UINT32_MAX},
      {UINT32_MAX, 1}, {1, UINT32_MAX}, {1, 1},   {65536, 65536}};
  for (auto [w, h] : screens)
    add(testing::Message() << "screen " << w << " x " << h) = {.screenWidth = w, .screenHeight = h};
  for (auto [on, min, max] :
       {std::tuple{1, 200u, 10u}, {1, UINT32_MAX, 0u}, {1, 0u, UINT32_MAX}, {-1, 5u, 255u}})
    add(testing::Message() << "slice " << on << ", " << min << " to " << max) = {
        .sliceEnabled = on, .sliceMin = min, .sliceMax = max};
  for (std::int32_t mode : {-1, 3, INT32_MIN, INT32_MAX})
    add(testing::Message() << "subdivision " << mode).subdivisionMode = mode;
  for (std::int32_t mode : {2, INT32_MIN})
    add(testing::Message() << "wireframe " << mode).wireframe = mode;
  for (std::int32_t slice : {0, 1})
    add(testing::Message() << "emphasis 1e308, slice " << slice) = {
        .sliceEnabled = slice, .sliceMin = 1, .emphasisRate = 1e308, .wireframe = !slice};
  add(testing::Message() << "viewpoint at the point looked at").viewpoint = RenderSettings().lookAt;
  add(testing::Message() << "light direction 0").lightDirection = {};
  for (auto shape :
       {std::array{2, 2, 2, 2}, {65535, 2, 65535, 2}, {2, 2, 65535, 2}, {2, 65535, 2, 65535}})
    add(testing::Message() << "surface, bump " << testing::PrintToString(shape), shape);
  return cases;
}

TEST(HostileValues, EverySettingRendersExportsAndReadsBackOrFailsWithAMessage) {
  TempFolder folder;
  for (int fieldCase = 0; const Case& c : hostileCases()) {
    SCOPED_TRACE(c.name);
    const auto [sw, sh, bw, bh] = c.shape;  // surface and bump: width, height
    const DibImage surface = gradientTexture(sw, sh), bump = gradientTexture(bw, bh);
    ASSERT_TRUE(surface.writeFile(folder.file("s.bmp")) && bump.writeFile(folder.file("b.bmp")));
    // Stored in a document, read back bit for bit, rendered and exported.
    const auto bytes = encodeDocument("s.bmp", "b.bmp", c.settings);
    ASSERT_TRUE(bytes.has_value() && writeBytes(folder.file("hostile.qnf"), *bytes));
    RecordingFeedback feedback, exportFeedback;
    DocumentModel model(&feedback);
    ASSERT_EQ(model.readFile(folder.file("hostile.qnf")), DocumentReadResult::Read);
    EXPECT_EQ(std::memcmp(&model.renderer.settings.distance, &c.settings.distance, 8), 0);
    const bool drew = model.startRendering() == StartResult::Started && model.renderer.drawToEnd();
    EXPECT_TRUE(drew || !feedback.messages.empty()) << "a stage failed without a message";
    int w = 0, h = 0;
    EXPECT_TRUE(!drew || (model.renderer.getScreenSize(&w, &h) && w > 0 && h > 0));
    EXPECT_TRUE(exportDxf(model.renderer, surface, bump, folder.file("m.dxf"), exportFeedback) ==
                    DxfExportResult::Written ||
                !exportFeedback.messages.empty());
    EXPECT_TRUE(!model.renderer.isDrawing() && feedback.allWindowsClosed());
    if (c.settings == RenderSettings{}) {  // only the shape is hostile: all is drawn
      EXPECT_EQ(drew ? model.renderer.polygonCount() : 0u,
                2u * (std::min(sw, bw) - 1) * (std::min(sh, bh) - 1));
    }
    // qn-render: a picture and exit 0, or a message and exit 1. Of the double values only each
    // 8th case: 8 and 9 share no factor, so every value and every field still runs.
    if (c.name.starts_with("double ") && fieldCase++ % 8 != 0) continue;
    std::filesystem::remove(folder.file("out.bmp"));
    const std::string run =
        "cd '" + folder.path() + "' && '" QN_RENDER_PATH "' -q --print-settings";
    const int status = std::system((run + " hostile.qnf -o out.bmp >/dev/null 2>err").c_str());
    const std::string errors = readText(folder.file("err"));
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) <= 1) << status << errors;
    EXPECT_TRUE(WEXITSTATUS(status) ? !errors.empty() : DibImage().load(folder.file("out.bmp")));
  }
}

}  // namespace

// fuzz_qnf: a name of exactly 1023 bytes was written, but reading fills the line by count
// and takes its CR LF as the next name, so the document reopened with shifted settings.
TEST(FuzzFindings, NameThatFillsTheReadLineIsNotStored) {
  const std::string full(kMaxStoredNameLength, 'n'), longest(kMaxStoredNameLength - 1, 'n');
  EXPECT_TRUE(!encodeDocument(full, "b.bmp", {}) && !encodeDocument("s.bmp", full, {}));
  const RenderSettings settings{.screenWidth = 640};
  const DocumentParseResult read =
      parseDocument(encodeDocument(longest, longest, settings).value());
  ASSERT_EQ(read.status, DocumentParseStatus::Parsed);
  EXPECT_EQ(std::tie(read.data.surfaceName, read.data.bumpName, read.data.settings),
            std::tie(longest, longest, settings));
}

// fuzz_numbers, fuzz_set: the largest doubles were shown with 15 digits as
// "1.79769313486232e+308", beyond the largest double, and refused when read back.
TEST(FuzzFindings, LargestDoublesShowAsTextThatReadsBack) {
  for (double value : {Limits::max(), -Limits::max(), std::nextafter(Limits::max(), 0.0)})
    EXPECT_EQ(parseDouble(formatDouble(value)), value) << formatDouble(value);
  EXPECT_EQ(formatDouble(1.79769313486231e308), "1.79769313486231e+308");  // elsewhere 15 digits
  RenderSettings settings, again;
  ASSERT_FALSE(parseAssignment(settings, "distance=1.7976931348623157e308").has_value());
  EXPECT_FALSE(parseField(again, "distance", formatField(settings, "distance")).has_value());
  EXPECT_EQ(again.distance, settings.distance);
}
