#pragma once
// DibImage: the program's one image type (textures and the rendered screen). Owns a
// width x height buffer of colour values (see Color.h), row 0 at the top. Reads BMP
// files (safe for untrusted bytes) and writes 24-bit bottom-up BMP files atomically.
// It does not draw primitives itself: DrawSurface does that on an attached image.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "raster/Color.h"

class DrawSurface;

// The size a box of boxWidth x boxHeight (0 = not given) gives an image of
// imageWidth x imageHeight: never enlarged beyond its own size when the box allows
// the natural size, shrunk to fit the given dimension otherwise. 64-bit products,
// truncating division. Used by stretchDraw and by the windows that scale images.
struct BoxSize {
  int width = 0;
  int height = 0;
};
BoxSize stretchBoxSize(int imageWidth, int imageHeight, int boxWidth, int boxHeight);

class DibImage {
 public:
  DibImage() = default;
  ~DibImage() = default;
  DibImage(const DibImage&) = delete;
  DibImage& operator=(const DibImage&) = delete;
  DibImage(DibImage&&) noexcept = default;
  DibImage& operator=(DibImage&&) noexcept = default;

  // New image of width x height cleared to black; false (and empty) when a size is
  // not positive or the buffer cannot be allocated.
  bool create(int width, int height);
  // Reads a BMP file. On any failure the image is left empty and false returned;
  // never reads out of bounds, never allocates more than the file can justify.
  bool load(const std::string& path);
  // The same decoder on bytes in memory.
  bool loadFromMemory(const std::uint8_t* data, std::size_t size);
  // Empties the image. Always true.
  bool release();

  bool attachSurface(DrawSurface& surface);
  bool detachSurface(DrawSurface& surface);

  bool isValid() const { return !pixels_.empty(); }
  // Width and height (either pointer may be null); false and 0 x 0 when empty.
  bool getSize(int* width, int* height) const;
  int width() const { return width_; }
  int height() const { return height_; }

  // Copies the whole image to target with its top-left corner at (x, y), clipped to
  // target. False when this image or the target is empty.
  bool draw(DibImage& target, int x, int y) const;
  // Copies the image scaled into the box rules of stretchBoxSize (nearest pixel),
  // clipped to target. False when either image is empty or both box sizes are 0.
  bool stretchDraw(DibImage& target, int x, int y, int boxWidth, int boxHeight) const;

  // The 24-bit BMP file of this image: 54-byte headers, rows bottom-up padded to 4.
  std::vector<std::uint8_t> encodeBmp() const;
  // Writes encodeBmp() to a temporary file beside path and renames it into place.
  // False on any error (empty image, open, write, flush, close, rename); a failed
  // write never destroys an existing file and leaves no temporary file behind.
  bool writeFile(const std::string& path) const;

  // Direct access for hot loops: width() * height() colour values, row-major, top row first.
  Color* pixels() { return pixels_.data(); }
  const Color* pixels() const { return pixels_.data(); }

 private:
  std::vector<Color> pixels_;
  int width_ = 0;
  int height_ = 0;
};
