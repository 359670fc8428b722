#pragma once
// TextureFile: reads a texture file into a DibImage. BMP files (magic "BM") go to our own
// decoder, unchanged; every other raster goes through GDAL, opened from the file's bytes in
// GDAL's memory file system with a short list of drivers and no sibling files, so that
// opening a texture never reads, lists or fetches anything but that one file. GDAL never
// prints: its errors are silenced here. This shows no message itself; the caller does.
//
// Samples become pixels and heights (on the 0..255 scale of the red channel) so:
//  - 8-bit rasters (grey, grey + alpha, RGB, RGBA with alpha ignored, palette): their
//    colours, exactly as a BMP of the same picture; the height is the red channel;
//  - unsigned 16-bit with one band: height = value / 257, so a picture widened from 8 bits
//    (value x 257) gives the 8-bit heights exactly;
//  - other one-band rasters (signed 16-bit, 32-bit, float): heights linear from the
//    raster's own minimum..maximum (nodata excluded), or from a range the caller gives,
//    onto 0..255 (values beyond a given range map beyond 0..255; a flat raster is 0);
//  - nodata points (and NaN samples) have no height.
// Heights that are not all whole numbers in 0..255, or with nodata, are kept as the
// image's fine heights (DibImage::fineHeights) beside their grey picture (rounded,
// clamped to 0..255, no data black). Multi-band 16-bit pictures give colours value / 257,
// rounded.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "raster/DibImage.h"

// The low and high raster values that map to heights 0 and 255 (low < high).
struct HeightRange {
  double low = 0.0;
  double high = 255.0;
};

struct TextureReadOptions {
  std::optional<HeightRange> heightRange;  // for one-band rasters other than 8 and 16 bits
  std::uint64_t maxPixels = kMaxImagePixels;
};

// Reads the texture at path (files over kMaxBmpFileSize are refused). False, with image
// empty, when the file cannot be read, is no raster of the allowed formats (PNG, JPEG,
// TIFF/GeoTIFF, SRTM HGT, ESRI ASCII grid, BMP), is damaged, has more than maxPixels
// pixels, or has samples this cannot turn into colours (more than four bands, complex
// values, a pixel naming a missing palette entry).
bool loadTextureFile(const std::string& path, DibImage& image,
                     const TextureReadOptions& options = {});

// The same on bytes in memory; name is the file's name (some formats are recognised by
// it, such as SRTM's "N45E006.hgt"). Safe for untrusted bytes.
bool loadTextureFromMemory(const std::uint8_t* data, std::size_t size, const std::string& name,
                           DibImage& image, const TextureReadOptions& options = {});
