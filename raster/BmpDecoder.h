#pragma once
// BMP reader: turns the bytes of a BMP file into a DibImage of colour values. Owns the
// header checks and the pixel decoders (palettes, 16/24/32-bit, bit fields, RLE4/RLE8);
// it never touches files and never reads outside the given bytes.

#include <cstddef>
#include <cstdint>

class DibImage;

// Why a BMP was refused (Ok when it was read).
enum class BmpStatus {
  Ok,
  Truncated,     // the bytes end before the headers, palette or pixel data do
  BadHeader,     // magic, header size, planes, dimensions or densities make no sense
  Unsupported,   // a valid but unsupported variant (JPEG/PNG inside, OS/2 Huffman, RLE24, 64 bits)
  BadPalette,    // a palette image without a palette, or a pixel naming a missing entry
  BadBitFields,  // colour masks that are empty, overlapping, split or wider than a pixel
  BadCompression,  // RLE data that writes outside the picture or never ends
  TooLarge,        // more pixels than memory allows or than the data could describe
};

// An RLE picture may hold at most this many pixels per byte of compressed data: runs
// give at most 255 pixels for 2 bytes, so honest files stay below it, and a tiny
// file can never make the reader allocate a huge picture.
inline constexpr std::uint64_t kMaxRlePixelsPerByte = 256;

// Decodes size bytes (pictures over kMaxImagePixels, DibImage.h, are TooLarge) (safe for untrusted
// bytes: every field is checked before use). On success image holds the picture, row 0 at the top,
// pixels as colour values whatever the stored format (palette entries for indexed pictures);
// skipped RLE pixels are black. On failure image is left empty.
BmpStatus decodeBmp(const std::uint8_t* data, std::size_t size, DibImage& image);
