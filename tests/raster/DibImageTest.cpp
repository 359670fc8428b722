#include "raster/DibImage.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>

#include "raster/BmpDecoder.h"
#include "raster/DrawSurface.h"
#include "support/FileContents.h"
#include "support/TempFolder.h"

namespace {

DibImage gradient(int width, int height) {
  DibImage image;
  EXPECT_TRUE(image.create(width, height));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      image.pixels()[y * width + x] = makeColor(x * 7 + y, y * 13 + x * 3, (x ^ y) * 5);
  return image;
}

bool samePixels(const DibImage& a, const DibImage& b) {
  return a.width() == b.width() && a.height() == b.height() &&
         std::equal(a.pixels(), a.pixels() + a.width() * a.height(), b.pixels());
}

std::vector<std::uint8_t> header(std::uint32_t fileSize, int width, int height) {
  return {'B',
          'M',
          std::uint8_t(fileSize),
          std::uint8_t(fileSize >> 8),
          std::uint8_t(fileSize >> 16),
          std::uint8_t(fileSize >> 24),
          0,
          0,
          0,
          0,
          54,
          0,
          0,
          0,
          40,
          0,
          0,
          0,
          std::uint8_t(width),
          std::uint8_t(width >> 8),
          0,
          0,
          std::uint8_t(height),
          std::uint8_t(height >> 8),
          0,
          0,
          1,
          0,
          24,
          0,
          0,
          0,
          0,
          0,
          0,
          0,
          0,
          0,
          0,
          0,
          0,
          0,
          0,
          0,
          0,
          0,
          0,
          0,
          0,
          0,
          0,
          0,
          0,
          0};
}

}  // namespace

TEST(DibImage, CreateClearsToBlackAndRefusesBadSizes) {
  DibImage image;
  int width = -1, height = -1;
  EXPECT_FALSE(image.getSize(&width, &height));
  EXPECT_EQ(width, 0);
  EXPECT_EQ(height, 0);
  ASSERT_TRUE(image.create(5, 3));
  EXPECT_TRUE(image.getSize(&width, nullptr));
  EXPECT_EQ(width, 5);
  EXPECT_EQ(std::count(image.pixels(), image.pixels() + 15, Color{0}), 15);
  for (auto [w, h] : {std::pair{0, 5}, {5, 0}, {-1, 5}, {INT_MAX, INT_MAX}, {65536, 65536}}) {
    EXPECT_FALSE(image.create(w, h)) << w << " x " << h;
    EXPECT_FALSE(image.isValid());
  }
  EXPECT_TRUE(image.release());
  EXPECT_TRUE(image.release());
}

TEST(DibImage, MovedFromImageIsEmpty) {
  DibImage image = gradient(4, 4);
  DibImage moved(std::move(image));
  EXPECT_TRUE(moved.isValid());
  EXPECT_FALSE(image.isValid());
  EXPECT_EQ(image.width(), 0);
  DibImage other;
  other = std::move(moved);
  EXPECT_EQ(other.width(), 4);
  EXPECT_EQ(moved.height(), 0);
}

TEST(DibImage, OneByOneFileIsFiftyEightGoldenBytes) {
  DibImage image;
  ASSERT_TRUE(image.create(1, 1));
  image.pixels()[0] = makeColor(0x11, 0x22, 0x33);
  // clang-format off
  const std::vector<std::uint8_t> expected = {
      'B', 'M', 58, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,                // file header
      40, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 24, 0,              // size, width, height,
                                                                     // planes, bits
      0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
      0x33, 0x22, 0x11, 0};  // blue, green, red, one pad byte
  // clang-format on
  EXPECT_EQ(image.encodeBmp(), expected);
  TempFolder folder;
  ASSERT_TRUE(image.writeFile(folder.file("one.bmp")));
  EXPECT_EQ(readBytes(folder.file("one.bmp")), expected);
}

TEST(DibImage, TwoByTwoStoresBottomRowFirstWithTwoPadBytes) {
  DibImage image;
  ASSERT_TRUE(image.create(2, 2));
  image.pixels()[0] = makeColor(1, 2, 3);  // top row
  image.pixels()[1] = makeColor(4, 5, 6);
  image.pixels()[2] = makeColor(7, 8, 9);  // bottom row
  image.pixels()[3] = makeColor(10, 11, 12);
  const auto bytes = image.encodeBmp();
  ASSERT_EQ(bytes.size(), 70u);
  EXPECT_EQ(bytes[2], 70);
  const std::vector<std::uint8_t> rows(bytes.begin() + 54, bytes.end());
  EXPECT_EQ(rows, (std::vector<std::uint8_t>{9, 8, 7, 12, 11, 10, 0, 0, 3, 2, 1, 6, 5, 4, 0, 0}));
}

TEST(DibImage, FileSizesFollowRowPadding) {
  struct Case {
    int width, height;
    std::size_t size;
  };
  for (const Case c : {Case{320, 240, 230454}, Case{1, 1, 58}, Case{2, 2, 70}, Case{3, 1, 66},
                       Case{4, 3, 90}, Case{5, 2, 86}}) {
    SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
    DibImage image;
    ASSERT_TRUE(image.create(c.width, c.height));
    const auto bytes = image.encodeBmp();
    EXPECT_EQ(bytes.size(), c.size);
    EXPECT_EQ(bytes[2] | bytes[3] << 8 | bytes[4] << 16, static_cast<int>(c.size));
  }
}

TEST(DibImage, WrittenFileReadsBackEqual) {
  TempFolder folder;
  for (auto [w, h] : {std::pair{1, 1}, {2, 3}, {17, 5}, {64, 48}}) {
    const DibImage image = gradient(w, h);
    const std::string path = folder.file("round.bmp");
    ASSERT_TRUE(image.writeFile(path));
    EXPECT_EQ(readBytes(path), image.encodeBmp());
    DibImage loaded;
    ASSERT_TRUE(loaded.load(path));
    EXPECT_TRUE(samePixels(image, loaded));
  }
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"round.bmp"});
}

TEST(DibImage, EmptyImageWritesNothing) {
  TempFolder folder;
  DibImage empty;
  EXPECT_TRUE(empty.encodeBmp().empty());
  EXPECT_FALSE(empty.writeFile(folder.file("x.bmp")));
  EXPECT_TRUE(folder.entries().empty());
}

TEST(DibImage, FailedWriteKeepsExistingFileAndLeavesNoTemporary) {
  TempFolder folder;
  const std::vector<std::uint8_t> old = {'k', 'e', 'e', 'p'};
  ASSERT_TRUE(writeBytes(folder.file("plain"), old));
  const DibImage image = gradient(8, 8);
  EXPECT_FALSE(image.writeFile(folder.file("missing/x.bmp")));
  EXPECT_FALSE(image.writeFile(folder.file("plain/x.bmp")));
  EXPECT_FALSE(image.writeFile(folder.path()));
  EXPECT_FALSE(image.writeFile("/dev/full"));
  EXPECT_EQ(readBytes(folder.file("plain")), old);
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"plain"});
}

TEST(DibImage, FailedLoadEmptiesTheImage) {
  TempFolder folder;
  DibImage image = gradient(3, 3);
  EXPECT_FALSE(image.load(folder.file("missing.bmp")));
  EXPECT_FALSE(image.isValid());
  image = gradient(3, 3);
  EXPECT_FALSE(image.load(folder.path()));
  EXPECT_FALSE(image.isValid());
  image = gradient(3, 3);
  EXPECT_FALSE(image.loadFromMemory(nullptr, 0));
  EXPECT_FALSE(image.isValid());
}

TEST(BmpReader, RefusesEveryTruncatedPrefix) {
  const auto bytes = gradient(3, 2).encodeBmp();
  for (std::size_t size = 0; size < bytes.size(); ++size) {
    DibImage image;
    EXPECT_NE(decodeBmp(bytes.data(), size, image), BmpStatus::Ok) << size;
    EXPECT_FALSE(image.isValid());
  }
  DibImage image;
  EXPECT_EQ(decodeBmp(bytes.data(), bytes.size(), image), BmpStatus::Ok);
}

TEST(BmpReader, RefusesEveryTruncatedPrefixOfAnRleFile) {
  const std::filesystem::path path =
      std::filesystem::path(QN_SHARED_DIR) / "testdata/bmpsuite/g/pal4rle.bmp";
  const auto bytes = readBytes(path.string());
  ASSERT_GT(bytes.size(), 1000u);
  // The file size field would refuse every prefix at once; clear it to reach the RLE checks.
  auto unsized = bytes;
  std::fill(unsized.begin() + 2, unsized.begin() + 6, 0);
  std::fill(unsized.begin() + 34, unsized.begin() + 38, 0);  // image size field
  for (std::size_t size = 0; size < unsized.size(); ++size) {
    DibImage image;
    ASSERT_NE(decodeBmp(unsized.data(), size, image), BmpStatus::Ok) << size;
  }
  DibImage image;
  EXPECT_EQ(decodeBmp(unsized.data(), unsized.size(), image), BmpStatus::Ok);
}

TEST(BmpReader, ReadsTopDownRows) {
  auto bytes = gradient(2, 2).encodeBmp();
  // Flip the stored order: negative height, top row first.
  const int32_t negative = -2;
  for (int i = 0; i < 4; ++i)
    bytes[22 + i] = static_cast<std::uint8_t>(static_cast<uint32_t>(negative) >> (8 * i));
  std::swap_ranges(bytes.begin() + 54, bytes.begin() + 62, bytes.begin() + 62);
  DibImage image;
  ASSERT_EQ(decodeBmp(bytes.data(), bytes.size(), image), BmpStatus::Ok);
  EXPECT_TRUE(samePixels(image, gradient(2, 2)));
}

TEST(BmpReader, RefusesPicturesLargerThanMemoryOrData) {
  struct Case {
    const char* name;
    int width, height;
    BmpStatus expected;
  };
  for (const Case c : {Case{"needs 3 GB of pixels", 40000, 40000, BmpStatus::TooLarge},
                       Case{"pixels missing", 1000, 1000, BmpStatus::Truncated}}) {
    SCOPED_TRACE(c.name);
    auto bytes = header(0, 0, 0);
    for (int i = 0; i < 4; ++i) {
      bytes[18 + i] = static_cast<std::uint8_t>(c.width >> (8 * i));
      bytes[22 + i] = static_cast<std::uint8_t>(c.height >> (8 * i));
    }
    bytes.resize(1000, 0);
    DibImage image;
    EXPECT_EQ(decodeBmp(bytes.data(), bytes.size(), image), c.expected);
  }
  // A tiny RLE file may not claim a huge picture either.
  auto rle = header(0, 4000, 4000);
  rle[28] = 8;   // 8 bits
  rle[30] = 1;   // RLE8
  rle[10] = 58;  // one palette entry before the data
  rle.insert(rle.end(), {0, 0, 0, 0, 0, 1});
  DibImage image;
  EXPECT_EQ(decodeBmp(rle.data(), rle.size(), image), BmpStatus::TooLarge);
}

TEST(BmpReader, RleRunsThatLeaveThePictureAreRefused) {
  // 4 x 2 RLE8 picture, palette of two entries (black, red).
  auto base = header(0, 4, 2);
  base[28] = 8;
  base[30] = 1;
  base[10] = 62;
  base[46] = 2;  // colours used
  base.insert(base.end(), {0, 0, 0, 0, 0, 0, 0xFF, 0});
  struct Case {
    const char* name;
    std::vector<std::uint8_t> stream;
    BmpStatus expected;
  };
  const Case cases[] = {
      {"run and end", {4, 1, 0, 0, 2, 1, 0, 1}, BmpStatus::Ok},
      {"run past the row end", {5, 1, 0, 1}, BmpStatus::BadCompression},
      {"literal past the row end", {0, 5, 1, 1, 1, 1, 1, 0, 0, 1}, BmpStatus::BadCompression},
      {"move past the top", {0, 2, 0, 3, 0, 1}, BmpStatus::BadCompression},
      {"row above the picture", {0, 0, 0, 0, 1, 1, 0, 1}, BmpStatus::BadCompression},
      {"no end mark", {4, 1, 0, 0}, BmpStatus::BadCompression},
      {"index beyond the palette", {1, 2, 0, 1}, BmpStatus::BadPalette},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto bytes = base;
    bytes.insert(bytes.end(), c.stream.begin(), c.stream.end());
    DibImage image;
    EXPECT_EQ(decodeBmp(bytes.data(), bytes.size(), image), c.expected);
    if (c.expected == BmpStatus::Ok) {
      EXPECT_EQ(image.pixels()[4], makeColor(0xFF, 0, 0)) << "bottom row first";
      EXPECT_EQ(image.pixels()[0], makeColor(0xFF, 0, 0));
      EXPECT_EQ(image.pixels()[2], Color{0}) << "skipped pixels are black";
    }
  }
}

TEST(StretchBox, FollowsTheBoxRules) {
  struct Case {
    const char* name;
    int boxWidth, boxHeight;
    BoxSize expected;
  };
  const Case cases[] = {
      {"height given, shrinks", 0, 128, {170, 128}},
      {"height given, never enlarges", 0, 500, {400, 300}},
      {"width given, shrinks", 200, 0, {200, 150}},
      {"width given, never enlarges", 900, 0, {400, 300}},
      {"both, the wider image's width wins", 500, 100, {500, 375}},
      {"both, natural size fits", 400, 300, {400, 300}},
      {"both, one too small", 100, 1000, {100, 75}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const BoxSize box = stretchBoxSize(400, 300, c.boxWidth, c.boxHeight);
    EXPECT_EQ(box.width, c.expected.width);
    EXPECT_EQ(box.height, c.expected.height);
  }
  const BoxSize tall = stretchBoxSize(300, 400, 100, 100);  // not wider: the height wins
  EXPECT_EQ(tall.width, 75);
  EXPECT_EQ(tall.height, 100);
  const BoxSize huge = stretchBoxSize(1 << 20, 1 << 20, 0, (1 << 20) - 1);  // 64-bit product
  EXPECT_EQ(huge.width, (1 << 20) - 1);
}

TEST(DibImage, StretchDrawDrawsTheBoxSize) {
  DibImage source;
  ASSERT_TRUE(source.create(400, 300));
  std::fill(source.pixels(), source.pixels() + 400 * 300, makeColor(9, 9, 9));
  struct Case {
    int boxWidth, boxHeight, drawnWidth, drawnHeight;
  };
  for (const Case c : {Case{0, 128, 170, 128}, Case{0, 500, 400, 300}, Case{200, 0, 200, 150},
                       Case{500, 100, 500, 375}}) {
    SCOPED_TRACE(testing::Message() << c.boxWidth << ", " << c.boxHeight);
    DibImage target;
    ASSERT_TRUE(target.create(600, 400));
    ASSERT_TRUE(source.stretchDraw(target, 0, 0, c.boxWidth, c.boxHeight));
    int width = 0, height = 0;
    while (width < 600 && target.pixels()[width] != 0) ++width;
    while (height < 400 && target.pixels()[height * 600] != 0) ++height;
    EXPECT_EQ(width, c.drawnWidth);
    EXPECT_EQ(height, c.drawnHeight);
    EXPECT_EQ(std::count(target.pixels(), target.pixels() + 600 * 400, Color{0}),
              600 * 400 - width * height);
  }
  DibImage target;
  ASSERT_TRUE(target.create(10, 10));
  EXPECT_FALSE(source.stretchDraw(target, 0, 0, 0, 0));
  EXPECT_FALSE(source.stretchDraw(target, 0, 0, -5, 10));
  DibImage empty;
  EXPECT_FALSE(empty.stretchDraw(target, 0, 0, 5, 5));
  EXPECT_FALSE(source.stretchDraw(empty, 0, 0, 5, 5));
}

TEST(DibImage, StretchDrawPicksNearestPixels) {
  DibImage source;
  ASSERT_TRUE(source.create(4, 2));
  for (int i = 0; i < 8; ++i) source.pixels()[i] = Color(i + 1);
  DibImage target;
  ASSERT_TRUE(target.create(2, 1));
  ASSERT_TRUE(source.stretchDraw(target, 0, 0, 2, 0));  // half size: centres of 2x2 blocks
  EXPECT_EQ(target.pixels()[0], Color(2 + 4));          // row 1, column 1
  EXPECT_EQ(target.pixels()[1], Color(4 + 4));
  // Clipped at negative offsets.
  ASSERT_TRUE(target.create(3, 2));
  ASSERT_TRUE(source.stretchDraw(target, -1, -1, 4, 0));
  EXPECT_EQ(target.pixels()[0], Color(6));
  EXPECT_EQ(target.pixels()[2], Color(8));
  EXPECT_EQ(target.pixels()[3], Color(0));
}

TEST(DibImage, DrawCopiesClippedToTarget) {
  const DibImage source = gradient(5, 4);
  for (auto [x, y] :
       {std::pair{0, 0}, {-2, -1}, {3, 2}, {-10, 0}, {INT_MAX, INT_MIN}, {INT_MIN, 1}}) {
    SCOPED_TRACE(testing::Message() << x << ", " << y);
    DibImage target;
    ASSERT_TRUE(target.create(6, 5));
    ASSERT_TRUE(source.draw(target, x, y));
    for (int ty = 0; ty < 5; ++ty)
      for (int tx = 0; tx < 6; ++tx) {
        const std::int64_t sx = std::int64_t{tx} - x, sy = std::int64_t{ty} - y;
        const bool inside = sx >= 0 && sy >= 0 && sx < 5 && sy < 4;
        EXPECT_EQ(target.pixels()[ty * 6 + tx], inside ? source.pixels()[sy * 5 + sx] : Color{0});
      }
  }
  DibImage target;
  EXPECT_FALSE(source.draw(target, 0, 0));
  DrawSurface surface;
  EXPECT_FALSE(source.draw(surface, 0, 0));
  ASSERT_TRUE(target.create(5, 4));
  target.attachSurface(surface);
  EXPECT_TRUE(source.draw(surface, 0, 0));
  EXPECT_TRUE(samePixels(source, target));
}

TEST(DibImage, DrawOntoItselfReadsTheOriginal) {
  DibImage image = gradient(4, 4);
  const DibImage original = gradient(4, 4);
  ASSERT_TRUE(image.draw(image, 1, 1));
  EXPECT_EQ(image.pixels()[1 * 4 + 1], original.pixels()[0]);
  EXPECT_EQ(image.pixels()[3 * 4 + 3], original.pixels()[2 * 4 + 2]);
}
