#pragma once
// GdalTexture: the interface between the core and the GDAL reader module (qn-gdal.so). The
// module holds everything that touches GDAL and is loaded only when a texture that is not
// a BMP is read, so that a program reading BMPs never loads GDAL and its many libraries.
// Plain C types only: the module owns no memory it hands back; it fills the caller's.

#include <cstddef>
#include <cstdint>

extern "C" {

// Where the reader puts a texture, and the caller's rules for it.
struct QnTextureTarget {
  void* owner;
  // Room for width x height colour values (Color.h), row 0 first; null to refuse.
  std::uint32_t* (*allocatePixels)(void* owner, int width, int height);
  // Room for the same number of fine heights; null to refuse.
  float* (*allocateFineHeights)(void* owner);
  std::uint64_t maxPixels;  // more pixels than this are refused before any is read
  int hasHeightRange;       // nonzero: heightLow..heightHigh map onto 0..255
  double heightLow;
  double heightHigh;
};

// What reading gave: nothing (the file is refused), only pixels, or pixels and fine heights.
enum QnTextureRead { kQnTextureRefused = 0, kQnTexturePixels = 1, kQnTextureFineHeights = 2 };

// The module's one entry point, found by this name.
using QnReadGdalTextureFunction = int (*)(const std::uint8_t* data, std::size_t size,
                                          const char* name, QnTextureTarget* target);
inline constexpr const char* kQnReadGdalTextureSymbol = "qnReadGdalTexture";
}

// Reads size bytes of a raster file named name (some formats are recognised by the name)
// with GDAL into target, by the rules of TextureFile.h. Safe for untrusted bytes. The module
// exports it as qnReadGdalTexture; the fuzz target calls it directly.
int readGdalTexture(const std::uint8_t* data, std::size_t size, const char* name,
                    QnTextureTarget* target);
