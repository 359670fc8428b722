#pragma once
// Small in-memory textures for the core tests, built from a colour or height function.
// Row 0 is the top row. Nothing here writes files (DibImage::writeFile does that).

#include <cstddef>
#include <cstdint>
#include <functional>

#include "raster/DibImage.h"

// A width x height texture whose pixel (x, y) is colorAt(x, y); invalid when width or
// height is not positive.
inline DibImage makeTexture(int width, int height, const std::function<Color(int, int)>& colorAt) {
  DibImage image;
  if (!image.create(width, height)) return image;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      image.pixels()[std::size_t(y) * std::size_t(width) + std::size_t(x)] = colorAt(x, y);
  return image;
}

// A bump texture whose red channel is heightAt(x, y).
inline DibImage makeBump(int width, int height, const std::function<int(int, int)>& heightAt) {
  return makeTexture(width, height, [&](int x, int y) {
    return makeColor(static_cast<std::uint32_t>(heightAt(x, y)), 0, 0);
  });
}

// Red (the height of a bump texture) rises to the right, green rises downwards.
inline DibImage gradientTexture(int width, int height) {
  return makeTexture(width, height, [&](int x, int y) {
    return makeColor(std::uint32_t(x * 255 / (width > 1 ? width - 1 : 1)),
                     std::uint32_t(y * 255 / (height > 1 ? height - 1 : 1)), 128);
  });
}
