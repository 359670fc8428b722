// How the stages talk to the user (windows, messages, cancel at the start, middle or end,
// out-of-memory refusals) and how the screen is made and painted in batches. Positions and
// polls of every stage are compared with the reference pipeline's.

#include <gtest/gtest.h>

#include "TerrainFixtures.h"
#include "engine/SplitItems.h"

using namespace terrain_test;

namespace {

using Strings = std::vector<std::string>;
constexpr std::uint32_t kLarge = kSplitItemsFrom + 12345;

// 101 x 101 grid points: 10000 cells, 20000 triangles.
struct Model {
  DibImage surface = filledImage(101, 101, 0x336699);
  DibImage bump = makeTexture(101, 101, [](int x, int y) { return Color((x + y) % 7); });
};

int countPixels(const DibImage& image, Color color) {
  return int(std::count(image.pixels(), image.pixels() + image.width() * image.height(), color));
}

}  // namespace

TEST(StageProtocol, EachStageShowsItsMessageInAWindowOfItsOwn) {
  RecordingFeedback feedback;
  TerrainRenderer r;
  r.setFeedback(&feedback);
  Model m;
  ASSERT_TRUE(runStages(r, m.surface, m.bump));
  ASSERT_EQ(feedback.windows.size(), 5u);
  const char* messages[] = {"曲面分割をおこなっています。", "色補完をおこなっています。",
                            "頂点移動をおこなっています。", "ソートをおこなっています。",
                            "光源処理をおこなっています。"};
  for (int stage = 0; stage < 5; ++stage) {
    const auto& w = *feedback.windows[stage];
    EXPECT_EQ(w.calls[0], "create") << stage;
    EXPECT_EQ(w.calls[1], std::string("message:") + messages[stage]) << stage;
    EXPECT_EQ(w.calls.back(), "destroy") << stage;
    EXPECT_EQ(w.createCalls + w.destroyCalls, 2) << stage;
  }
  // The sort can be neither followed nor cancelled: a busy notice only.
  EXPECT_EQ(feedback.windows[3]->calls[2], "busy");
  EXPECT_EQ(feedback.windows[3]->calls.size() + feedback.windows[3]->polls, 4u);
  EXPECT_TRUE(feedback.messages.empty() && feedback.allWindowsClosed());

  // Nothing to average in wireframe, nothing to light at ambient 1: no window at all.
  r.settings.ambient = 1.0, r.settings.wireframe = 1;
  ASSERT_TRUE(r.buildMesh(MeshPurpose::Rendering, m.surface, m.bump, 3, 3));
  feedback.windows.clear();
  EXPECT_TRUE(r.averageColors() && r.applyLighting());
  EXPECT_TRUE(feedback.windows.empty());
  EXPECT_EQ(r.polygon(0).v[0].color, kWhite);
}

TEST(StageProtocol, CancelAtTheStartMiddleOrEndStopsTheStageWithItsMessage) {
  const struct {
    const char* name;
    int stage;  // 0 buildMesh, 1 averageColors, 2 transformVertices, 3 applyLighting
    long long poll;
  } cases[] = {{"buildMesh at the first cell", 0, 1},
               {"buildMesh midway", 0, 4321},
               {"buildMesh at the last cell", 0, 10000},
               {"averageColors at the last", 1, 20000},
               {"transformVertices", 2, 7},
               {"applyLighting", 3, 15000}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingFeedback feedback;
    TerrainRenderer r;
    r.setFeedback(&feedback);
    Model m;
    auto run = [&](int stage, auto&& call) {  // arms the cancel just before the stage
      if (stage == c.stage) feedback.cancelAtPoll(c.poll);
      return call();
    };
    EXPECT_FALSE(
        run(0, [&] { return r.buildMesh(MeshPurpose::Rendering, m.surface, m.bump, 101, 101); }) &&
        run(1, [&] { return r.averageColors(); }) &&
        run(2, [&] { return r.transformVertices(); }) && r.sortPolygons() &&
        run(3, [&] { return r.applyLighting(); }));
    EXPECT_EQ(feedback.messageTexts(), Strings{"レンダリングを中止します。"});
    EXPECT_EQ(feedback.messages[0].icon, MessageIcon::Warning);
    const auto& w = *feedback.windows.back();
    EXPECT_EQ(w.polls, c.poll);
    EXPECT_EQ(w.destroyCalls, 1);
    EXPECT_NE(w.positionValues().back(), 100);
    EXPECT_TRUE(feedback.allWindowsClosed());
    r.finishRendering();
    EXPECT_FALSE(r.isDrawing() || r.hasModel());
  }
}

TEST(StageProtocol, CancelledBuildKeepsThePreviousCountButNeverDrawsBeyondTheModel) {
  RecordingFeedback feedback;
  TerrainRenderer r;
  r.setFeedback(&feedback);
  Model m;
  ASSERT_TRUE(r.buildMesh(MeshPurpose::Rendering, m.surface, m.bump, 101, 101));
  r.finishRendering();
  const DibImage small = filledImage(5, 5, 0);
  feedback.cancelAtPoll(3);
  EXPECT_FALSE(r.buildMesh(MeshPurpose::Rendering, small, small, 5, 5));
  EXPECT_EQ(r.polygonCount(), 20000u);
  EXPECT_FALSE(r.isDrawing());
  r.createScreen();
  EXPECT_TRUE(r.isDrawing());
  r.drawStep();  // the stale count over the small new array
  EXPECT_FALSE(r.isDrawing());
  r.finishRendering();
  EXPECT_TRUE(renderAll(r, small, small));  // a new rendering can start at once
}

TEST(StageProtocol, DxfPurposeSetsCaptionAndItsOwnCancelMessage) {
  RecordingFeedback feedback;
  TerrainRenderer r;
  r.setFeedback(&feedback);
  Model m;
  ASSERT_TRUE(r.buildMesh(MeshPurpose::DxfExport, m.surface, m.bump, 101, 101));
  const auto& calls = feedback.windows[0]->calls;
  EXPECT_EQ(Strings(calls.begin(), calls.begin() + 4),
            (Strings{"create", "caption:DXF 形式で保存", "message:曲面分割をおこなっています。",
                     "progress:0"}));
  EXPECT_EQ(r.polygon(0).v[0].y, 1.0);  // terrain coordinates and colours as built
  EXPECT_EQ(r.polygon(0).v[1].color, 0x336699u);
  feedback.cancelAtPoll(10);
  EXPECT_FALSE(r.buildMesh(MeshPurpose::DxfExport, m.surface, m.bump, 101, 101));
  EXPECT_EQ(feedback.messageTexts(), Strings{"DXF 出力を中止します。"});
}

TEST(StageProtocol, ModelsBeyondThirtyTwoBitsOrMemoryAreRefusedBeforeAnyWindow) {
  // 100000 and 2^31 - 1 a side would wrap a 32-bit capacity; 46341 a side fits 32 bits
  // but needs about 515 GB.
  for (const int side : {100000, 2147483647, 46341}) {
    RecordingFeedback feedback;
    TerrainRenderer r;
    r.setFeedback(&feedback);
    const DibImage image = filledImage(2, 2, 0);
    EXPECT_FALSE(r.buildMesh(MeshPurpose::Rendering, image, image, side, side));
    EXPECT_EQ(feedback.messageTexts(), Strings{"メモリ不足です。"}) << side;
    EXPECT_TRUE(feedback.windows.empty()) << side;
    EXPECT_FALSE(r.isDrawing() || r.hasModel()) << side;
  }
}

TEST(StageProtocol, WindowsThatCannotBeShownSilentFeedbackAndResetChangeNothingElse) {
  RecordingFeedback feedback;
  feedback.failCreate(true);
  TerrainRenderer r;
  r.setFeedback(&feedback);
  const DibImage image = filledImage(9, 9, kWhite);
  EXPECT_TRUE(renderAll(r, image, image));
  EXPECT_TRUE(feedback.messages.empty());

  TerrainRenderer quiet;  // no feedback set: silent, never cancels
  EXPECT_NE(dynamic_cast<SilentFeedback*>(&quiet.feedback()), nullptr);
  auto progress = SilentFeedback().openProgress();
  EXPECT_TRUE(progress->create());
  EXPECT_EQ(progress->setProgress(40) + progress->setProgress(60), 40);
  EXPECT_FALSE(progress->pollCancel());

  EXPECT_EQ(quiet.drawCount, 256u);  // reset keeps the draw count, drops everything else
  quiet.drawCount = 100;
  quiet.settings.wireframe = 1;
  ASSERT_TRUE(quiet.buildMesh(MeshPurpose::Rendering, image, image, 9, 9));
  EXPECT_TRUE(quiet.resetSettings());
  EXPECT_EQ(quiet.drawCount, 100u);
  EXPECT_EQ(quiet.settings, RenderSettings{});
  EXPECT_FALSE(quiet.hasModel() || quiet.isDrawing() || quiet.polygonCount() ||
               quiet.drawPosition());
}

TEST(SplitItems, CancelReturnsFalseAfterThatPollWithBothHalvesStopped) {
  RecordingFeedback feedback;
  std::vector<std::uint8_t> done(kLarge, 0);
  feedback.cancelAtPoll(1000);
  StageRun run(feedback, "m", "cancelled", kLarge);
  EXPECT_FALSE(runItemsSplit(run, kLarge, [&](std::uint32_t i) { ++done[i]; }));
  EXPECT_EQ(feedback.windows.at(0)->polls, 1000);
  EXPECT_EQ(feedback.messageTexts(), Strings{"cancelled"});
  EXPECT_EQ(std::count(done.begin(), done.begin() + kLarge / 2, 1), 999);  // those polled for
  EXPECT_EQ(std::count_if(done.begin(), done.end(), [](std::uint8_t d) { return d > 1; }), 0);
}

TEST(DrawStep, PaintsDrawCountTrianglesPerCallAndStopsAtTheFirstZeroKey) {
  TerrainRenderer r;
  ASSERT_TRUE(runStages(r, filledImage(26, 21, 0x00C000), filledImage(26, 21, 0)));  // 1000
  ASSERT_TRUE(r.createScreen() && r.isDrawing());
  std::vector<std::uint32_t> positions;
  for (int call = 0; call < 5; ++call) positions.push_back((r.drawStep(), r.drawPosition()));
  EXPECT_EQ(positions, (std::vector<std::uint32_t>{256, 512, 768, 1000, 1000}));
  EXPECT_FALSE(r.isDrawing());

  // Columns 11 and up rise nearer than nearLimit: the last 100 of 300 get key 0, and the
  // first of them ends the drawing within the first call.
  TerrainRenderer near;
  near.settings.emphasisRate = 1.0;
  const DibImage bump = makeTexture(16, 11, [](int x, int) { return Color(x >= 11 ? 255 : 0); });
  ASSERT_TRUE(runStages(near, filledImage(16, 11, 0x00C000), bump) && near.createScreen());
  ASSERT_EQ(near.polygonCount(), 300u);
  EXPECT_TRUE(near.polygon(199).v[0].z > 0 && near.polygon(200).v[0].z == 0);
  near.drawStep();
  EXPECT_EQ(near.drawPosition(), 300u);

  // Draw count 0 paints nothing; after the stop command, nothing more is painted.
  r.drawCount = 0;
  ASSERT_TRUE(runStages(r, filledImage(3, 3, 0x00C000), filledImage(3, 3, 0)) && r.createScreen());
  EXPECT_TRUE(r.drawStep() && r.drawPosition() == 0 && r.isDrawing());
  r.finishRendering();
  EXPECT_EQ(r.drawPosition(), r.polygonCount());
  r.drawCount = 256;
  EXPECT_TRUE(r.drawStep() && !r.isDrawing() && !r.hasModel());
  EXPECT_EQ(countPixels(r.screen(), 0), 320 * 240);
}

TEST(CreateScreen, NoneBeforeTheFirstAndTooLargeFallsBackToTheDefault) {
  TerrainRenderer fresh;
  int w = -1, h = -1;
  EXPECT_TRUE(!fresh.getScreenSize(&w, &h) && w == 0 && h == 0);
  EXPECT_TRUE(fresh.createDefaultScreen() && fresh.getScreenSize(&w, &h) && w == 320 && h == 240);
  EXPECT_EQ(countPixels(fresh.screen(), 0), 320 * 240);
  const std::uint32_t sizes[][2] = {{100000, 100000},  {4294967295u, 4294967295u},
                                    {4294967295u, 10}, {40000, 1},
                                    {30000, 30000},    {0, 240},
                                    {240, 0}};
  for (const auto& size : sizes) {
    SCOPED_TRACE(testing::Message() << size[0] << " x " << size[1]);
    RecordingFeedback feedback;
    TerrainRenderer r;
    r.setFeedback(&feedback);
    r.settings.screenWidth = size[0], r.settings.screenHeight = size[1];
    EXPECT_FALSE(r.createScreen());
    EXPECT_EQ(feedback.messageTexts(), Strings{"スクリーンの作成に失敗しました。"});
    EXPECT_TRUE(r.getScreenSize(&w, &h) && w == 320 && h == 240);
  }
  fresh.settings.screenWidth = TerrainRenderer::kMaxScreenSide, fresh.settings.screenHeight = 1;
  EXPECT_TRUE(fresh.createScreen() && fresh.getScreenSize(&w, &h) && w == 32768 && h == 1);
  // Blitting a white 4 x 4 screen at (3, 2).
  fresh.settings.screenWidth = fresh.settings.screenHeight = 4;
  fresh.settings.wireframe = 1;
  ASSERT_TRUE(fresh.createScreen());
  DibImage target = filledImage(10, 10, 0x123456);
  EXPECT_TRUE(fresh.blitScreen(target, 3, 2));
  EXPECT_EQ(countPixels(target, kWhite), 16);
  EXPECT_TRUE(pixelAt(target, 3, 2) == kWhite && pixelAt(target, 6, 5) == kWhite);
}
