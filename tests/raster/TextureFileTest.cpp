// Texture files of every format: the same 8-bit heights whatever the file, fine heights from
// 16-bit and elevation rasters, and refusals of damaged, foreign and oversized files.

#include "raster/TextureFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "support/GdalRasters.h"
#include "support/TempFolder.h"
#include "support/TestTextures.h"

namespace {

constexpr int kW = 9, kH = 7;
int rampHeight(int x, int y) { return (x * 37 + y * 11) % 256; }

std::vector<double> rampSamples(double factor) {
  std::vector<double> samples;
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) samples.push_back(rampHeight(x, y) * factor);
  return samples;
}

DibImage loaded(const std::vector<std::uint8_t>& bytes, const std::string& name = "t",
                const TextureReadOptions& options = {}) {
  DibImage image;
  loadTextureFromMemory(bytes.data(), bytes.size(), name, image, options);
  return image;
}

std::vector<Color> pixelsOf(const DibImage& image) {
  return {image.pixels(), image.pixels() + std::size_t(image.width()) * image.height()};
}

RasterSpec noData(RasterSpec spec, double value) {
  spec.noData = value;
  return spec;
}
RasterSpec options(RasterSpec spec, std::vector<std::string> creationOptions) {
  spec.creationOptions = std::move(creationOptions);
  return spec;
}
RasterSpec palette(RasterSpec spec, std::vector<std::uint32_t> entries) {
  spec.palette = std::move(entries);
  return spec;
}

}  // namespace

TEST(TextureFile, EveryEightBitFormOfTheSameHeightsGivesTheBmpsPixels) {
  const DibImage bmpImage = makeTexture(kW, kH, [](int x, int y) {
    const std::uint32_t h = std::uint32_t(rampHeight(x, y));
    return makeColor(h, h, h);
  });
  const std::vector<std::uint8_t> bmp = bmpImage.encodeBmp();
  std::vector<double> rgb = rampSamples(1);
  for (int band = 1; band < 3; ++band) rgb.insert(rgb.end(), rgb.begin(), rgb.begin() + kW * kH);
  std::vector<std::uint32_t> greyPalette;
  for (std::uint32_t v = 0; v < 256; ++v) greyPalette.push_back(makeColor(v, v, v));
  struct Case {
    const char* name;
    std::vector<std::uint8_t> bytes;
  } cases[] = {
      {"8-bit BMP", bmp},
      {"8-bit grey PNG", makeRasterFile(rasterSpec("PNG", GDT_Byte, kW, kH, 1, rampSamples(1)))},
      {"16-bit PNG x 257",
       makeRasterFile(rasterSpec("PNG", GDT_UInt16, kW, kH, 1, rampSamples(257)))},
      {"GeoTIFF of bytes",
       makeRasterFile(rasterSpec("GTiff", GDT_Byte, kW, kH, 1, rampSamples(1)))},
      {"RGB PNG", makeRasterFile(rasterSpec("PNG", GDT_Byte, kW, kH, 3, rgb))},
      {"palette PNG", makeRasterFile(palette(rasterSpec("PNG", GDT_Byte, kW, kH, 1, rampSamples(1)),
                                             greyPalette))},
      {"16-bit GeoTIFF x 257",
       makeRasterFile(
           options(rasterSpec("GTiff", GDT_UInt16, kW, kH, 1, rampSamples(257)), {"TILED=YES"}))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_FALSE(c.bytes.empty());
    const DibImage image = loaded(c.bytes);
    ASSERT_EQ(image.width(), kW);
    ASSERT_EQ(image.height(), kH);
    EXPECT_EQ(pixelsOf(image), pixelsOf(bmpImage));
    EXPECT_EQ(image.fineHeights(), nullptr);  // the red channel holds the heights exactly
  }
}

TEST(TextureFile, HighPrecisionRastersGiveFineHeightsAndTheirGreyPicture) {
  const float nan = NAN;
  const std::string grid =
      "ncols 2\nnrows 2\nxllcorner 0\nyllcorner 0\ncellsize 1\nNODATA_value -9999\n"
      "10 -9999\n30 20\n";
  struct Case {
    const char* name;
    std::vector<std::uint8_t> bytes;
    std::optional<HeightRange> range;
    std::vector<float> heights;  // empty: no fine heights
    std::vector<std::uint8_t> grey;
  } cases[] = {
      {"16-bit: value / 257",
       makeRasterFile(rasterSpec("PNG", GDT_UInt16, 4, 1, 1, {0, 1, 300, 65535})),
       {},
       {0.f, float(1 / 257.0), float(300 / 257.0), 255.f},
       {0, 0, 1, 255}},
      {"signed 16-bit: own minimum..maximum",
       makeRasterFile(rasterSpec("GTiff", GDT_Int16, 4, 1, 1, {-100, 0, 100, 300})),
       {},
       {0.f, 63.75f, 127.5f, 255.f},
       {0, 64, 128, 255}},
      {"float with nodata: excluded from the range, no height",
       makeRasterFile(
           noData(rasterSpec("GTiff", GDT_Float32, 4, 1, 1, {-9999, 1.5, 3.5, 2.5}), -9999.0)),
       {},
       {nan, 0.f, 255.f, 127.5f},
       {0, 0, 255, 128}},
      {"float NaN samples have no height",
       makeRasterFile(rasterSpec("GTiff", GDT_Float32, 3, 1, 1, {2, NAN, 4})),
       {},
       {0.f, nan, 255.f},
       {0, 0, 255}},
      {"a given range, values beyond it beyond 0..255",
       makeRasterFile(rasterSpec("GTiff", GDT_Float64, 3, 1, 1, {1, 20, -2})),
       HeightRange{0, 10},
       {25.5f, 510.f, -51.f},
       {26, 255, 0}},
      {"a flat raster lies at 0, whole numbers stay in the red channel",
       makeRasterFile(rasterSpec("GTiff", GDT_Float32, 2, 1, 1, {5, 5})),
       {},
       {},
       {0, 0}},
      {"ESRI ASCII grid with nodata",
       std::vector<std::uint8_t>(grid.begin(), grid.end()),
       {},
       {0.f, nan, 255.f, 127.5f},
       {0, 0, 255, 128}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_FALSE(c.bytes.empty());
    TextureReadOptions options;
    options.heightRange = c.range;
    const DibImage image = loaded(c.bytes, "t.asc", options);
    ASSERT_EQ(std::size_t(image.width()) * image.height(), c.grey.size());
    for (std::size_t i = 0; i < c.grey.size(); ++i) {
      EXPECT_EQ(image.pixels()[i], makeColor(c.grey[i], c.grey[i], c.grey[i])) << i;
      if (c.heights.empty()) continue;
      ASSERT_NE(image.fineHeights(), nullptr);
      const float h = image.fineHeights()[i];
      if (std::isnan(c.heights[i])) {
        EXPECT_TRUE(std::isnan(h)) << i;
      } else {
        EXPECT_EQ(h, c.heights[i]) << i;
      }
    }
    if (c.heights.empty()) {
      EXPECT_EQ(image.fineHeights(), nullptr);
    }
  }
}

TEST(TextureFile, SrtmTilesAreRecognisedByTheirName) {
  // A 3-arc-second tile: 1201 x 1201 big-endian signed 16-bit samples.
  std::vector<std::uint8_t> tile(1201 * 1201 * 2, 0);
  const std::int16_t corner[] = {-32768, 500, 1500};  // nodata, then two heights
  for (int i = 0; i < 3; ++i) {
    tile[2 * i] = std::uint8_t(std::uint16_t(corner[i]) >> 8);
    tile[2 * i + 1] = std::uint8_t(corner[i] & 0xFF);
  }
  const DibImage image = loaded(tile, "N45E006.hgt");
  ASSERT_EQ(image.width(), 1201);
  ASSERT_NE(image.fineHeights(), nullptr);
  EXPECT_TRUE(std::isnan(image.fineHeights()[0]));
  EXPECT_EQ(image.fineHeights()[1], float(500 * 255.0 / 1500));  // 0..1500 onto 0..255
  EXPECT_EQ(image.fineHeights()[2], 255.f);
  EXPECT_FALSE(loaded(tile, "tile.bin").isValid());  // not a tile by its name
}

TEST(TextureFile, RefusesDamagedForeignAndOversizedFilesWithoutReadingElsewhere) {
  TempFolder folder;
  const std::vector<std::uint8_t> png =
      makeRasterFile(rasterSpec("PNG", GDT_Byte, kW, kH, 1, rampSamples(1)));
  const std::vector<std::uint8_t> tiff =
      makeRasterFile(rasterSpec("GTiff", GDT_UInt16, kW, kH, 1, rampSamples(3)));
  // Every truncated prefix of a TIFF, and of a PNG up to its end marker (the 12-byte IEND
  // chunk: without it the picture is whole), is refused.
  const struct {
    const std::vector<std::uint8_t>* file;
    std::size_t wholeFrom;
  } truncated[] = {{&png, png.size() - 12}, {&tiff, tiff.size()}};
  for (const auto& t : truncated)
    for (std::size_t n = 0; n < t.file->size(); ++n) {
      const std::vector<std::uint8_t> prefix(t.file->begin(), t.file->begin() + long(n));
      ASSERT_EQ(loaded(prefix).isValid(), n >= t.wholeFrom) << n << " of " << t.file->size();
    }
  // A VRT naming a real picture beside it: not an allowed format, and nothing beside the
  // file is visible to the reader anyway.
  {
    std::ofstream(folder.file("real.png"), std::ios::binary)
        .write(reinterpret_cast<const char*>(png.data()), long(png.size()));
  }
  const std::string vrt =
      "<VRTDataset rasterXSize=\"9\" rasterYSize=\"7\"><VRTRasterBand "
      "dataType=\"Byte\" band=\"1\"><SimpleSource><SourceFilename "
      "relativeToVRT=\"1\">real.png</SourceFilename></SimpleSource>"
      "</VRTRasterBand></VRTDataset>";
  { std::ofstream(folder.file("t.vrt")) << vrt; }
  DibImage image;
  EXPECT_TRUE(loadTextureFile(folder.file("real.png"), image));
  struct Case {
    const char* name;
    std::string path;
  } paths[] = {
      {"VRT", folder.file("t.vrt")},
      {"virtual file system", "/vsicurl/http://127.0.0.1:9/x.png"},
      {"memory file", "/vsimem/x.png"},
      {"folder", folder.path()},
      {"missing", folder.file("missing.png")},
  };
  for (const Case& c : paths) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(loadTextureFile(c.path, image));
    EXPECT_FALSE(image.isValid());
  }
  // Declared sizes beyond the limits, bands and values that make no texture.
  const std::vector<std::uint8_t> huge = makeSparseTiff(20000, 20000);
  ASSERT_FALSE(huge.empty());
  EXPECT_LT(huge.size(), 100000u);
  EXPECT_FALSE(loaded(huge).isValid());
  TextureReadOptions small;
  small.maxPixels = kW * kH - 1;
  EXPECT_FALSE(loaded(png, "t", small).isValid());
  EXPECT_FALSE(loaded(makeRasterFile(rasterSpec("GTiff", GDT_Byte, 2, 2, 5))).isValid());
  EXPECT_FALSE(loaded(makeRasterFile(rasterSpec("GTiff", GDT_CInt16, 2, 2, 1))).isValid());
  EXPECT_FALSE(loaded(makeRasterFile(rasterSpec("GTiff", GDT_Float32, 2, 2, 3))).isValid());
  std::vector<std::uint8_t> corrupt = png;
  corrupt[corrupt.size() / 2] ^= 0xFF;  // inside the compressed data: its checksum fails
  EXPECT_FALSE(loaded(corrupt).isValid());
}
