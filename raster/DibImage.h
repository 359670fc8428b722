#pragma once
// DibImage: the program's one image type (textures and the rendered screen). Owns a
// width x height buffer of colour values (see Color.h), row 0 at the top, and for
// high-precision height rasters their heights. Reads BMP
// files (safe for untrusted bytes) and writes 24-bit bottom-up BMP files atomically.
// It does not draw primitives itself: DrawSurface does that on an attached image.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "raster/Color.h"

class DrawSurface;

// Largest image, in pixels (16384 x 16384: 1 GiB of colour values).
inline constexpr std::uint64_t kMaxImagePixels = std::uint64_t{1} << 28;
// Largest BMP file load() reads into memory: the largest picture at 32 bits per pixel
// plus room for headers, palette and trailing colour profiles.
inline constexpr std::uint64_t kMaxBmpFileSize =
    (std::uint64_t{4} << 28) + (std::uint64_t{16} << 20);

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
  // A moved-from image is empty.
  DibImage(DibImage&& other) noexcept;
  DibImage& operator=(DibImage&& other) noexcept;

  // New image of width x height cleared to black; false (and empty) when a size is
  // not positive, the picture exceeds kMaxImagePixels or the buffer
  // cannot be allocated.
  bool create(int width, int height);
  // Reads a BMP file (the whole file at once; files over kMaxBmpFileSize are refused).
  // On any failure the image is left empty and false returned; never reads out of
  // bounds, never allocates more than the file can justify. See BmpDecoder.h for the
  // variants read and decodeBmp for the reason of a refusal.
  bool load(const std::string& path);
  // The same decoder on bytes in memory.
  bool loadFromMemory(const std::uint8_t* data, std::size_t size);
  // Empties the image. Always true.
  bool release();

  // Points surface at this image (at nothing when the image is empty). Always true.
  bool attachSurface(DrawSurface& surface);
  // Detaches surface if it points at this image. Always true.
  bool detachSurface(DrawSurface& surface);

  bool isValid() const { return !pixels_.empty(); }
  // Width and height (either pointer may be null); false and 0 x 0 when empty.
  bool getSize(int* width, int* height) const;
  int width() const { return width_; }
  int height() const { return height_; }

  // Copies the whole image to target with its top-left corner at (x, y), clipped to
  // target. False when this image or the target is empty.
  bool draw(DibImage& target, int x, int y) const;
  bool draw(DrawSurface& target, int x, int y) const;
  // Copies the image scaled into the box rules of stretchBoxSize (nearest pixel: target
  // pixel centres map to source pixels), clipped to target. False when either image is
  // empty, both box sizes are 0 or a box size is negative.
  bool stretchDraw(DibImage& target, int x, int y, int boxWidth, int boxHeight) const;
  bool stretchDraw(DrawSurface& target, int x, int y, int boxWidth, int boxHeight) const;

  // The 24-bit BMP file of this image: 54-byte headers, rows bottom-up padded to 4
  // (see BmpEncoder.h). Empty when the image is empty.
  std::vector<std::uint8_t> encodeBmp() const;
  // Writes encodeBmp() to a temporary file beside path and renames it into place.
  // False on any error (empty image, open, write, flush, close, rename); a failed
  // write never destroys an existing file and leaves no temporary file behind.
  bool writeFile(const std::string& path) const;

  // A raster of high-precision heights also keeps its heights per pixel, row-major, on the
  // 0..255 scale of the red channel, NaN where it has no data; its pixels are then their
  // grey picture. Null for every other image (heights are the red channel).
  const float* fineHeights() const { return fineHeights_.empty() ? nullptr : fineHeights_.data(); }
  // Gives the image its fine heights: false (and none kept) unless there is one per pixel.
  bool setFineHeights(std::vector<float> heights);

  // Direct access for hot loops: width() * height() colour values, row-major, top row first.
  Color* pixels() { return pixels_.data(); }
  const Color* pixels() const { return pixels_.data(); }

 private:
  std::vector<Color> pixels_;
  std::vector<float> fineHeights_;
  int width_ = 0;
  int height_ = 0;
};
