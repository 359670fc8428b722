// How the stages talk to the user: progress windows, positions every 5000 items, a cancel
// poll before every item, cancel messages, and the model's state after a cancel.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TerrainFixtures.h"
#include "support/RecordingFeedback.h"

using namespace terrain_test;

namespace {

using Strings = std::vector<std::string>;

// 101 x 101 grid points: 10000 cells, 20000 triangles.
struct Model {
  DibImage surface = filledImage(101, 101, 0x336699);
  DibImage bump = makeTexture(101, 101, [](int x, int y) { return Color((x + y) % 7); });
};

}  // namespace

TEST(StageProtocol, BuildMeshReportsEvery2500CellsAndPollsEveryCell) {
  RecordingFeedback feedback;
  TerrainRenderer r;
  r.setFeedback(&feedback);
  Model m;
  ASSERT_TRUE(r.buildMesh(MeshPurpose::Rendering, m.surface, m.bump, 101, 101));
  ASSERT_EQ(feedback.windows.size(), 1u);
  const auto& w = *feedback.windows[0];
  EXPECT_EQ(w.calls.front(), "create");
  EXPECT_EQ(w.calls.back(), "destroy");
  EXPECT_EQ(w.messages, Strings{"曲面分割をおこなっています。"});
  EXPECT_TRUE(w.captions.empty());
  EXPECT_EQ(w.positionValues(), (std::vector<int>{0, 0, 25, 50, 75, 100}));
  // Counter 2 x cells: a position before cells 0, 2500, 5000 and 7500.
  std::vector<long long> pollsBefore;
  for (const auto& p : w.positions) pollsBefore.push_back(p.pollsBefore);
  EXPECT_EQ(pollsBefore, (std::vector<long long>{0, 0, 2500, 5000, 7500, 10000}));
  EXPECT_EQ(w.polls, 10000);
  EXPECT_TRUE(feedback.messages.empty());
  EXPECT_TRUE(feedback.allWindowsClosed());
}

TEST(StageProtocol, TriangleStagesReportEvery5000TrianglesAndPollEachOne) {
  RecordingFeedback feedback;
  TerrainRenderer r;
  r.setFeedback(&feedback);
  Model m;
  ASSERT_TRUE(runStages(r, m.surface, m.bump));
  ASSERT_EQ(r.polygonCount(), 20000u);
  ASSERT_EQ(feedback.windows.size(), 5u);
  const Strings expectedMessages[] = {{"曲面分割をおこなっています。"},
                                      {"色補完をおこなっています。"},
                                      {"頂点移動をおこなっています。"},
                                      {"ソートをおこなっています。"},
                                      {"光源処理をおこなっています。"}};
  for (int stage = 0; stage < 5; ++stage) {
    SCOPED_TRACE(stage);
    EXPECT_EQ(feedback.windows[stage]->messages, expectedMessages[stage]);
    EXPECT_EQ(feedback.windows[stage]->createCalls, 1);
    EXPECT_EQ(feedback.windows[stage]->destroyCalls, 1);
  }
  for (int stage : {1, 2, 4}) {
    SCOPED_TRACE(stage);
    const auto& w = *feedback.windows[stage];
    EXPECT_EQ(w.positionValues(), (std::vector<int>{0, 0, 25, 50, 75, 100}));
    EXPECT_EQ(w.positions[2].pollsBefore, 5000);
    EXPECT_EQ(w.polls, 20000);
  }
  EXPECT_TRUE(feedback.messages.empty());
}

TEST(StageProtocol, CancelStopsEachStageWithItsMessage) {
  struct Case {
    const char* name;
    int stage;  // 0 buildMesh, 1 averageColors, 2 transformVertices, 3 applyLighting
    long long poll;
  };
  const Case cases[] = {
      {"buildMesh at the first cell", 0, 1},
      {"buildMesh midway", 0, 4321},
      {"averageColors at the last triangle", 1, 20000},
      {"transformVertices", 2, 7},
      {"applyLighting", 3, 15000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingFeedback feedback;
    TerrainRenderer r;
    r.setFeedback(&feedback);
    Model m;
    // Arms the cancel just before the chosen stage, then runs it.
    auto run = [&](int stage, auto&& call) {
      if (stage == c.stage) feedback.cancelAtPoll(c.poll);
      return call();
    };
    const bool ok =
        run(0, [&] { return r.buildMesh(MeshPurpose::Rendering, m.surface, m.bump, 101, 101); }) &&
        run(1, [&] { return r.averageColors(); }) &&
        run(2, [&] { return r.transformVertices(); }) && r.sortPolygons() &&
        run(3, [&] { return r.applyLighting(); });
    EXPECT_FALSE(ok);
    EXPECT_EQ(feedback.messageTexts(), Strings{"レンダリングを中止します。"});
    EXPECT_EQ(feedback.messages[0].icon, MessageIcon::Warning);
    EXPECT_EQ(feedback.windows.back()->polls, c.poll);
    EXPECT_EQ(feedback.windows.back()->destroyCalls, 1);
    EXPECT_TRUE(feedback.allWindowsClosed());
    r.finishRendering();
    EXPECT_FALSE(r.isDrawing());
    EXPECT_FALSE(r.hasModel());
  }
}

TEST(StageProtocol, CancelledBuildKeepsThePreviousCountUntilFinish) {
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
  // Drawing a stale count over the small new array must not read beyond it.
  r.createScreen();
  EXPECT_TRUE(r.isDrawing());
  r.drawStep();
  EXPECT_FALSE(r.isDrawing());
  r.finishRendering();
  EXPECT_FALSE(r.isDrawing());
  // A new rendering can start at once.
  EXPECT_TRUE(renderAll(r, small, small));
}

TEST(StageProtocol, DxfPurposeSetsCaptionAndItsOwnCancelMessage) {
  RecordingFeedback feedback;
  TerrainRenderer r;
  r.setFeedback(&feedback);
  Model m;
  ASSERT_TRUE(r.buildMesh(MeshPurpose::DxfExport, m.surface, m.bump, 101, 101));
  const auto& w = *feedback.windows[0];
  EXPECT_EQ(w.calls[0], "create");
  EXPECT_EQ(w.calls[1], "caption:DXF 形式で保存");
  EXPECT_EQ(w.calls[2], "message:曲面分割をおこなっています。");
  EXPECT_EQ(w.calls[3], "progress:0");
  // Terrain coordinates and corner colours stay as built.
  EXPECT_EQ(r.polygon(0).v[0].y, 1.0);
  EXPECT_EQ(r.polygon(0).v[1].color, 0x336699u);

  feedback.cancelAtPoll(10);
  EXPECT_FALSE(r.buildMesh(MeshPurpose::DxfExport, m.surface, m.bump, 101, 101));
  EXPECT_EQ(feedback.messageTexts(), Strings{"DXF 出力を中止します。"});
  r.finishRendering();
  EXPECT_FALSE(r.isDrawing());
}

TEST(StageProtocol, ProgressWindowThatCannotBeShownChangesNothing) {
  RecordingFeedback feedback;
  feedback.failCreate(true);
  TerrainRenderer r;
  r.setFeedback(&feedback);
  const DibImage image = filledImage(9, 9, 0xFFFFFF);
  EXPECT_TRUE(renderAll(r, image, image));
  EXPECT_TRUE(feedback.messages.empty());
}

TEST(StageProtocol, SilentFeedbackIsTheDefault) {
  TerrainRenderer r;
  SilentFeedback silent;
  EXPECT_NE(dynamic_cast<SilentFeedback*>(&r.feedback()), nullptr);
  auto progress = silent.openProgress();
  EXPECT_TRUE(progress->create());
  EXPECT_EQ(progress->setProgress(40), 0);
  EXPECT_EQ(progress->setProgress(60), 40);
  EXPECT_FALSE(progress->pollCancel());
  progress->destroy();
}

TEST(TerrainRenderer, ResetSettingsRestoresDefaultsButKeepsDrawCount) {
  TerrainRenderer r;
  EXPECT_EQ(r.drawCount, 256u);
  r.drawCount = 100;
  r.settings.screenWidth = 12;
  r.settings.ambient = 0.1;
  r.settings.wireframe = 1;
  const DibImage image = filledImage(9, 9, 0);
  ASSERT_TRUE(r.buildMesh(MeshPurpose::Rendering, image, image, 9, 9));
  EXPECT_TRUE(r.resetSettings());
  EXPECT_EQ(r.drawCount, 100u);
  EXPECT_EQ(r.settings, RenderSettings{});
  EXPECT_FALSE(r.hasModel());
  EXPECT_EQ(r.polygonCount(), 0u);
  EXPECT_EQ(r.drawPosition(), 0u);
  EXPECT_FALSE(r.isDrawing());
}
