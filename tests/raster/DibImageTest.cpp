// Pictures in and out: the BMP file's exact bytes and the BMP corpus, texture files of every
// format, and drawing one image onto another compared with a plain nearest-pixel copy.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "raster/BmpDecoder.h"
#include "raster/DibImage.h"
#include "raster/TextureFile.h"
#include "support/FileContents.h"
#include "support/GdalRasters.h"
#include "support/TempFolder.h"
#include "support/TestTextures.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr int kW = 9, kH = 7;

// Nearly every pixel of a different colour.
DibImage gradient(int width, int height) {
  return makeTexture(width, height, [](int x, int y) { return Color(x * 4099 + y * 7 + 1); });
}

std::vector<Color> pixelsOf(const DibImage& image) {
  return {image.pixels(), image.pixels() + std::size_t(image.width()) * image.height()};
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

// A tw x th black target after source is drawn into a bw x bh box at (x, y): each target
// centre t + 1/2 in the box takes source pixel floor((t + 1/2) * size / box).
std::vector<Color> referenceCopy(const DibImage& source, int tw, int th, std::int64_t x,
                                 std::int64_t y, std::int64_t bw, std::int64_t bh) {
  std::vector<Color> pixels(tw * th, 0);
  for (int i = 0; i < tw * th; ++i) {
    const std::int64_t bx = i % tw - x, by = i / tw - y, w = source.width(), h = source.height();
    if (bx >= 0 && by >= 0 && bx < bw && by < bh)
      pixels[i] = source.pixels()[(2 * by + 1) * h / (2 * bh) * w + (2 * bx + 1) * w / (2 * bw)];
  }
  return pixels;
}

std::vector<double> ramp(double factor, int bands = 1) {
  std::vector<double> samples;
  for (int i = 0; i < kW * kH * bands; ++i)
    samples.push_back((i % (kW * kH) % kW * 37 + i % (kW * kH) / kW * 11) % 256 * factor);
  return samples;
}

Bytes raster(const char* driver, GDALDataType type, int w, int h, int bands,
             std::vector<double> samples, bool greyPalette = false) {
  RasterRecipe recipe{driver, type, w, h, bands, std::move(samples), {}};
  for (std::uint32_t v = 0; greyPalette && v < 256; ++v)
    recipe.palette.push_back(makeColor(v, v, v));
  return makeRasterFile(recipe);
}

DibImage loaded(const Bytes& bytes, const std::string& name = "t",
                const TextureReadOptions& options = {}) {
  DibImage image;
  const bool read = loadTextureFromMemory(bytes.data(), bytes.size(), name, image, options);
  EXPECT_EQ(read, image.isValid());
  return image;
}

}  // namespace

TEST(DibImage, EncodesBottomUpRowsPaddedToFourBytesAndReadsThemBack) {
  DibImage image;
  for (auto [w, h] : {std::pair{0, 5}, {5, 0}, {-1, 5}, {INT_MAX, INT_MAX}, {65536, 65536}})
    EXPECT_FALSE(image.create(w, h) || image.isValid()) << w << " x " << h;
  ASSERT_TRUE(image.create(2, 2));
  for (int i = 0; i < 4; ++i) image.pixels()[i] = makeColor(3 * i + 1, 3 * i + 2, 3 * i + 3);
  Bytes two = bmp(2, 2, {9, 8, 7, 12, 11, 10, 0, 0, 3, 2, 1, 6, 5, 4, 0, 0});  // blue, green, red
  put32(two, 2, 70);
  EXPECT_EQ(image.encodeBmp(), two);
  EXPECT_TRUE(DibImage().encodeBmp().empty());
  // Written through the file writer: the same bytes, read back as the same picture.
  TempFolder folder;
  const std::string path = folder.file("round.bmp");
  for (auto [w, h, size] : {std::tuple{17, 5, 314}, {320, 240, 230454}}) {
    ASSERT_TRUE(gradient(w, h).writeFile(path));
    EXPECT_EQ(readBytes(path), gradient(w, h).encodeBmp());
    EXPECT_EQ(readBytes(path).size(), std::size_t(size));
    ASSERT_TRUE(image.load(path));
    EXPECT_EQ(pixelsOf(image), pixelsOf(gradient(w, h)));
  }
  EXPECT_FALSE(image.writeFile(folder.path()));  // other bad targets: WriteFaultTest.cpp
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"round.bmp"});  // no temporary left
  EXPECT_FALSE(image.load(folder.file("missing.bmp")) || image.isValid()) << "emptied";
}

TEST(BmpReader, RefusesEveryTruncatedPrefixAndPicturesLargerThanMemoryOrData) {
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
  EXPECT_EQ(decode(bmp(40000, 40000, Bytes(946))), BmpStatus::TooLarge);  // 3 GB of pixels
  EXPECT_EQ(decode(bmp(1000, 1000, Bytes(946))), BmpStatus::Truncated);
  Bytes huge = bmp(4000, 4000, {0, 0, 0, 0, 0, 1});  // a tiny RLE8 file claiming a huge picture
  huge[28] = 8, huge[30] = 1, huge[10] = 58;         // one palette entry before the data
  EXPECT_EQ(decode(huge), BmpStatus::TooLarge);
}

TEST(DibImage, DrawAndStretchDrawCopyNearestPixelsByTheBoxRulesClipped) {
  // Image, box, box size: height given (shrinks, never enlarges), width given (the same),
  // both (the wider image's width wins, natural size fits, one too small, a taller image's
  // height wins), and a 64-bit product (not drawn here).
  const int cases[][6] = {{400, 300, 0, 128, 170, 128},
                          {400, 300, 0, 500, 400, 300},
                          {400, 300, 200, 0, 200, 150},
                          {400, 300, 900, 0, 400, 300},
                          {400, 300, 500, 100, 500, 375},
                          {400, 300, 400, 300, 400, 300},
                          {400, 300, 100, 1000, 100, 75},
                          {300, 400, 100, 100, 75, 100},
                          {1 << 20, 1 << 20, 0, (1 << 20) - 1, (1 << 20) - 1, (1 << 20) - 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c));
    const BoxSize box = stretchBoxSize(c[0], c[1], c[2], c[3]);
    EXPECT_EQ(std::pair(box.width, box.height), std::pair(c[4], c[5]));
    if (c[0] > 1000) continue;
    const DibImage source = gradient(c[0], c[1]);
    DibImage target;
    ASSERT_TRUE(target.create(600, 400) && source.stretchDraw(target, -7, 3, c[2], c[3]));
    EXPECT_TRUE(pixelsOf(target) == referenceCopy(source, 600, 400, -7, 3, c[4], c[5]));
  }
  DibImage source = gradient(4, 2), target, empty;
  ASSERT_TRUE(target.create(10, 10));
  EXPECT_FALSE(source.stretchDraw(target, 0, 0, 0, 0) || source.stretchDraw(target, 0, 0, -5, 10));
  EXPECT_FALSE(empty.stretchDraw(target, 0, 0, 5, 5) || source.stretchDraw(empty, 0, 0, 5, 5) ||
               source.draw(empty, 0, 0));
  source = gradient(5, 4);
  for (auto [x, y] :
       {std::pair{0, 0}, {-2, -1}, {3, 2}, {-10, 0}, {INT_MAX, INT_MIN}, {INT_MIN, 1}}) {
    ASSERT_TRUE(target.create(6, 5) && source.draw(target, x, y));
    EXPECT_EQ(pixelsOf(target), referenceCopy(source, 6, 5, x, y, 5, 4)) << x << ", " << y;
  }
  DibImage image = gradient(4, 4);  // onto itself: reads the original
  ASSERT_TRUE(image.draw(image, 1, 1));
  EXPECT_EQ(image.pixels()[3 * 4 + 3], gradient(4, 4).pixels()[2 * 4 + 2]);
}

TEST(BmpCorpus, GoodFilesMatchBadFilesAreRefusedQuestionableFilesNeverCrash) {
  const std::filesystem::path suite = std::filesystem::path(QN_SHARED_DIR) / "testdata/bmpsuite";
  // Questionable files that must match; the others' references show skipped RLE pixels as
  // transparent or keep an alpha channel we drop, and rgb32-111110's shades do not round back.
  const std::set<std::string> matching = {
      "q/pal8offs.bmp",     "q/pal8oversizepal.bmp", "q/pal8os2sp.bmp",      "q/pal8os2v2.bmp",
      "q/pal8os2v2-16.bmp", "q/pal8os2v2-40sz.bmp",  "q/pal8os2v2-sz.bmp",   "q/pal8os2-sz.bmp",
      "q/pal8os2-hs.bmp",   "q/rgb16-231.bmp",       "q/rgb24largepal.bmp",  "q/rgb32h52.bmp",
      "q/rgb32-xbgr.bmp",   "q/rgb24prof.bmp",       "q/rgb24lprof.bmp",     "q/pal2.bmp",
      "q/pal2color.bmp",    "q/rgb16-3103.bmp",      "q/rgb32fakealpha.bmp", "q/rgb16faketrns.bmp"};
  std::map<std::string, std::string> references;  // BMP -> reference PPM, suite-relative
  std::ifstream manifest(suite / "MANIFEST");
  for (std::string bmp, png; manifest >> bmp >> png;)
    references[bmp] = std::filesystem::path(png).replace_extension(".ppm").string();
  std::map<char, int> counts;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(suite)) {
    if (entry.path().extension() != ".bmp") continue;
    const std::string file = entry.path().lexically_relative(suite).string();
    SCOPED_TRACE(file);
    ++counts[file[0]];
    DibImage image;
    ASSERT_TRUE(image.create(3, 3));
    const bool read = image.load(entry.path().string());
    EXPECT_EQ(read, image.isValid());
    EXPECT_FALSE(file[0] == 'b' && read) << "a bad file is refused";
    if (file[0] != 'g' && !matching.count(file)) continue;
    ASSERT_TRUE(read);
    std::ifstream ppm(suite / references[file], std::ios::binary);
    std::string magic;
    int width = 0, height = 0, maxValue = 0;
    ppm >> magic >> width >> height >> maxValue;
    ppm.get();
    ASSERT_TRUE(ppm && magic == "P6" && maxValue == 255) << "no reference picture";
    ASSERT_EQ(std::pair(image.width(), image.height()), std::pair(width, height));
    unsigned char rgb[3];
    for (int i = 0; i < width * height && ppm.read(reinterpret_cast<char*>(rgb), 3); ++i)
      ASSERT_EQ(image.pixels()[i], makeColor(rgb[0], rgb[1], rgb[2]))
          << i % width << ", " << i / width;
    EXPECT_TRUE(ppm) << "reference cut short";
  }
  EXPECT_GE(std::min({counts['g'], counts['b'], counts['q']}), 10) << "no corpus in " << suite;
}

TEST(TextureFile, EveryEightBitFormOfTheSameHeightsGivesTheBmpsPixels) {
  const DibImage bmp = makeTexture(kW, kH, [heights = ramp(1)](int x, int y) {
    const auto h = std::uint32_t(heights[y * kW + x]);
    return makeColor(h, h, h);
  });
  const std::pair<const char*, Bytes> cases[] = {
      {"8-bit BMP", bmp.encodeBmp()},
      {"8-bit grey PNG", raster("PNG", GDT_Byte, kW, kH, 1, ramp(1))},
      {"palette PNG of greys", raster("PNG", GDT_Byte, kW, kH, 1, ramp(1), true)},
      {"16-bit GeoTIFF x 257", raster("GTiff", GDT_UInt16, kW, kH, 1, ramp(257))},
      {"RGB PNG", raster("PNG", GDT_Byte, kW, kH, 3, ramp(1, 3))}};
  for (const auto& [name, bytes] : cases) {
    SCOPED_TRACE(name);
    const DibImage image = loaded(bytes);
    EXPECT_EQ(pixelsOf(image), pixelsOf(bmp));
    EXPECT_EQ(image.fineHeights(), nullptr);  // the red channel holds the heights exactly
  }
}

TEST(TextureFile, HighPrecisionRastersGiveFineHeightsAndTheirGreyPicture) {
  auto expect = [](const Bytes& bytes, std::vector<float> heights, Bytes grey,
                   std::optional<HeightRange> range = {}) {
    const DibImage image = loaded(bytes, "t.asc", {range});
    std::vector<Color> pixels;
    for (std::uint8_t g : grey) pixels.push_back(makeColor(g, g, g));
    EXPECT_EQ(pixelsOf(image), pixels);
    ASSERT_NE(image.fineHeights(), nullptr);
    EXPECT_THAT(std::vector(image.fineHeights(), image.fineHeights() + heights.size()),
                testing::Pointwise(testing::NanSensitiveFloatNear(0), heights));
  };
  // 16-bit: value / 257; signed 16-bit: the raster's own minimum..maximum.
  expect(raster("PNG", GDT_UInt16, 4, 1, 1, {0, 1, 300, 65535}),
         {0.f, float(1 / 257.0), float(300 / 257.0), 255.f}, {0, 0, 1, 255});
  expect(raster("GTiff", GDT_Int16, 4, 1, 1, {-100, 0, 100, 300}), {0.f, 63.75f, 127.5f, 255.f},
         {0, 64, 128, 255});
  // A given range, values beyond it beyond 0..255; NaN and nodata: no height, not in the range.
  expect(raster("GTiff", GDT_Float64, 3, 1, 1, {1, 20, -2}), {25.5f, 510.f, -51.f}, {26, 255, 0},
         HeightRange{0, 10});
  expect(raster("GTiff", GDT_Float32, 3, 1, 1, {2, NAN, 4}), {0.f, NAN, 255.f}, {0, 0, 255});
  const std::string grid =
      "ncols 2\nnrows 2\nxllcorner 0\nyllcorner 0\ncellsize 1\nNODATA_value -1\n10 -1\n30 20\n";
  expect({grid.begin(), grid.end()}, {0.f, NAN, 255.f, 127.5f}, {0, 0, 255, 128});
  // An SRTM tile, known by its name alone: 1201 x 1201 big-endian int16 with -32768, 500, 1500.
  Bytes tile(1201 * 1201 * 2, 0);
  tile[0] = 0x80, tile[2] = 0x01, tile[3] = 0xF4, tile[4] = 0x05, tile[5] = 0xDC;
  const DibImage srtm = loaded(tile, "N45E006.hgt");
  ASSERT_TRUE(srtm.width() == 1201 && srtm.height() == 1201 && srtm.fineHeights());
  EXPECT_THAT(std::vector(srtm.fineHeights(), srtm.fineHeights() + 3),
              testing::Pointwise(testing::NanSensitiveFloatNear(0), {NAN, 85.f, 255.f}));
  EXPECT_FALSE(loaded(tile, "tile.bin").isValid());
}

TEST(TextureFile, RefusesDamagedForeignAndOversizedFilesWithoutReadingElsewhere) {
  const auto png = raster("PNG", GDT_Byte, kW, kH, 1, ramp(1));
  const auto tiff = raster("GTiff", GDT_UInt16, kW, kH, 1, ramp(3));
  // Every prefix of a TIFF is refused, of a PNG up to its 12-byte end chunk (the picture whole).
  for (auto [file, wholeFrom] : {std::pair{&png, png.size() - 12}, {&tiff, tiff.size()}})
    for (std::size_t n = 0; n < file->size(); ++n)
      ASSERT_EQ(loaded({file->begin(), file->begin() + long(n)}).isValid(), n >= wholeFrom) << n;
  // Neither a VRT naming a readable picture beside it nor GDAL's virtual file systems are read.
  TempFolder folder;
  writeBytes(folder.file("real.png"), png);
  writeText(folder.file("t.vrt"),
            "<VRTDataset rasterXSize=\"9\" rasterYSize=\"7\"><VRTRasterBand dataType=\"Byte\" "
            "band=\"1\"><SimpleSource><SourceFilename relativeToVRT=\"1\">real.png</SourceFilename>"
            "</SimpleSource></VRTRasterBand></VRTDataset>");
  DibImage image;
  EXPECT_TRUE(loadTextureFile(folder.file("real.png"), image));
  for (const std::string& path : {folder.file("t.vrt"), std::string("/vsimem/x.png"),
                                  std::string("/vsicurl/http://127.0.0.1:9/x.png")})
    EXPECT_FALSE(loadTextureFile(path, image) || image.isValid()) << path;
  // Declared sizes beyond the limits, bands and values that make no texture, a broken checksum.
  EXPECT_FALSE(loaded(makeSparseTiff(20000, 20000)).isValid());
  EXPECT_FALSE(loaded(png, "t", {{}, kW * kH - 1}).isValid());  // over the caller's limit
  for (auto [type, bands] : {std::pair{GDT_Byte, 5}, {GDT_CInt16, 1}, {GDT_Float32, 3}})
    EXPECT_FALSE(loaded(raster("GTiff", type, 2, 2, bands, {})).isValid()) << bands;
  auto corrupt = png;
  corrupt[corrupt.size() / 2] ^= 0xFF;
  EXPECT_FALSE(loaded(corrupt).isValid());
}
