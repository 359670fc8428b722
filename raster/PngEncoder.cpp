// PngEncoder: writing through libpng's row interface (to choose a quick filter and
// deflate level), reading through its simplified interface.

#include "raster/PngEncoder.h"

#include <png.h>

#include <cstring>
#include <new>

namespace {

// libpng reports errors by longjmp: everything between the setjmp below and the calls
// that may jump is plain data, and the output callback never lets an exception out.
struct PngOutput {
  std::vector<std::uint8_t>* bytes;
  bool failed;
};

void appendBytes(png_structp png, png_bytep data, png_size_t size) {
  auto* out = static_cast<PngOutput*>(png_get_io_ptr(png));
  try {
    out->bytes->insert(out->bytes->end(), data, data + size);
  } catch (const std::bad_alloc&) {
    out->failed = true;
    png_error(png, "out of memory");
  }
}

void flushNothing(png_structp) {}

// The shape of the rows written.
struct PngRows {
  const std::uint8_t* data;  // row 0 first, rowBytes each
  std::size_t rowBytes;
  int bitDepth;
  int colorType;
};

// Rows of samples as PNG. False when libpng failed.
bool writeRows(const PngRows& rows, int width, int height, PngOutput& out) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, &out, appendBytes, flushNothing);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height),
               rows.bitDepth, rows.colorType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  // One cheap filter and a quick deflate: a rendered picture compresses well enough, and
  // frame after frame of a flight is written in a fraction of the time.
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
  png_set_compression_level(png, 1);
  png_write_info(png, info);
  for (int y = 0; y < height; ++y)
    png_write_row(png, rows.data + static_cast<std::size_t>(y) * rows.rowBytes);
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return !out.failed;
}

}  // namespace

std::vector<std::uint8_t> encodePng(const Color* pixels, int width, int height) {
  std::vector<std::uint8_t> png;
  if (pixels == nullptr || width <= 0 || height <= 0) return png;
  try {
    // Colour values hold red in the low byte: R, G, B in that order per pixel.
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
    for (std::size_t i = 0, n = static_cast<std::size_t>(width) * height; i < n; ++i) {
      rgb[3 * i] = static_cast<std::uint8_t>(redOf(pixels[i]));
      rgb[3 * i + 1] = static_cast<std::uint8_t>(greenOf(pixels[i]));
      rgb[3 * i + 2] = static_cast<std::uint8_t>(blueOf(pixels[i]));
    }
    png.reserve(rgb.size() / 2);
    PngOutput out{&png, false};
    const PngRows rows{rgb.data(), static_cast<std::size_t>(width) * 3, 8, PNG_COLOR_TYPE_RGB};
    if (!writeRows(rows, width, height, out)) return {};
  } catch (const std::bad_alloc&) {
    return {};
  }
  return png;
}

std::vector<std::uint8_t> encodeGreyPng16(const std::uint16_t* samples, int width, int height) {
  std::vector<std::uint8_t> png;
  if (samples == nullptr || width <= 0 || height <= 0) return png;
  try {
    // PNG stores 16-bit samples most significant byte first.
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(width) * height * 2);
    for (std::size_t i = 0, n = static_cast<std::size_t>(width) * height; i < n; ++i) {
      bytes[2 * i] = static_cast<std::uint8_t>(samples[i] >> 8);
      bytes[2 * i + 1] = static_cast<std::uint8_t>(samples[i] & 0xFFu);
    }
    PngOutput out{&png, false};
    const PngRows rows{bytes.data(), static_cast<std::size_t>(width) * 2, 16, PNG_COLOR_TYPE_GRAY};
    if (!writeRows(rows, width, height, out)) return {};
  } catch (const std::bad_alloc&) {
    return {};
  }
  return png;
}

bool decodePng(const std::uint8_t* data, std::size_t size, std::vector<Color>& pixels, int& width,
               int& height) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, data, size)) return false;
  image.format = PNG_FORMAT_RGB;
  try {
    std::vector<std::uint8_t> rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) return false;
    width = static_cast<int>(image.width);
    height = static_cast<int>(image.height);
    pixels.resize(static_cast<std::size_t>(width) * height);
    for (std::size_t i = 0; i < pixels.size(); ++i)
      pixels[i] = makeColor(rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]);
  } catch (const std::bad_alloc&) {
    png_image_free(&image);
    return false;
  }
  return true;
}
