// BMP file layout, as read here:
//   14-byte file header: "BM", file size, two reserved words, offset of the pixel data.
//   Info header, its size in its first 4 bytes: 12 (OS/2 1.x core: 16-bit width and
//   height), 16..64 (OS/2 2.x, possibly cut short), 40 (Windows), 52/56 (with colour and
//   alpha masks), 108 (V4), 124 (V5). Fields beyond the stated size are absent (zero).
//   Colour masks after a 40-byte header for BI_BITFIELDS (3 masks) or BI_ALPHABITFIELDS (4).
//   Palette: 3-byte (core) or 4-byte entries, blue first.
//   Pixel rows padded to 4 bytes, bottom row first unless the height is negative;
//   or an RLE8/RLE4 stream of (count, value) runs and escapes.
// Every offset is checked against the buffer before it is read, sizes are computed in
// 64 bits, and the picture is only allocated once the data is known to describe it.

#include "raster/BmpDecoder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <limits>

#include "raster/DibImage.h"

namespace {

constexpr std::uint32_t kRgb = 0;
constexpr std::uint32_t kRle8 = 1;
constexpr std::uint32_t kRle4 = 2;
constexpr std::uint32_t kBitFields = 3;
constexpr std::uint32_t kAlphaBitFields = 6;

constexpr std::size_t kFileHeaderSize = 14;
// Pixels per metre above this (254,000 dpi) only appear in corrupt headers.
constexpr std::int64_t kMaxDensity = 10'000'000;

std::uint16_t readU16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
std::uint32_t readU32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
         (std::uint32_t{p[3]} << 24);
}
std::int32_t readS32(const std::uint8_t* p) { return static_cast<std::int32_t>(readU32(p)); }

// One colour channel of a bit-field pixel: value = (pixel & mask) >> shift, bits wide.
struct Channel {
  std::uint32_t mask = 0;
  int shift = 0;
  int bits = 0;
};

Channel channelOf(std::uint32_t mask) {
  Channel channel;
  channel.mask = mask;
  if (mask != 0) {
    channel.shift = std::countr_zero(mask);
    channel.bits = std::popcount(mask);
  }
  return channel;
}

// Scales a channel value of `bits` bits to 0..255, rounding to nearest (5-bit 31 and
// 1-bit 1 become 255, 10-bit 100 becomes 25).
std::uint32_t scaleTo8(std::uint32_t value, int bits) {
  if (bits == 8) return value;
  const std::uint64_t maximum = (std::uint64_t{1} << bits) - 1;
  return static_cast<std::uint32_t>((value * std::uint64_t{255} + maximum / 2) / maximum);
}

struct BmpLayout {
  std::int64_t width = 0;
  std::int64_t height = 0;  // positive; topDown says which row comes first
  bool topDown = false;
  int bitsPerPixel = 0;
  std::uint32_t compression = kRgb;
  std::size_t pixelOffset = 0;
  std::array<Channel, 3> channels{};  // red, green, blue for 16/32-bit pictures
  std::array<Color, 256> palette{};
  int paletteCount = 0;
};

bool validMasks(const std::array<std::uint32_t, 3>& masks, int bitsPerPixel) {
  const std::uint64_t pixelMask = (std::uint64_t{1} << bitsPerPixel) - 1;
  std::uint32_t seen = 0;
  for (std::uint32_t mask : masks) {
    if (mask == 0 || (mask & ~pixelMask) != 0 || (mask & seen) != 0) return false;
    const std::uint32_t shifted = mask >> std::countr_zero(mask);
    if ((shifted & (shifted + 1)) != 0) return false;  // not one contiguous run of bits
    seen |= mask;
  }
  return true;
}

BmpStatus readPalette(const std::uint8_t* data, std::size_t size, std::size_t paletteStart,
                      std::uint32_t colorsUsed, bool coreEntries, BmpLayout& layout) {
  const std::size_t entrySize = coreEntries ? 3 : 4;
  const std::uint64_t maximum = std::uint64_t{1} << layout.bitsPerPixel;
  std::uint64_t count = colorsUsed != 0 ? colorsUsed : maximum;
  if (colorsUsed != 0) {
    // A stated palette must lie inside the file, even the entries beyond 2^bits.
    if (paletteStart + count * entrySize > size) return BmpStatus::Truncated;
  } else if (layout.pixelOffset > paletteStart) {
    // An implied palette is as long as the room before the pixels allows.
    count = std::min<std::uint64_t>(count, (layout.pixelOffset - paletteStart) / entrySize);
  }
  count = std::min(count, maximum);
  if (paletteStart + count * entrySize > size) {
    count = (size - paletteStart) / entrySize;
  }
  if (count == 0) return BmpStatus::BadPalette;
  for (std::uint64_t i = 0; i < count; ++i) {
    const std::uint8_t* entry = data + paletteStart + i * entrySize;
    layout.palette[i] = makeColor(entry[2], entry[1], entry[0]);
  }
  layout.paletteCount = static_cast<int>(count);
  return BmpStatus::Ok;
}

BmpStatus parseLayout(const std::uint8_t* data, std::size_t size, BmpLayout& layout) {
  if (size < kFileHeaderSize + 4) return BmpStatus::Truncated;
  if (data[0] != 'B' || data[1] != 'M') return BmpStatus::BadHeader;
  if (readU32(data + 2) > size) return BmpStatus::Truncated;  // the file says it is longer
  layout.pixelOffset = readU32(data + 10);

  const std::uint32_t headerSize = readU32(data + kFileHeaderSize);
  const bool core = headerSize == 12;
  const bool windows = headerSize == 40 || headerSize == 52 || headerSize == 56 ||
                       headerSize == 108 || headerSize == 124;
  const bool os2 = !windows && headerSize >= 16 && headerSize <= 64;
  if (!core && !windows && !os2) return BmpStatus::BadHeader;
  if (kFileHeaderSize + headerSize > size) return BmpStatus::Truncated;
  const std::uint8_t* info = data + kFileHeaderSize;
  // Fields past the header's own size read as zero.
  auto field32 = [&](std::uint32_t offset) -> std::uint32_t {
    return offset + 4 <= headerSize ? readU32(info + offset) : 0;
  };

  int planes = 0;
  std::uint32_t colorsUsed = 0;
  std::uint32_t imageSize = 0;
  if (core) {
    layout.width = readU16(info + 4);
    layout.height = readU16(info + 6);
    planes = readU16(info + 8);
    layout.bitsPerPixel = readU16(info + 10);
  } else {
    layout.width = readS32(info + 4);
    const std::int64_t height = readS32(info + 8);
    layout.topDown = height < 0;
    layout.height = height < 0 ? -height : height;
    planes = readU16(info + 12);
    layout.bitsPerPixel = readU16(info + 14);
    layout.compression = field32(16);
    imageSize = field32(20);
    const std::int64_t densityX = static_cast<std::int32_t>(field32(24));
    const std::int64_t densityY = static_cast<std::int32_t>(field32(28));
    if (densityX < -kMaxDensity || densityX > kMaxDensity || densityY < -kMaxDensity ||
        densityY > kMaxDensity)
      return BmpStatus::BadHeader;
    colorsUsed = field32(32);
  }
  if (planes != 1 || layout.width <= 0 || layout.height <= 0) return BmpStatus::BadHeader;

  const std::uint32_t compression = layout.compression;
  const int bits = layout.bitsPerPixel;
  // OS/2 2.x reuses 3 and 4 for its Huffman and RLE24 codings.
  if (os2 && (compression == 3 || compression == 4)) return BmpStatus::Unsupported;
  switch (compression) {
    case kRgb:
      if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16 && bits != 24 &&
          bits != 32)
        return bits == 64 ? BmpStatus::Unsupported : BmpStatus::BadHeader;
      break;
    case kRle8:
    case kRle4:
      if (bits != (compression == kRle8 ? 8 : 4)) return BmpStatus::BadHeader;
      if (layout.topDown) return BmpStatus::BadHeader;  // RLE pictures are always bottom-up
      break;
    case kBitFields:
    case kAlphaBitFields:
      if (bits != 16 && bits != 32) return BmpStatus::BadHeader;
      break;
    default:
      return BmpStatus::Unsupported;  // JPEG, PNG, CMYK and unknown codings
  }

  std::size_t headerEnd = kFileHeaderSize + headerSize;
  std::array<std::uint32_t, 3> masks{};
  if (bits == 16) masks = {0x7C00u, 0x03E0u, 0x001Fu};
  if (bits == 32) masks = {0xFF0000u, 0xFF00u, 0xFFu};
  if (compression == kBitFields || compression == kAlphaBitFields) {
    if (headerSize >= 52) {
      masks = {readU32(info + 40), readU32(info + 44), readU32(info + 48)};
    } else {
      const std::size_t maskBytes = compression == kAlphaBitFields ? 16 : 12;
      if (headerEnd + maskBytes > size) return BmpStatus::Truncated;
      masks = {readU32(data + headerEnd), readU32(data + headerEnd + 4),
               readU32(data + headerEnd + 8)};
      headerEnd += maskBytes;
    }
  }
  if (bits == 16 || bits == 32) {
    if (!validMasks(masks, bits)) return BmpStatus::BadBitFields;
    for (int c = 0; c < 3; ++c) layout.channels[c] = channelOf(masks[c]);
  }

  if (layout.pixelOffset < headerEnd || layout.pixelOffset > size) return BmpStatus::BadHeader;
  if (imageSize != 0 && layout.pixelOffset + std::uint64_t{imageSize} > size)
    return BmpStatus::Truncated;

  if (bits <= 8) {
    const BmpStatus status = readPalette(data, size, headerEnd, colorsUsed, core, layout);
    if (status != BmpStatus::Ok) return status;
  }

  const std::uint64_t pixels = static_cast<std::uint64_t>(layout.width) * layout.height;
  if (pixels > kMaxImagePixels) return BmpStatus::TooLarge;
  const std::uint64_t available = size - layout.pixelOffset;
  if (compression == kRle8 || compression == kRle4) {
    if (pixels > std::max<std::uint64_t>(available, 1) * kMaxRlePixelsPerByte)
      return BmpStatus::TooLarge;
  } else {
    const std::uint64_t stride = (static_cast<std::uint64_t>(layout.width) * bits + 31) / 32 * 4;
    const std::uint64_t rowBytes = (static_cast<std::uint64_t>(layout.width) * bits + 7) / 8;
    // The last row's padding may be missing.
    if ((layout.height - 1) * stride + rowBytes > available) return BmpStatus::Truncated;
  }
  return BmpStatus::Ok;
}

// Row of the picture (0 = top) that the n-th stored row fills.
std::int64_t pictureRow(const BmpLayout& layout, std::int64_t storedRow) {
  return layout.topDown ? storedRow : layout.height - 1 - storedRow;
}

BmpStatus decodeIndexedRows(const std::uint8_t* data, const BmpLayout& layout, Color* pixels) {
  const int bits = layout.bitsPerPixel;
  const std::uint64_t stride = (static_cast<std::uint64_t>(layout.width) * bits + 31) / 32 * 4;
  const unsigned valueMask = (1u << bits) - 1;
  const int perByte = 8 / bits;
  for (std::int64_t r = 0; r < layout.height; ++r) {
    const std::uint8_t* source = data + layout.pixelOffset + r * stride;
    Color* target = pixels + pictureRow(layout, r) * layout.width;
    for (std::int64_t x = 0; x < layout.width; ++x) {
      // The leftmost pixel sits in the byte's highest bits.
      const int shift = 8 - bits * (1 + static_cast<int>(x % perByte));
      const unsigned index = (source[x / perByte] >> shift) & valueMask;
      if (index >= static_cast<unsigned>(layout.paletteCount)) return BmpStatus::BadPalette;
      target[x] = layout.palette[index];
    }
  }
  return BmpStatus::Ok;
}

void decodeRgb24Rows(const std::uint8_t* data, const BmpLayout& layout, Color* pixels) {
  const std::uint64_t stride = (static_cast<std::uint64_t>(layout.width) * 24 + 31) / 32 * 4;
  for (std::int64_t r = 0; r < layout.height; ++r) {
    const std::uint8_t* source = data + layout.pixelOffset + r * stride;
    Color* target = pixels + pictureRow(layout, r) * layout.width;
    for (std::int64_t x = 0; x < layout.width; ++x, source += 3)
      target[x] = makeColor(source[2], source[1], source[0]);
  }
}

void decodeBitFieldRows(const std::uint8_t* data, const BmpLayout& layout, Color* pixels) {
  const int bytesPerPixel = layout.bitsPerPixel / 8;
  const std::uint64_t stride =
      (static_cast<std::uint64_t>(layout.width) * layout.bitsPerPixel + 31) / 32 * 4;
  const Channel& red = layout.channels[0];
  const Channel& green = layout.channels[1];
  const Channel& blue = layout.channels[2];
  for (std::int64_t r = 0; r < layout.height; ++r) {
    const std::uint8_t* source = data + layout.pixelOffset + r * stride;
    Color* target = pixels + pictureRow(layout, r) * layout.width;
    for (std::int64_t x = 0; x < layout.width; ++x, source += bytesPerPixel) {
      const std::uint32_t value = bytesPerPixel == 2 ? readU16(source) : readU32(source);
      target[x] = makeColor(scaleTo8((value & red.mask) >> red.shift, red.bits),
                            scaleTo8((value & green.mask) >> green.shift, green.bits),
                            scaleTo8((value & blue.mask) >> blue.shift, blue.bits));
    }
  }
}

// RLE8 / RLE4: pairs (count > 0, value) repeat value count times (RLE4 alternates the
// value's two nibbles); (0, 0) ends a line, (0, 1) ends the picture, (0, 2, dx, dy) moves
// right and up, (0, n >= 3) is followed by n literal values padded to a 16-bit boundary.
// The first line is the bottom one. Pixels never written stay black. A run or move that
// leaves the picture, a bad palette index, or data ending before (0, 1) refuses the file.
BmpStatus decodeRle(const std::uint8_t* data, std::size_t size, const BmpLayout& layout,
                    Color* pixels) {
  const bool rle4 = layout.compression == kRle4;
  const std::uint8_t* p = data + layout.pixelOffset;
  const std::uint8_t* const end = data + size;
  std::int64_t x = 0;
  std::int64_t y = 0;  // counted from the bottom
  const unsigned paletteCount = static_cast<unsigned>(layout.paletteCount);

  auto put = [&](unsigned index) {
    if (index >= paletteCount) return false;
    pixels[(layout.height - 1 - y) * layout.width + x] = layout.palette[index];
    ++x;
    return true;
  };

  while (end - p >= 2) {
    const unsigned count = p[0];
    const unsigned value = p[1];
    p += 2;
    if (count > 0) {
      if (y >= layout.height || x + count > layout.width) return BmpStatus::BadCompression;
      for (unsigned i = 0; i < count; ++i) {
        const unsigned index = rle4 ? ((i & 1) ? value & 0x0F : value >> 4) : value;
        if (!put(index)) return BmpStatus::BadPalette;
      }
    } else if (value == 0) {  // end of line
      x = 0;
      if (++y > layout.height) return BmpStatus::BadCompression;
    } else if (value == 1) {  // end of picture
      return BmpStatus::Ok;
    } else if (value == 2) {  // move
      if (end - p < 2) return BmpStatus::BadCompression;
      x += p[0];
      y += p[1];
      p += 2;
      if (x > layout.width || y > layout.height) return BmpStatus::BadCompression;
    } else {  // literal values
      const std::size_t bytes = rle4 ? (value + 1) / 2 : value;
      if (static_cast<std::size_t>(end - p) < bytes) return BmpStatus::BadCompression;
      if (y >= layout.height || x + value > layout.width) return BmpStatus::BadCompression;
      for (unsigned i = 0; i < value; ++i) {
        const unsigned index = rle4 ? ((i & 1) ? p[i / 2] & 0x0F : p[i / 2] >> 4) : p[i];
        if (!put(index)) return BmpStatus::BadPalette;
      }
      const std::size_t padded = bytes + (bytes & 1);
      p += std::min<std::size_t>(padded, static_cast<std::size_t>(end - p));
    }
  }
  return BmpStatus::BadCompression;  // the data ended without an end-of-picture mark
}

}  // namespace

BmpStatus decodeBmp(const std::uint8_t* data, std::size_t size, DibImage& image) {
  image.release();
  if (data == nullptr) size = 0;
  BmpLayout layout;
  BmpStatus status = parseLayout(data, size, layout);
  if (status != BmpStatus::Ok) return status;
  if (!image.create(static_cast<int>(layout.width), static_cast<int>(layout.height)))
    return BmpStatus::TooLarge;

  Color* pixels = image.pixels();
  if (layout.compression == kRle8 || layout.compression == kRle4) {
    status = decodeRle(data, size, layout, pixels);
  } else if (layout.bitsPerPixel <= 8) {
    status = decodeIndexedRows(data, layout, pixels);
  } else if (layout.bitsPerPixel == 24) {
    decodeRgb24Rows(data, layout, pixels);
  } else {
    decodeBitFieldRows(data, layout, pixels);
  }
  if (status != BmpStatus::Ok) image.release();
  return status;
}
