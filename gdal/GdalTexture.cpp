// The GDAL reader of textures that are not BMP files: the formats allowed, the memory file
// GDAL reads from, and the rules that turn samples into colours and heights (TextureFile.h).

#include "gdal/GdalTexture.h"

#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_vsi.h>
#include <gdal.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "raster/Color.h"

namespace {

// The formats a texture may have besides BMP. Anything that can name other files or
// addresses (VRT, virtual file systems, databases) is not among them.
const char* const kAllowedDrivers[] = {"PNG", "JPEG", "GTiff", "SRTMHGT", "AAIGrid", nullptr};
// No file lies beside a texture as far as GDAL is told: no overviews, masks, world or
// projection files are looked for.
const char* const kNoSiblingFiles[] = {nullptr};

void prepareGdal() {
  static std::once_flag once;
  std::call_once(once, [] {
    CPLSetErrorHandler(CPLQuietErrorHandler);      // our messages are the program's own
    CPLSetConfigOption("GDAL_PAM_ENABLED", "NO");  // never writes .aux.xml files
    CPLSetConfigOption("GDAL_DISABLE_READDIR_ON_OPEN", "EMPTY_DIR");
    GDALAllRegister();
  });
}

// The bytes as a file of GDAL's memory file system, removed again when this ends. GDAL
// reads them in place.
class MemoryFile {
 public:
  MemoryFile(const std::uint8_t* data, std::size_t size, const std::string& name) {
    static std::atomic<std::uint64_t> serial{0};
    path_ = "/vsimem/qn-texture/" + std::to_string(serial++) + "/" + name;
    VSILFILE* file = VSIFileFromMemBuffer(path_.c_str(), const_cast<GByte*>(data),
                                          static_cast<vsi_l_offset>(size), FALSE);
    if (file != nullptr) {
      VSIFCloseL(file);
      open_ = true;
    }
  }
  ~MemoryFile() {
    if (open_) VSIUnlink(path_.c_str());
  }
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;
  bool isOpen() const { return open_; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  bool open_ = false;
};

struct DatasetCloser {
  void operator()(void* dataset) const { GDALClose(dataset); }
};
using Dataset = std::unique_ptr<void, DatasetCloser>;

std::uint8_t roundToByte(double value) {
  if (!(value > 0.0)) return 0;  // also NaN
  if (value >= 255.0) return 255;
  return static_cast<std::uint8_t>(std::lround(value));
}

Color grey(std::uint8_t level) { return makeColor(level, level, level); }

// One row of band samples, bands interleaved per pixel.
template <class Sample>
bool readRow(GDALDatasetH dataset, int y, int width, int bands, GDALDataType type,
             std::vector<Sample>& row) {
  int bandMap[4] = {1, 2, 3, 4};
  return GDALDatasetRasterIO(dataset, GF_Read, 0, y, width, 1, row.data(), width, 1, type, bands,
                             bandMap, bands * static_cast<int>(sizeof(Sample)),
                             static_cast<GSpacing>(bands) * width * sizeof(Sample),
                             sizeof(Sample)) == CE_None;
}

// The colour of each sample value of a one-band 8-bit raster: its palette entry, or grey
// (a grey raster of fewer than 8 bits stretched to 0..255). Palette values without an
// entry stay kInvalidColor.
bool byteColors(GDALRasterBandH band, Color (&colors)[256]) {
  std::fill(std::begin(colors), std::end(colors), kInvalidColor);
  GDALColorTableH table = GDALGetRasterColorTable(band);
  if (GDALGetRasterColorInterpretation(band) == GCI_PaletteIndex && table != nullptr) {
    const int entries = std::min(GDALGetColorEntryCount(table), 256);
    for (int i = 0; i < entries; ++i) {
      GDALColorEntry entry;
      if (GDALGetColorEntryAsRGB(table, i, &entry) == 0) return false;
      colors[i] = makeColor(entry.c1, entry.c2, entry.c3);
    }
    return true;
  }
  const char* bits = GDALGetMetadataItem(band, "NBITS", "IMAGE_STRUCTURE");
  const int nbits = bits != nullptr ? std::atoi(bits) : 8;
  const int top = (nbits >= 1 && nbits < 8) ? (1 << nbits) - 1 : 255;
  for (int v = 0; v < 256; ++v)
    colors[v] = grey(static_cast<std::uint8_t>(std::min(255, (v * 255 + top / 2) / top)));
  return true;
}

// The picture being read: its size and the caller's buffers.
struct Picture {
  int width = 0;
  int height = 0;
  std::uint32_t* pixels = nullptr;
  Color* row(int y) const { return pixels + static_cast<std::size_t>(y) * width; }
};

bool readBytePixels(GDALDatasetH dataset, int bands, const Picture& image) {
  const int width = image.width;
  // Grey + alpha reads the grey band only; RGBA its first three.
  const int read = bands >= 3 ? 3 : 1;
  Color colors[256];
  if (read == 1 && !byteColors(GDALGetRasterBand(dataset, 1), colors)) return false;
  std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * read);
  for (int y = 0; y < image.height; ++y) {
    if (!readRow(dataset, y, width, read, GDT_Byte, row)) return false;
    Color* out = image.row(y);
    for (int x = 0; x < width; ++x) {
      if (read == 3) {
        out[x] = makeColor(row[3 * x], row[3 * x + 1], row[3 * x + 2]);
      } else {
        out[x] = colors[row[x]];
        if (out[x] == kInvalidColor) return false;  // a palette entry that is not there
      }
    }
  }
  return true;
}

// 16-bit colour pictures: each channel value / 257, rounded (grey + alpha reads the grey).
bool readWidePixels(GDALDatasetH dataset, int bands, const Picture& image) {
  const int width = image.width;
  const int read = bands >= 3 ? 3 : 1;
  std::vector<std::uint16_t> row(static_cast<std::size_t>(width) * read);
  auto level = [](std::uint16_t v) { return static_cast<std::uint32_t>((v + 128u) / 257u); };
  for (int y = 0; y < image.height; ++y) {
    if (!readRow(dataset, y, width, read, GDT_UInt16, row)) return false;
    Color* out = image.row(y);
    for (int x = 0; x < width; ++x) {
      const std::uint16_t* s = &row[static_cast<std::size_t>(x) * read];
      out[x] = read == 3 ? makeColor(level(s[0]), level(s[1]), level(s[2]))
                         : makeColor(level(s[0]), level(s[0]), level(s[0]));
    }
  }
  return true;
}

// How the samples of a one-band height raster become heights.
struct HeightMapping {
  bool hasNoData = false;
  double noData = 0.0;
  double offset = 0.0;  // height = (value - offset) * scale
  double scale = 1.0;
  bool isNoData(double value) const { return std::isnan(value) || (hasNoData && value == noData); }
};

// The smallest and largest value with data (0 and 0 when no point has any); false when
// the raster cannot be read.
bool valueRange(GDALDatasetH dataset, const HeightMapping& mapping, int width, int height,
                double& low, double& high) {
  std::vector<double> row(static_cast<std::size_t>(width));
  bool any = false;
  low = high = 0.0;
  for (int y = 0; y < height; ++y) {
    if (!readRow(dataset, y, width, 1, GDT_Float64, row)) return false;
    for (const double v : row) {
      if (mapping.isNoData(v)) continue;
      low = any ? std::min(low, v) : v;
      high = any ? std::max(high, v) : v;
      any = true;
    }
  }
  return true;
}

// Pixels and fine heights; false when reading failed, wholeBytes when every height is a
// whole number in 0..255, which the red channel holds exactly.
bool readHeights(GDALDatasetH dataset, GDALDataType type, QnTextureTarget& target,
                 const Picture& image, bool& wholeBytes) {
  const int width = image.width, height = image.height;
  GDALRasterBandH band = GDALGetRasterBand(dataset, 1);
  HeightMapping mapping;
  int hasNoData = 0;
  mapping.noData = GDALGetRasterNoDataValue(band, &hasNoData);
  mapping.hasNoData = hasNoData != 0;
  if (type == GDT_UInt16) {
    mapping.scale = 1.0 / 257.0;
  } else {
    double low = 0.0, high = 0.0;
    if (target.hasHeightRange != 0) {
      low = target.heightLow;
      high = target.heightHigh;
    } else if (!valueRange(dataset, mapping, width, height, low, high)) {
      return false;
    }
    mapping.offset = low;
    mapping.scale = high > low ? 255.0 / (high - low) : 0.0;  // a flat raster lies at 0
  }

  float* heights = target.allocateFineHeights(target.owner);
  if (heights == nullptr) return false;
  std::vector<double> row(static_cast<std::size_t>(width));
  wholeBytes = true;
  for (int y = 0; y < height; ++y) {
    if (!readRow(dataset, y, width, 1, GDT_Float64, row)) return false;
    float* fine = &heights[static_cast<std::size_t>(y) * width];
    Color* out = image.row(y);
    for (int x = 0; x < width; ++x) {
      if (mapping.isNoData(row[x])) {
        fine[x] = NAN;
        out[x] = kBlack;
        wholeBytes = false;
        continue;
      }
      const double h =
          type == GDT_UInt16 ? row[x] / 257.0 : (row[x] - mapping.offset) * mapping.scale;
      fine[x] = static_cast<float>(h);
      out[x] = grey(roundToByte(fine[x]));
      wholeBytes = wholeBytes && fine[x] == static_cast<float>(redOf(out[x]));
    }
  }
  return true;
}

int readDataset(GDALDatasetH dataset, QnTextureTarget& target) {
  Picture image;
  image.width = GDALGetRasterXSize(dataset);
  image.height = GDALGetRasterYSize(dataset);
  const int bands = GDALGetRasterCount(dataset);
  if (image.width <= 0 || image.height <= 0 || bands < 1 || bands > 4) return kQnTextureRefused;
  if (static_cast<std::uint64_t>(image.width) * static_cast<std::uint64_t>(image.height) >
      target.maxPixels)
    return kQnTextureRefused;
  const GDALDataType type = GDALGetRasterDataType(GDALGetRasterBand(dataset, 1));
  for (int b = 2; b <= bands; ++b)
    if (GDALGetRasterDataType(GDALGetRasterBand(dataset, b)) != type) return kQnTextureRefused;
  if (GDALDataTypeIsComplex(type)) return kQnTextureRefused;
  if (type != GDT_Byte && type != GDT_UInt16 && bands > 1) return kQnTextureRefused;
  image.pixels = target.allocatePixels(target.owner, image.width, image.height);
  if (image.pixels == nullptr) return kQnTextureRefused;
  if (type == GDT_Byte)
    return readBytePixels(dataset, bands, image) ? kQnTexturePixels : kQnTextureRefused;
  if (bands > 1)
    return readWidePixels(dataset, bands, image) ? kQnTexturePixels : kQnTextureRefused;
  bool wholeBytes = false;
  if (!readHeights(dataset, type, target, image, wholeBytes)) return kQnTextureRefused;
  return wholeBytes ? kQnTexturePixels : kQnTextureFineHeights;
}

}  // namespace

int readGdalTexture(const std::uint8_t* data, std::size_t size, const char* name,
                    QnTextureTarget* target) {
  if (data == nullptr || size == 0 || target == nullptr) return kQnTextureRefused;
  prepareGdal();
  MemoryFile file(data, size, name != nullptr && *name != '\0' ? name : "texture");
  if (!file.isOpen()) return kQnTextureRefused;
  Dataset dataset(GDALOpenEx(file.path().c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY,
                             kAllowedDrivers, nullptr, kNoSiblingFiles));
  return dataset ? readDataset(dataset.get(), *target) : kQnTextureRefused;
}
