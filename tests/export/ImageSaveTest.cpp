// Saving the rendered picture: the screen as a BMP or a PNG (by the name's extension) that
// reads back the same, the failure message, and the refusal while a rendering is drawing.

#include "export/ImageSave.h"

#include "raster/PngEncoder.h"

#include <gtest/gtest.h>

#include "support/FileContents.h"
#include "support/RecordingFeedback.h"
#include "support/TempFolder.h"
#include "support/TestTextures.h"

namespace {

TEST(ImageSave, WritesTheScreenAsTheFormatItsNameSaysThatReadsBack) {
  struct Case {
    const char* name;
    bool png;
  };
  const Case cases[] = {{"shot.bmp", false}, {"shot.png", true},      {"SHOT.PNG", true},
                        {"shot.Png", true},  {"shot.png.bmp", false}, {"shotpng", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    RecordingFeedback feedback;
    TerrainRenderer renderer;
    ASSERT_TRUE(renderer.createDefaultScreen());
    DibImage& screen = renderer.screen();
    for (int i = 0; i < screen.width() * screen.height(); ++i)
      screen.pixels()[i] = makeColor(i % 251, i / 320 % 256, (i * 7) % 256);
    const std::string path = folder.file(c.name);

    EXPECT_TRUE(saveRenderedImage(renderer, path, feedback));
    EXPECT_TRUE(feedback.messages.empty());
    EXPECT_EQ(folder.entries(), std::vector<std::string>{c.name});  // no temporary left

    std::vector<Color> back;
    int width = 0, height = 0;
    if (c.png) {
      const std::string bytes = readText(path);
      ASSERT_TRUE(decodePng(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), back,
                            width, height));
    } else {
      DibImage image;
      ASSERT_TRUE(image.load(path));
      back.assign(image.pixels(), image.pixels() + image.width() * image.height());
      width = image.width(), height = image.height();
    }
    EXPECT_EQ(width, 320);
    EXPECT_EQ(height, 240);
    EXPECT_EQ(back, std::vector<Color>(screen.pixels(), screen.pixels() + 320 * 240));
  }
}

TEST(ImageSave, FailedWriteShowsTheSaveMessageAndKeepsTheOldFile) {
  TempFolder folder;
  RecordingFeedback feedback;
  TerrainRenderer renderer;
  ASSERT_TRUE(renderer.createDefaultScreen());
  writeText(folder.file("plain"), "a file");

  EXPECT_FALSE(saveRenderedImage(renderer, folder.file("missing/shot.bmp"), feedback));
  EXPECT_FALSE(saveRenderedImage(renderer, folder.file("plain/shot.bmp"), feedback));
  EXPECT_FALSE(saveRenderedImage(renderer, folder.file("missing/shot.png"), feedback));
  EXPECT_FALSE(saveRenderedImage(renderer, folder.file("plain/shot.png"), feedback));

  EXPECT_EQ(feedback.messageTexts(), std::vector<std::string>(4, "保存に失敗しました。"));
  EXPECT_EQ(readText(folder.file("plain")), "a file");
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"plain"});
}

TEST(ImageSave, NoScreenYetIsAFailedSave) {
  TempFolder folder;
  RecordingFeedback feedback;
  TerrainRenderer renderer;
  EXPECT_FALSE(saveRenderedImage(renderer, folder.file("shot.bmp"), feedback));
  EXPECT_FALSE(saveRenderedImage(renderer, folder.file("shot.png"), feedback));
  EXPECT_EQ(feedback.messageTexts(), std::vector<std::string>(2, "保存に失敗しました。"));
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
