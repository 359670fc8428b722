// Fuzz target of the BMP reader: any bytes either load into a picture of the size the
// header promises, with every pixel a proper colour value, or leave the image empty.
// A loaded picture written as a 24-bit BMP reads back pixel for pixel.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "fuzz/FuzzCheck.h"
#include "raster/BmpEncoder.h"
#include "raster/DibImage.h"

namespace {

// Pictures above this many pixels skip the (slow) write-and-read-back check.
constexpr std::uint64_t kRoundTripPixelLimit = std::uint64_t{1} << 22;

std::uint32_t le16(const std::uint8_t* p) { return p[0] | (p[1] << 8); }
std::uint32_t le32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
         (std::uint32_t{p[3]} << 24);
}

// The width and height the info header states (a negative height means top-down rows);
// the old 12-byte core header holds them as 16-bit fields.
void promisedSize(const std::uint8_t* data, std::int64_t& width, std::int64_t& height) {
  const std::uint8_t* info = data + 14;
  if (le32(info) == 12) {
    width = le16(info + 4);
    height = le16(info + 6);
  } else {
    width = static_cast<std::int32_t>(le32(info + 4));
    height = std::llabs(static_cast<std::int32_t>(le32(info + 8)));
  }
}

void checkLoaded(const DibImage& image, const std::uint8_t* data, std::size_t size) {
  FUZZ_CHECK(image.isValid());
  FUZZ_CHECK(size >= 14 + 16);  // a file header and the start of an info header at least
  std::int64_t width = 0;
  std::int64_t height = 0;
  promisedSize(data, width, height);
  FUZZ_CHECK(image.width() == width && image.height() == height);
  int w = -1;
  int h = -1;
  FUZZ_CHECK(image.getSize(&w, &h) && w == width && h == height);
  const std::uint64_t pixelCount = std::uint64_t(w) * std::uint64_t(h);
  FUZZ_CHECK(pixelCount <= kMaxImagePixels);
  const Color* pixels = image.pixels();
  for (std::uint64_t i = 0; i < pixelCount; ++i) FUZZ_CHECK((pixels[i] >> 24) == 0);
}

void checkRoundTrip(const DibImage& image) {
  const std::uint64_t pixelCount = std::uint64_t(image.width()) * std::uint64_t(image.height());
  if (pixelCount > kRoundTripPixelLimit) return;
  const std::vector<std::uint8_t> bytes = image.encodeBmp();
  FUZZ_CHECK(bytes.size() == bmpFileSize(image.width(), image.height()));
  DibImage again;
  FUZZ_CHECK(again.loadFromMemory(bytes.data(), bytes.size()));
  FUZZ_CHECK(again.width() == image.width() && again.height() == image.height());
  for (std::uint64_t i = 0; i < pixelCount; ++i) FUZZ_CHECK(again.pixels()[i] == image.pixels()[i]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  DibImage image;
  image.create(2, 2);  // a failed load must empty an image that held a picture
  if (!image.loadFromMemory(data, size)) {
    FUZZ_CHECK(!image.isValid() && image.width() == 0 && image.height() == 0);
    FUZZ_CHECK(!image.getSize(nullptr, nullptr));
    return 0;
  }
  checkLoaded(image, data, size);
  checkRoundTrip(image);
  return 0;
}
