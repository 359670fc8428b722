// DibImage: sizes, the BMP file's exact bytes, the reader's refusals, and drawing one image
// onto another (plain and stretched).

#include "raster/DibImage.h"

#include <gtest/gtest.h>

#include <climits>

#include "raster/BmpDecoder.h"
#include "raster/DrawSurface.h"
#include "support/FileContents.h"
#include "support/TempFolder.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

DibImage gradient(int width, int height) {
  DibImage image;
  EXPECT_TRUE(image.create(width, height));
  for (int i = 0; i < width * height; ++i)
    image.pixels()[i] = makeColor(i % width * 7 + i / width, i / width * 13 + i % width * 3,
                                  (i % width ^ i / width) * 5);
  return image;
}

std::vector<Color> pixelsOf(const DibImage& image) {
  return {image.pixels(), image.pixels() + image.width() * image.height()};
}

void put32(Bytes& bytes, int at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = std::uint8_t(value >> 8 * i);
}

// The headers of an uncompressed 24-bit picture, then extra bytes; cases patch fields.
Bytes bmp(int width, int height, const Bytes& extra = {}) {
  Bytes bytes(54, 0);
  bytes[0] = 'B', bytes[1] = 'M', bytes[10] = 54, bytes[14] = 40, bytes[26] = 1, bytes[28] = 24;
  put32(bytes, 18, width);
  put32(bytes, 22, height);
  for (std::uint8_t byte : extra) bytes.push_back(byte);
  return bytes;
}

BmpStatus decode(const Bytes& bytes, std::size_t size = SIZE_MAX) {
  DibImage image;
  const BmpStatus status = decodeBmp(bytes.data(), std::min(size, bytes.size()), image);
  EXPECT_EQ(image.isValid(), status == BmpStatus::Ok);
  return status;
}

}  // namespace

TEST(DibImage, CreateClearsToBlackRefusesBadSizesAndMovesOut) {
  DibImage image;
  int width = -1, height = -1;
  EXPECT_FALSE(image.getSize(&width, &height));
  EXPECT_EQ(std::pair(width, height), std::pair(0, 0));
  ASSERT_TRUE(image.create(5, 3));
  EXPECT_TRUE(image.getSize(&width, nullptr));
  EXPECT_EQ(width, 5);
  EXPECT_EQ(pixelsOf(image), std::vector<Color>(15, 0));
  for (auto [w, h] : {std::pair{0, 5}, {5, 0}, {-1, 5}, {INT_MAX, INT_MAX}, {65536, 65536}}) {
    EXPECT_FALSE(image.create(w, h)) << w << " x " << h;
    EXPECT_FALSE(image.isValid());
  }
  EXPECT_TRUE(image.release() && image.release());
  DibImage moved(gradient(4, 4)), other;
  other = std::move(moved);
  DibImage third(std::move(other));
  EXPECT_EQ(third.width() * third.isValid(), 4);
  EXPECT_FALSE(moved.isValid() || other.isValid());
  EXPECT_EQ(moved.height() + other.width(), 0);
}

TEST(DibImage, EncodesBottomUpRowsPaddedToFourBytesAndReadsThemBack) {
  DibImage image;
  ASSERT_TRUE(image.create(1, 1));
  image.pixels()[0] = makeColor(0x11, 0x22, 0x33);
  Bytes one = bmp(1, 1, {0x33, 0x22, 0x11, 0});  // blue, green, red, one pad byte
  put32(one, 2, 58);
  EXPECT_EQ(image.encodeBmp(), one);
  ASSERT_TRUE(image.create(2, 2));
  for (int i = 0; i < 4; ++i) image.pixels()[i] = makeColor(3 * i + 1, 3 * i + 2, 3 * i + 3);
  const Bytes two = image.encodeBmp();
  EXPECT_EQ(Bytes(two.begin() + 54, two.end()),
            (Bytes{9, 8, 7, 12, 11, 10, 0, 0, 3, 2, 1, 6, 5, 4, 0, 0}));
  for (auto [w, h, size] :
       {std::tuple{320, 240, 230454}, {2, 2, 70}, {3, 1, 66}, {4, 3, 90}, {5, 2, 86}}) {
    ASSERT_TRUE(image.create(w, h));
    const Bytes bytes = image.encodeBmp();
    EXPECT_EQ(bytes.size(), std::size_t(size)) << w << " x " << h;
    EXPECT_EQ(bytes[2] | bytes[3] << 8 | bytes[4] << 16, size) << w << " x " << h;
  }
  EXPECT_TRUE(DibImage().encodeBmp().empty());
  TempFolder folder;
  const std::string path = folder.file("round.bmp");
  for (auto [w, h] : {std::pair{1, 1}, {2, 3}, {17, 5}, {4, 3}}) {
    ASSERT_TRUE(gradient(w, h).writeFile(path));
    EXPECT_EQ(readBytes(path), gradient(w, h).encodeBmp());
    ASSERT_TRUE(image.load(path));
    EXPECT_EQ(pixelsOf(image), pixelsOf(gradient(w, h)));
    EXPECT_EQ(image.width(), w);
  }
  EXPECT_FALSE(DibImage().writeFile(folder.file("empty.bmp")));
  EXPECT_FALSE(image.writeFile(folder.path()));  // other bad targets: WriteFaultTest.cpp
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"round.bmp"});  // no temporary left
  for (int kind = 0; kind < 3; ++kind) {  // a failed load empties the image
    ASSERT_TRUE(image.create(3, 3));
    EXPECT_FALSE(kind == 0   ? image.load(folder.file("missing.bmp"))
                 : kind == 1 ? image.load(folder.path())
                             : image.loadFromMemory(nullptr, 0));
    EXPECT_FALSE(image.isValid());
  }
}

TEST(BmpReader, RefusesEveryTruncatedPrefix) {
  // Of an RLE file too, its size fields cleared so that the RLE checks themselves refuse.
  Bytes rle = readBytes(std::string(QN_SHARED_DIR) + "/testdata/bmpsuite/g/pal4rle.bmp");
  ASSERT_GT(rle.size(), 1000u);
  put32(rle, 2, 0);
  put32(rle, 34, 0);
  for (const Bytes& bytes : {gradient(3, 2).encodeBmp(), rle}) {
    for (std::size_t size = 0; size < bytes.size(); ++size)
      ASSERT_NE(decode(bytes, size), BmpStatus::Ok) << size;
    EXPECT_EQ(decode(bytes), BmpStatus::Ok);
  }
}

TEST(BmpReader, ReadsTopDownRowsAndRefusesPicturesLargerThanMemoryOrData) {
  Bytes bytes = gradient(2, 2).encodeBmp();
  put32(bytes, 22, std::uint32_t(-2));  // negative height: top row first
  std::swap_ranges(bytes.begin() + 54, bytes.begin() + 62, bytes.begin() + 62);
  DibImage image;
  ASSERT_TRUE(image.loadFromMemory(bytes.data(), bytes.size()));
  EXPECT_EQ(pixelsOf(image), pixelsOf(gradient(2, 2)));
  EXPECT_EQ(decode(bmp(40000, 40000, Bytes(946))), BmpStatus::TooLarge);  // 3 GB of pixels
  EXPECT_EQ(decode(bmp(1000, 1000, Bytes(946))), BmpStatus::Truncated);
  Bytes rle = bmp(4000, 4000, {0, 0, 0, 0, 0, 1});  // a tiny RLE8 file claiming a huge picture
  rle[28] = 8, rle[30] = 1, rle[10] = 58;           // one palette entry before the data
  EXPECT_EQ(decode(rle), BmpStatus::TooLarge);
}

TEST(BmpReader, RleRunsThatLeaveThePictureAreRefused) {
  // 4 x 2 RLE8 picture, palette of two entries (black, red).
  Bytes base = bmp(4, 2, {0, 0, 0, 0, 0, 0, 0xFF, 0});
  base[28] = 8, base[30] = 1, base[10] = 62, base[46] = 2;
  const std::pair<Bytes, BmpStatus> cases[] = {
      {{5, 1, 0, 1}, BmpStatus::BadCompression},                    // run past the row end
      {{0, 5, 1, 1, 1, 1, 1, 0, 0, 1}, BmpStatus::BadCompression},  // literal past the row end
      {{0, 2, 0, 3, 0, 1}, BmpStatus::BadCompression},              // move past the top
      {{0, 0, 0, 0, 1, 1, 0, 1}, BmpStatus::BadCompression},        // row above the picture
      {{4, 1, 0, 0}, BmpStatus::BadCompression},                    // no end mark
      {{1, 2, 0, 1}, BmpStatus::BadPalette}};                       // index beyond the palette
  for (const auto& [stream, expected] : cases) {
    Bytes bytes = base;
    bytes.insert(bytes.end(), stream.begin(), stream.end());
    EXPECT_EQ(decode(bytes), expected) << testing::PrintToString(stream);
  }
  base.insert(base.end(), {4, 1, 0, 0, 2, 1, 0, 1});  // run, end of line, run, end
  DibImage image;
  ASSERT_TRUE(image.loadFromMemory(base.data(), base.size()));
  const Color r = makeColor(0xFF, 0, 0);  // bottom row first, skipped pixels black
  EXPECT_EQ(pixelsOf(image), (std::vector<Color>{r, r, 0, 0, r, r, r, r}));
}

TEST(DibImage, StretchDrawFollowsTheBoxRulesWithNearestPixels) {
  // Image, box, box size: height given (shrinks, never enlarges), width given (the same),
  // both (the wider image's width wins, natural size fits, one too small, a taller image's
  // height wins), and a 64-bit product (not drawn).
  const int cases[][6] = {{400, 300, 0, 128, 170, 128},
                          {400, 300, 0, 500, 400, 300},
                          {400, 300, 200, 0, 200, 150},
                          {400, 300, 900, 0, 400, 300},
                          {400, 300, 500, 100, 500, 375},
                          {400, 300, 400, 300, 400, 300},
                          {400, 300, 100, 1000, 100, 75},
                          {300, 400, 100, 100, 75, 100},
                          {1 << 20, 1 << 20, 0, (1 << 20) - 1, (1 << 20) - 1, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c));
    const BoxSize box = stretchBoxSize(c[0], c[1], c[2], c[3]);
    EXPECT_EQ(box.width, c[4]);
    if (c[5] == 0) continue;
    EXPECT_EQ(box.height, c[5]);
    DibImage source, target;
    ASSERT_TRUE(source.create(c[0], c[1]) && target.create(600, 400));
    std::fill(source.pixels(), source.pixels() + c[0] * c[1], Color{9});
    ASSERT_TRUE(source.stretchDraw(target, 0, 0, c[2], c[3]));
    int w = 0, h = 0;
    while (w < 600 && target.pixels()[w] != 0) ++w;
    while (h < 400 && target.pixels()[h * 600] != 0) ++h;
    EXPECT_EQ(std::pair(w, h), std::pair(c[4], c[5]));
    EXPECT_EQ(std::count(target.pixels(), target.pixels() + 600 * 400, Color{9}), w * h);
  }
  DibImage source, target, empty;
  ASSERT_TRUE(source.create(4, 2) && target.create(10, 10));
  EXPECT_FALSE(source.stretchDraw(target, 0, 0, 0, 0) || source.stretchDraw(target, 0, 0, -5, 10));
  EXPECT_FALSE(empty.stretchDraw(target, 0, 0, 5, 5) || source.stretchDraw(empty, 0, 0, 5, 5));
  for (int i = 0; i < 8; ++i) source.pixels()[i] = Color(i + 1);
  ASSERT_TRUE(target.create(2, 1));
  ASSERT_TRUE(source.stretchDraw(target, 0, 0, 2, 0));  // half size: centres of 2 x 2 blocks
  EXPECT_EQ(pixelsOf(target), (std::vector<Color>{6, 8}));
  ASSERT_TRUE(target.create(3, 2));
  ASSERT_TRUE(source.stretchDraw(target, -1, -1, 4, 0));  // clipped at negative offsets
  EXPECT_EQ(pixelsOf(target), (std::vector<Color>{6, 7, 8, 0, 0, 0}));
}

TEST(DibImage, DrawCopiesClippedToTarget) {
  const DibImage source = gradient(5, 4);
  DibImage target;
  for (auto [x, y] :
       {std::pair{0, 0}, {-2, -1}, {3, 2}, {-10, 0}, {INT_MAX, INT_MIN}, {INT_MIN, 1}}) {
    ASSERT_TRUE(target.create(6, 5));
    ASSERT_TRUE(source.draw(target, x, y));
    for (int i = 0; i < 30; ++i) {
      const std::int64_t sx = std::int64_t{i % 6} - x, sy = std::int64_t{i / 6} - y;
      const bool inside = sx >= 0 && sy >= 0 && sx < 5 && sy < 4;
      EXPECT_EQ(target.pixels()[i], inside ? source.pixels()[sy * 5 + sx] : 0) << x << ", " << y;
    }
  }
  DibImage none;
  DrawSurface surface;
  EXPECT_FALSE(source.draw(surface, 0, 0) || source.draw(none, 0, 0));
  ASSERT_TRUE(target.create(5, 4));
  target.attachSurface(surface);
  EXPECT_TRUE(source.draw(surface, 0, 0));
  EXPECT_EQ(pixelsOf(target), pixelsOf(source));
  DibImage image = gradient(4, 4);  // onto itself: reads the original
  ASSERT_TRUE(image.draw(image, 1, 1));
  EXPECT_EQ(image.pixels()[1 * 4 + 1], gradient(4, 4).pixels()[0]);
  EXPECT_EQ(image.pixels()[3 * 4 + 3], gradient(4, 4).pixels()[2 * 4 + 2]);
}
