// Texture files of every format: the same 8-bit heights whatever the file, fine heights from
// 16-bit and elevation rasters, and refusals of damaged, foreign and oversized files.

#include "raster/TextureFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "support/GdalRasters.h"
#include "support/TempFolder.h"
#include "support/TestTextures.h"

namespace {

constexpr int kW = 9, kH = 7;

std::vector<double> ramp(double factor, int bands = 1) {
  std::vector<double> samples;
  for (int i = 0; i < kW * kH * bands; ++i)
    samples.push_back((i % (kW * kH) % kW * 37 + i % (kW * kH) / kW * 11) % 256 * factor);
  return samples;
}

std::vector<std::uint8_t> raster(const char* driver, GDALDataType type, int w, int h, int bands,
                                 std::vector<double> samples,
                                 void (*edit)(RasterRecipe&) = nullptr) {
  RasterRecipe recipe = rasterRecipe(driver, type, w, h, bands, std::move(samples));
  if (edit) edit(recipe);
  return makeRasterFile(recipe);
}

DibImage loaded(const std::vector<std::uint8_t>& bytes, const std::string& name = "t",
                const TextureReadOptions& options = {}) {
  DibImage image;
  const bool read = loadTextureFromMemory(bytes.data(), bytes.size(), name, image, options);
  EXPECT_EQ(read, image.isValid());
  return image;
}

std::vector<Color> pixelsOf(const DibImage& image) {
  return {image.pixels(), image.pixels() + std::size_t(image.width()) * image.height()};
}

}  // namespace

TEST(TextureFile, EveryEightBitFormOfTheSameHeightsGivesTheBmpsPixels) {
  const std::vector<double> heights = ramp(1);
  const DibImage bmp = makeTexture(kW, kH, [&](int x, int y) {
    const auto h = std::uint32_t(heights[y * kW + x]);
    return makeColor(h, h, h);
  });
  const std::pair<const char*, std::vector<std::uint8_t>> cases[] = {
      {"8-bit BMP", bmp.encodeBmp()},
      {"8-bit grey PNG", raster("PNG", GDT_Byte, kW, kH, 1, ramp(1))},
      {"16-bit PNG x 257", raster("PNG", GDT_UInt16, kW, kH, 1, ramp(257))},
      {"GeoTIFF of bytes", raster("GTiff", GDT_Byte, kW, kH, 1, ramp(1))},
      {"RGB PNG", raster("PNG", GDT_Byte, kW, kH, 3, ramp(1, 3))},
      {"palette PNG", raster("PNG", GDT_Byte, kW, kH, 1, ramp(1),
                             [](RasterRecipe& s) {
                               for (std::uint32_t v = 0; v < 256; ++v)
                                 s.palette.push_back(makeColor(v, v, v));
                             })},
      {"16-bit GeoTIFF x 257", raster("GTiff", GDT_UInt16, kW, kH, 1, ramp(257),
                                      [](RasterRecipe& s) { s.creationOptions = {"TILED=YES"}; })}};
  for (const auto& [name, bytes] : cases) {
    SCOPED_TRACE(name);
    ASSERT_FALSE(bytes.empty());
    const DibImage image = loaded(bytes);
    ASSERT_EQ(image.width() * 100 + image.height(), kW * 100 + kH);
    EXPECT_EQ(pixelsOf(image), pixelsOf(bmp));
    EXPECT_EQ(image.fineHeights(), nullptr);  // the red channel holds the heights exactly
  }
}

TEST(TextureFile, HighPrecisionRastersGiveFineHeightsAndTheirGreyPicture) {
  // heights empty: no fine heights, the red channel holds them.
  auto expectHeights = [](const char* name, const std::vector<std::uint8_t>& bytes,
                          std::vector<float> heights, std::vector<std::uint8_t> grey,
                          std::optional<HeightRange> range = {}) {
    SCOPED_TRACE(name);
    ASSERT_FALSE(bytes.empty());
    TextureReadOptions options;
    options.heightRange = range;
    const DibImage image = loaded(bytes, "t.asc", options);
    std::vector<Color> pixels;
    for (std::uint8_t g : grey) pixels.push_back(makeColor(g, g, g));
    EXPECT_EQ(pixelsOf(image), pixels);
    ASSERT_EQ(image.fineHeights() != nullptr, !heights.empty());
    for (std::size_t i = 0; i < heights.size(); ++i) {
      const float h = image.fineHeights()[i];
      EXPECT_TRUE(std::isnan(heights[i]) ? std::isnan(h) : h == heights[i]) << i << ": " << h;
    }
  };
  const float nan = NAN;
  expectHeights("16-bit: value / 257", raster("PNG", GDT_UInt16, 4, 1, 1, {0, 1, 300, 65535}),
                {0.f, float(1 / 257.0), float(300 / 257.0), 255.f}, {0, 0, 1, 255});
  expectHeights("signed 16-bit: own minimum..maximum",
                raster("GTiff", GDT_Int16, 4, 1, 1, {-100, 0, 100, 300}),
                {0.f, 63.75f, 127.5f, 255.f}, {0, 64, 128, 255});
  expectHeights("float with nodata: excluded from the range, no height",
                raster("GTiff", GDT_Float32, 4, 1, 1, {-9999, 1.5, 3.5, 2.5},
                       [](RasterRecipe& s) { s.noData = -9999.0; }),
                {nan, 0.f, 255.f, 127.5f}, {0, 0, 255, 128});
  expectHeights("float NaN samples have no height",
                raster("GTiff", GDT_Float32, 3, 1, 1, {2, NAN, 4}), {0.f, nan, 255.f}, {0, 0, 255});
  expectHeights("a given range, values beyond it beyond 0..255",
                raster("GTiff", GDT_Float64, 3, 1, 1, {1, 20, -2}), {25.5f, 510.f, -51.f},
                {26, 255, 0}, HeightRange{0, 10});
  expectHeights("a flat raster lies at 0, whole numbers stay in the red channel",
                raster("GTiff", GDT_Float32, 2, 1, 1, {5, 5}), {}, {0, 0});
  const std::string grid =
      "ncols 2\nnrows 2\nxllcorner 0\nyllcorner 0\ncellsize 1\nNODATA_value -9999\n"
      "10 -9999\n30 20\n";
  expectHeights("ESRI ASCII grid with nodata", {grid.begin(), grid.end()},
                {0.f, nan, 255.f, 127.5f}, {0, 0, 255, 128});
}

TEST(TextureFile, SrtmTilesAreRecognisedByTheirName) {
  // A 3-arc-second tile: 1201 x 1201 big-endian signed 16-bit samples.
  std::vector<std::uint8_t> tile(1201 * 1201 * 2, 0);
  tile[0] = 0x80, tile[2] = 0x01, tile[3] = 0xF4, tile[4] = 0x05,
  tile[5] = 0xDC;  // -32768, 500, 1500
  const DibImage image = loaded(tile, "N45E006.hgt");
  ASSERT_EQ(image.width(), 1201);
  ASSERT_NE(image.fineHeights(), nullptr);
  EXPECT_TRUE(std::isnan(image.fineHeights()[0]));
  EXPECT_EQ(image.fineHeights()[1], float(500 * 255.0 / 1500));  // 0..1500 onto 0..255
  EXPECT_EQ(image.fineHeights()[2], 255.f);
  EXPECT_FALSE(loaded(tile, "tile.bin").isValid());  // not a tile by its name
}

TEST(TextureFile, RefusesDamagedForeignAndOversizedFilesWithoutReadingElsewhere) {
  const auto png = raster("PNG", GDT_Byte, kW, kH, 1, ramp(1));
  const auto tiff = raster("GTiff", GDT_UInt16, kW, kH, 1, ramp(3));
  // Every prefix of a TIFF is refused, and of a PNG up to its 12-byte end chunk (without
  // which the picture is whole).
  for (auto [file, wholeFrom] : {std::pair{&png, png.size() - 12}, {&tiff, tiff.size()}})
    for (std::size_t n = 0; n < file->size(); ++n)
      ASSERT_EQ(loaded({file->begin(), file->begin() + long(n)}).isValid(), n >= wholeFrom) << n;
  // A VRT naming a real picture beside it: not an allowed format, and nothing beside the
  // file is visible to the reader anyway; nor are GDAL's virtual file systems.
  TempFolder folder;
  std::ofstream(folder.file("real.png"), std::ios::binary)
      .write(reinterpret_cast<const char*>(png.data()), long(png.size()));
  const std::string vrt =
      "<VRTDataset rasterXSize=\"9\" rasterYSize=\"7\"><VRTRasterBand dataType=\"Byte\" "
      "band=\"1\"><SimpleSource><SourceFilename relativeToVRT=\"1\">real.png</SourceFilename>"
      "</SimpleSource></VRTRasterBand></VRTDataset>";
  std::ofstream(folder.file("t.vrt")) << vrt;
  DibImage image;
  EXPECT_TRUE(loadTextureFile(folder.file("real.png"), image));
  const std::string vsi = "/vsicurl/http://127.0.0.1:9/x.png";
  for (const std::string& path : {folder.file("t.vrt"), vsi, std::string("/vsimem/x.png"),
                                  folder.path(), folder.file("missing.png")}) {
    EXPECT_FALSE(loadTextureFile(path, image)) << path;
    EXPECT_FALSE(image.isValid()) << path;
  }
  // Declared sizes beyond the limits, bands and values that make no texture.
  const auto huge = makeSparseTiff(20000, 20000);
  ASSERT_FALSE(huge.empty());
  EXPECT_LT(huge.size(), 100000u);
  EXPECT_FALSE(loaded(huge).isValid());
  TextureReadOptions small;
  small.maxPixels = kW * kH - 1;
  EXPECT_FALSE(loaded(png, "t", small).isValid());
  for (auto [type, bands] : {std::pair{GDT_Byte, 5}, {GDT_CInt16, 1}, {GDT_Float32, 3}})
    EXPECT_FALSE(loaded(raster("GTiff", type, 2, 2, bands, {})).isValid()) << bands;
  auto corrupt = png;
  corrupt[corrupt.size() / 2] ^= 0xFF;  // inside the compressed data: its checksum fails
  EXPECT_FALSE(loaded(corrupt).isValid());
}
