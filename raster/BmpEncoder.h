#pragma once
// BMP writer pieces: the 54-byte headers and the rows of a 24-bit bottom-up BMP file
// (14-byte file header, 40-byte info header, no palette, rows of blue-green-red bytes
// padded to 4). Fields are written byte by byte, little-endian. No file access here.

#include <cstddef>
#include <cstdint>

#include "raster/Color.h"

inline constexpr std::size_t kBmpHeaderSize = 54;

// Bytes of one stored row: 3 per pixel plus 0-3 zero bytes up to a multiple of 4.
std::uint64_t bmpRowSize(int width);
// 54 + height * bmpRowSize(width).
std::uint64_t bmpFileSize(int width, int height);
// The file and info headers. Requires width, height > 0 and bmpFileSize < 2^32.
void encodeBmpHeader(int width, int height, std::uint8_t* header54);
// One picture row (width colour values) as stored: blue, green, red per pixel, then the
// zero padding. out must hold bmpRowSize(width) bytes.
void encodeBmpRow(const Color* row, int width, std::uint8_t* out);
