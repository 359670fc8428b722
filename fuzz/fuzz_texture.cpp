// Fuzz target of the GDAL texture reader: the first byte picks the file's name (some formats
// are recognised by it), the rest are the file. Any bytes either give a picture of at most
// the allowed size with proper colour values, and fine heights only when asked for room,
// or are refused; nothing is read outside the bytes.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/FuzzCheck.h"
#include "gdal/GdalTexture.h"

namespace {

// Small enough that a declared size the reader accepts is quick to fill.
constexpr std::uint64_t kMaxPixels = std::uint64_t{1} << 20;

struct Buffers {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
  std::vector<float> fineHeights;
};

std::uint32_t* allocatePixels(void* owner, int width, int height) {
  Buffers& b = *static_cast<Buffers*>(owner);
  FUZZ_CHECK(b.pixels.empty() && width > 0 && height > 0);
  FUZZ_CHECK(std::uint64_t(width) * std::uint64_t(height) <= kMaxPixels);
  b.width = width;
  b.height = height;
  b.pixels.assign(std::size_t(width) * std::size_t(height), 0xFFFFFFFFu);
  return b.pixels.data();
}

float* allocateFineHeights(void* owner) {
  Buffers& b = *static_cast<Buffers*>(owner);
  FUZZ_CHECK(!b.pixels.empty() && b.fineHeights.empty());
  b.fineHeights.assign(b.pixels.size(), 0.0f);
  return b.fineHeights.data();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  static const char* const kNames[] = {"fuzz.png", "fuzz.tif", "N45E006.hgt", "fuzz.asc",
                                       "fuzz.jpg"};
  const char* name = kNames[data[0] % 5];
  Buffers buffers;
  QnTextureTarget target{&buffers, allocatePixels, allocateFineHeights, kMaxPixels, data[0] >= 128,
                         -10.0,    300.0};
  const int read = readGdalTexture(data + 1, size - 1, name, &target);
  FUZZ_CHECK(read == kQnTextureRefused || read == kQnTexturePixels ||
             read == kQnTextureFineHeights);
  if (read == kQnTextureRefused) return 0;
  FUZZ_CHECK(!buffers.pixels.empty());
  for (const std::uint32_t c : buffers.pixels) FUZZ_CHECK((c >> 24) == 0);  // every pixel set
  if (read == kQnTextureFineHeights) FUZZ_CHECK(!buffers.fineHeights.empty());
  return 0;
}
