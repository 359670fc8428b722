// DibImage: a flat row-major buffer of colour values with BMP input (BmpDecoder),
// 24-bit BMP output (BmpEncoder, saved through AtomicFileWriter), plain and scaled
// copies. Scaling picks the nearest source pixel: target pixel centre (x + 1/2) maps to
// source column floor((x + 1/2) * sourceWidth / boxWidth), the same for rows.

#include "raster/DibImage.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "base/AtomicFile.h"
#include "base/FileBytes.h"
#include "raster/BmpDecoder.h"
#include "raster/BmpEncoder.h"
#include "raster/DrawSurface.h"

namespace {

// The part of a w x h copy placed at (x, y) that falls inside a target of tw x th.
struct ClipRange {
  std::int64_t begin = 0;
  std::int64_t end = 0;
};

ClipRange clipSpan(std::int64_t position, std::int64_t length, std::int64_t targetLength) {
  return {std::max<std::int64_t>(position, 0), std::min(position + length, targetLength)};
}

}  // namespace

BoxSize stretchBoxSize(int imageWidth, int imageHeight, int boxWidth, int boxHeight) {
  // Products are formed before the truncating division, in 64 bits so that large
  // images cannot overflow; each result is below a 32-bit input, so it fits an int.
  const std::int64_t wi = imageWidth;
  const std::int64_t hi = imageHeight;
  std::int64_t a = boxWidth;
  std::int64_t b = boxHeight;
  if (wi <= 0 || hi <= 0) return {};
  if (a == 0) {
    if (b < hi) {
      a = wi * b / hi;
    } else {
      a = wi;
      b = hi;
    }
  } else if (b == 0) {
    if (a < wi) {
      b = hi * a / wi;
    } else {
      a = wi;
      b = hi;
    }
  } else if (a >= wi && b >= hi) {
    a = wi;
    b = hi;
  } else if (wi > hi) {
    b = hi * a / wi;  // the given width wins
  } else {
    a = wi * b / hi;  // the given height wins
  }
  return {static_cast<int>(a), static_cast<int>(b)};
}

DibImage::DibImage(DibImage&& other) noexcept
    : pixels_(std::move(other.pixels_)),
      fineHeights_(std::move(other.fineHeights_)),
      width_(other.width_),
      height_(other.height_) {
  other.pixels_.clear();
  other.fineHeights_.clear();
  other.width_ = 0;
  other.height_ = 0;
}

DibImage& DibImage::operator=(DibImage&& other) noexcept {
  if (this != &other) {
    pixels_ = std::move(other.pixels_);
    fineHeights_ = std::move(other.fineHeights_);
    width_ = other.width_;
    height_ = other.height_;
    other.pixels_.clear();
    other.fineHeights_.clear();
    other.width_ = 0;
    other.height_ = 0;
  }
  return *this;
}

bool DibImage::create(int width, int height) {
  release();
  if (width <= 0 || height <= 0) return false;
  const std::uint64_t count =
      static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
  if (count > kMaxImagePixels) return false;
  try {
    pixels_.assign(static_cast<std::size_t>(count), Color{0});
  } catch (const std::bad_alloc&) {
    release();
    return false;
  }
  width_ = width;
  height_ = height;
  return true;
}

bool DibImage::load(const std::string& path) {
  release();
  std::vector<std::uint8_t> bytes;
  if (!readFileBytes(path, kMaxBmpFileSize, bytes)) return false;
  return loadFromMemory(bytes.data(), bytes.size());
}

bool DibImage::loadFromMemory(const std::uint8_t* data, std::size_t size) {
  return decodeBmp(data, size, *this) == BmpStatus::Ok;
}

bool DibImage::setFineHeights(std::vector<float> heights) {
  if (heights.size() != pixels_.size() || heights.empty()) {
    std::vector<float>().swap(fineHeights_);
    return false;
  }
  fineHeights_ = std::move(heights);
  return true;
}

bool DibImage::release() {
  std::vector<Color>().swap(pixels_);  // gives the memory back, not just the size
  std::vector<float>().swap(fineHeights_);
  width_ = 0;
  height_ = 0;
  return true;
}

bool DibImage::attachSurface(DrawSurface& surface) {
  return surface.attach(isValid() ? this : nullptr);
}

bool DibImage::detachSurface(DrawSurface& surface) {
  if (surface.image() == this) surface.attach(nullptr);
  return true;
}

bool DibImage::getSize(int* width, int* height) const {
  const bool valid = isValid();
  if (width != nullptr) *width = valid ? width_ : 0;
  if (height != nullptr) *height = valid ? height_ : 0;
  return valid;
}

bool DibImage::draw(DibImage& target, int x, int y) const {
  if (!isValid() || !target.isValid()) return false;
  if (&target == this) {
    // Copying an image onto itself at an offset: read from a snapshot.
    DibImage copy;
    if (!copy.create(width_, height_)) return false;
    std::copy(pixels_.begin(), pixels_.end(), copy.pixels_.begin());
    return copy.draw(target, x, y);
  }
  const ClipRange columns = clipSpan(x, width_, target.width_);
  const ClipRange rows = clipSpan(y, height_, target.height_);
  if (columns.begin >= columns.end) return true;
  for (std::int64_t ty = rows.begin; ty < rows.end; ++ty) {
    const Color* source = pixels_.data() + (ty - y) * width_ + (columns.begin - x);
    Color* destination = target.pixels_.data() + ty * target.width_ + columns.begin;
    std::memcpy(destination, source,
                static_cast<std::size_t>(columns.end - columns.begin) * sizeof(Color));
  }
  return true;
}

bool DibImage::draw(DrawSurface& target, int x, int y) const {
  return target.image() != nullptr && draw(*target.image(), x, y);
}

bool DibImage::stretchDraw(DibImage& target, int x, int y, int boxWidth, int boxHeight) const {
  if (!isValid() || !target.isValid()) return false;
  if ((boxWidth == 0 && boxHeight == 0) || boxWidth < 0 || boxHeight < 0) return false;
  if (&target == this) {
    DibImage copy;
    if (!copy.create(width_, height_)) return false;
    std::copy(pixels_.begin(), pixels_.end(), copy.pixels_.begin());
    return copy.stretchDraw(target, x, y, boxWidth, boxHeight);
  }
  const BoxSize box = stretchBoxSize(width_, height_, boxWidth, boxHeight);
  if (box.width <= 0 || box.height <= 0) return true;  // shrunk to nothing
  const ClipRange columns = clipSpan(x, box.width, target.width_);
  const ClipRange rows = clipSpan(y, box.height, target.height_);
  for (std::int64_t ty = rows.begin; ty < rows.end; ++ty) {
    const std::int64_t sy = (2 * (ty - y) + 1) * height_ / (2 * std::int64_t{box.height});
    const Color* source = pixels_.data() + sy * width_;
    Color* destination = target.pixels_.data() + ty * target.width_;
    for (std::int64_t tx = columns.begin; tx < columns.end; ++tx) {
      const std::int64_t sx = (2 * (tx - x) + 1) * width_ / (2 * std::int64_t{box.width});
      destination[tx] = source[sx];
    }
  }
  return true;
}

bool DibImage::stretchDraw(DrawSurface& target, int x, int y, int boxWidth, int boxHeight) const {
  return target.image() != nullptr && stretchDraw(*target.image(), x, y, boxWidth, boxHeight);
}

std::vector<std::uint8_t> DibImage::encodeBmp() const {
  std::vector<std::uint8_t> bytes;
  if (!isValid()) return bytes;
  const std::uint64_t size = bmpFileSize(width_, height_);
  if (size > UINT32_MAX) return bytes;
  bytes.resize(static_cast<std::size_t>(size));
  encodeBmpHeader(width_, height_, bytes.data());
  const std::size_t rowSize = static_cast<std::size_t>(bmpRowSize(width_));
  std::uint8_t* out = bytes.data() + kBmpHeaderSize;
  for (int y = height_ - 1; y >= 0; --y, out += rowSize)  // bottom row first
    encodeBmpRow(pixels_.data() + static_cast<std::size_t>(y) * width_, width_, out);
  return bytes;
}

bool DibImage::writeFile(const std::string& path) const {
  if (!isValid() || bmpFileSize(width_, height_) > UINT32_MAX) return false;
  std::uint8_t header[kBmpHeaderSize];
  encodeBmpHeader(width_, height_, header);
  std::vector<std::uint8_t> row(static_cast<std::size_t>(bmpRowSize(width_)));
  AtomicFileWriter writer;
  if (!writer.open(path) || !writer.write(header, sizeof header)) return false;
  for (int y = height_ - 1; y >= 0; --y) {  // bottom row first
    encodeBmpRow(pixels_.data() + static_cast<std::size_t>(y) * width_, width_, row.data());
    if (!writer.write(row.data(), row.size())) return false;  // the writer's destructor cleans up
  }
  return writer.commit();
}
