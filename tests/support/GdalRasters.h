#pragma once
// GdalRasters: test rasters of any format GDAL writes (PNG, GeoTIFF, ...), made in memory
// from the samples a test gives, as the bytes of the file. Test code only: the program
// itself reads such files through its own loader.

#include <cpl_conv.h>
#include <cpl_string.h>
#include <cpl_vsi.h>
#include <gdal.h>

#include <cstdint>
#include <string>
#include <vector>

struct RasterRecipe {
  const char* driver = "PNG";
  GDALDataType type = GDT_Byte;
  int width = 1;
  int height = 1;
  int bands = 1;
  std::vector<double> samples;         // band by band, each row by row
  std::vector<std::uint32_t> palette;  // Color values: a palette raster when given
};

// The bytes of a file made by a GDAL driver directly (nothing written into it) and then
// removed from GDAL's memory.
inline std::vector<std::uint8_t> takeMemoryFile(const std::string& path) {
  vsi_l_offset length = 0;
  GByte* data = VSIGetMemFileBuffer(path.c_str(), &length, FALSE);
  std::vector<std::uint8_t> bytes(data, data + length);
  VSIUnlink(path.c_str());
  VSIUnlink((path + ".aux.xml").c_str());
  return bytes;
}

// A GeoTIFF that declares width x height bytes and stores none of them: a small file
// with a huge picture.
inline std::vector<std::uint8_t> makeSparseTiff(int width, int height) {
  GDALAllRegister();
  const char* options[] = {"SPARSE_OK=TRUE", "TILED=YES", nullptr};
  const std::string path = "/vsimem/test-sparse.tif";
  GDALDatasetH file = GDALCreate(GDALGetDriverByName("GTiff"), path.c_str(), width, height, 1,
                                 GDT_Byte, const_cast<char**>(options));
  if (file == nullptr) return {};
  GDALClose(file);
  return takeMemoryFile(path);
}

// The file's bytes; empty when GDAL refused to write it.
inline std::vector<std::uint8_t> makeRasterFile(const RasterRecipe& recipe) {
  GDALAllRegister();
  GDALDatasetH memory = GDALCreate(GDALGetDriverByName("MEM"), "", recipe.width, recipe.height,
                                   recipe.bands, recipe.type, nullptr);
  if (memory == nullptr) return {};
  std::vector<double> samples = recipe.samples;
  samples.resize(std::size_t(recipe.width) * recipe.height * recipe.bands, 0.0);
  if (GDALDatasetRasterIO(memory, GF_Write, 0, 0, recipe.width, recipe.height, samples.data(),
                          recipe.width, recipe.height, GDT_Float64, recipe.bands, nullptr, 0, 0,
                          0) != CE_None) {
    GDALClose(memory);
    return {};
  }
  GDALRasterBandH first = GDALGetRasterBand(memory, 1);
  if (!recipe.palette.empty()) {
    GDALColorTableH table = GDALCreateColorTable(GPI_RGB);
    for (std::size_t i = 0; i < recipe.palette.size(); ++i) {
      const std::uint32_t c = recipe.palette[i];
      const GDALColorEntry entry{short(c & 0xFF), short((c >> 8) & 0xFF), short((c >> 16) & 0xFF),
                                 255};
      GDALSetColorEntry(table, int(i), &entry);
    }
    GDALSetRasterColorTable(first, table);
    GDALSetRasterColorInterpretation(first, GCI_PaletteIndex);
    GDALDestroyColorTable(table);
  }
  static int serial = 0;
  const std::string path = "/vsimem/test-raster-" + std::to_string(serial++);
  GDALDatasetH file = GDALCreateCopy(GDALGetDriverByName(recipe.driver), path.c_str(), memory,
                                     FALSE, nullptr, nullptr, nullptr);
  GDALClose(memory);
  if (file == nullptr) return {};
  GDALClose(file);
  return takeMemoryFile(path);
}
