// Saving the rendered picture: a BMP or a PNG by the name's extension that reads back the
// same, and the save message on failure (the refusal while drawing: MeshExportTest.cpp).

#include "export/ImageSave.h"

#include "raster/PngEncoder.h"
#include "support/ExportTestFixture.h"

using ImageSave = ExportTest;

TEST_F(ImageSave, WritesTheScreenAsTheFormatItsNameSaysThatReadsBack) {
  EXPECT_FALSE(saveRenderedImage(renderer, folder.file("a.bmp"), feedback));  // no screen yet
  EXPECT_FALSE(saveRenderedImage(renderer, folder.file("a.png"), feedback));
  ASSERT_TRUE(renderer.createDefaultScreen());
  Color* screen = renderer.screen().pixels();
  for (int i = 0; i < 320 * 240; ++i) screen[i] = makeColor(i % 251, i / 320 % 256, i * 7 % 256);
  for (auto [name, png] : {std::pair{"shot.bmp", false},
                           {"shot.png", true},
                           {"SHOT.PNG", true},
                           {"shot.Png", true},
                           {"shot.png.bmp", false},
                           {"shotpng", false}}) {
    const std::string path = folder.file(name);
    ASSERT_TRUE(saveRenderedImage(renderer, path, feedback)) << name;
    EXPECT_EQ(folder.entries(), std::vector<std::string>{name});  // no temporary left
    const std::string bytes = readText(path);
    std::vector<Color> back;
    int width = 0, height = 0;
    DibImage image;
    if (png) {
      decodePng(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), back, width,
                height);
    } else if (image.load(path)) {
      back.assign(image.pixels(), image.pixels() + image.width() * image.height());
      width = image.width(), height = image.height();
    }
    EXPECT_EQ(std::pair(width, height), std::pair(320, 240)) << name;
    EXPECT_EQ(back, std::vector<Color>(screen, screen + 320 * 240)) << name;
    std::filesystem::remove(path);
  }
  const Color column[3] = {1, 0x20000, 0x300};  // a picture one pixel wide
  const std::vector<std::uint8_t> narrow = encodePng(column, 1, 3);
  std::vector<Color> back;
  int width = 0, height = 0;
  EXPECT_TRUE(decodePng(narrow.data(), narrow.size(), back, width, height));
  EXPECT_TRUE(width == 1 && height == 3 && back == std::vector<Color>(column, column + 3));
  writeText(folder.file("plain"), "a file");
  EXPECT_FALSE(saveRenderedImage(renderer, folder.file("missing/shot.bmp"), feedback));
  EXPECT_FALSE(saveRenderedImage(renderer, folder.file("plain/shot.png"), feedback));
  EXPECT_EQ(feedback.messageTexts(), std::vector<std::string>(4, "保存に失敗しました。"));
  EXPECT_EQ(readText(folder.file("plain")), "a file");
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"plain"});
}
