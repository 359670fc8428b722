// The 24-bit BMP layout the program saves: "BM", file size, two reserved zero words,
// pixel offset 54; a 40-byte info header with positive height (rows bottom-up), one
// plane, 24 bits, no compression, image size, densities and colour counts all 0.

#include "raster/BmpEncoder.h"

#include <cassert>

namespace {

void putU16(std::uint8_t* p, std::uint32_t value) {
  p[0] = static_cast<std::uint8_t>(value);
  p[1] = static_cast<std::uint8_t>(value >> 8);
}
void putU32(std::uint8_t* p, std::uint32_t value) {
  putU16(p, value);
  putU16(p + 2, value >> 16);
}

}  // namespace

std::uint64_t bmpRowSize(int width) {
  const std::uint64_t data = 3 * static_cast<std::uint64_t>(width);
  return data + (4 - data % 4) % 4;
}

std::uint64_t bmpFileSize(int width, int height) {
  return kBmpHeaderSize + static_cast<std::uint64_t>(height) * bmpRowSize(width);
}

void encodeBmpHeader(int width, int height, std::uint8_t* header) {
  assert(width > 0 && height > 0 && bmpFileSize(width, height) <= UINT32_MAX);
  header[0] = 'B';
  header[1] = 'M';
  putU32(header + 2, static_cast<std::uint32_t>(bmpFileSize(width, height)));
  putU32(header + 6, 0);  // two reserved words
  putU32(header + 10, kBmpHeaderSize);
  std::uint8_t* info = header + 14;
  putU32(info + 0, 40);
  putU32(info + 4, static_cast<std::uint32_t>(width));
  putU32(info + 8, static_cast<std::uint32_t>(height));  // positive: bottom row first
  putU16(info + 12, 1);                                  // planes
  putU16(info + 14, 24);                                 // bits per pixel
  for (int offset = 16; offset < 40; offset += 4) putU32(info + offset, 0);
}

void encodeBmpRow(const Color* row, int width, std::uint8_t* out) {
  for (int x = 0; x < width; ++x, out += 3) {
    const Color c = row[x];
    out[0] = static_cast<std::uint8_t>(blueOf(c));
    out[1] = static_cast<std::uint8_t>(greenOf(c));
    out[2] = static_cast<std::uint8_t>(redOf(c));
  }
  const std::uint64_t pad = bmpRowSize(width) - 3 * static_cast<std::uint64_t>(width);
  for (std::uint64_t i = 0; i < pad; ++i) out[i] = 0;
}
