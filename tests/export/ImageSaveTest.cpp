// Saving the rendered picture: the screen as a BMP that reads back the same, the failure
// message, and the refusal while a rendering is drawing.

#include "export/ImageSave.h"

#include <gtest/gtest.h>

#include "support/FileContents.h"
#include "support/RecordingFeedback.h"
#include "support/TempFolder.h"
#include "support/TestTextures.h"

namespace {

TEST(ImageSave, WritesTheScreenAsABmpThatReadsBack) {
  TempFolder folder;
  RecordingFeedback feedback;
  TerrainRenderer renderer;
  ASSERT_TRUE(renderer.createDefaultScreen());
  renderer.screen().pixels()[0] = makeColor(10, 20, 30);  // top-left corner
  const std::string path = folder.file("shot.bmp");

  EXPECT_TRUE(saveRenderedImage(renderer, path, feedback));

  DibImage back;
  ASSERT_TRUE(back.load(path));
  EXPECT_EQ(back.width(), 320);
  EXPECT_EQ(back.height(), 240);
  EXPECT_EQ(back.pixels()[0], makeColor(10, 20, 30));
  EXPECT_TRUE(feedback.messages.empty());
}

TEST(ImageSave, FailedWriteShowsTheSaveMessageAndKeepsTheOldFile) {
  TempFolder folder;
  RecordingFeedback feedback;
  TerrainRenderer renderer;
  ASSERT_TRUE(renderer.createDefaultScreen());
  writeText(folder.file("plain"), "a file");

  EXPECT_FALSE(saveRenderedImage(renderer, folder.file("missing/shot.bmp"), feedback));
  EXPECT_FALSE(saveRenderedImage(renderer, folder.file("plain/shot.bmp"), feedback));

  EXPECT_EQ(feedback.messageTexts(),
            (std::vector<std::string>{"保存に失敗しました。", "保存に失敗しました。"}));
  EXPECT_EQ(readText(folder.file("plain")), "a file");
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"plain"});
}

TEST(ImageSave, NoScreenYetIsAFailedSave) {
  TempFolder folder;
  RecordingFeedback feedback;
  TerrainRenderer renderer;
  EXPECT_FALSE(saveRenderedImage(renderer, folder.file("shot.bmp"), feedback));
  EXPECT_EQ(feedback.messageTexts(), std::vector<std::string>{"保存に失敗しました。"});
  EXPECT_TRUE(folder.entries().empty());
}

TEST(ImageSave, RefusesWhileARenderingIsDrawing) {
  TempFolder folder;
  RecordingFeedback feedback;
  TerrainRenderer renderer;
  renderer.setFeedback(&feedback);
  const DibImage bump = makeBump(8, 8, [](int x, int y) { return x * y; });
  renderer.settings.viewpoint = {4, 40, 40};
  renderer.settings.lookAt = {4, 4, 0};
  ASSERT_TRUE(renderer.buildMesh(MeshPurpose::Rendering, bump, bump, 8, 8) &&
              renderer.averageColors() && renderer.transformVertices() && renderer.sortPolygons() &&
              renderer.applyLighting() && renderer.createScreen());
  ASSERT_TRUE(renderer.isDrawing());
  feedback = RecordingFeedback();

  EXPECT_FALSE(saveRenderedImage(renderer, folder.file("shot.bmp"), feedback));

  ASSERT_EQ(feedback.messages.size(), 1u);
  EXPECT_NE(feedback.messages[0].text.find("レンダラーの処理"), std::string::npos);
  EXPECT_TRUE(folder.entries().empty());
  EXPECT_TRUE(renderer.isDrawing());
}

}  // namespace
