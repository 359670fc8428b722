// PngEncoder: libpng's simplified interface, which reports failures as return values
// (no longjmp through our frames).

#include "raster/PngEncoder.h"

#include <png.h>

#include <cstring>
#include <new>

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
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGB;
    png_alloc_size_t size = 0;
    if (!png_image_write_get_memory_size(image, size, 0, rgb.data(), 0, nullptr)) return {};
    png.resize(size);
    if (!png_image_write_to_memory(&image, png.data(), &size, 0, rgb.data(), 0, nullptr)) return {};
    png.resize(size);
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
