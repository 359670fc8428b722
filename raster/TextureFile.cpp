// Texture files: BMP through our own decoder, every other raster through the GDAL reader
// module, loaded the first time it is needed.

#include "raster/TextureFile.h"

#include <dlfcn.h>
#include <unistd.h>

#include <mutex>
#include <new>
#include <vector>

#include "base/FileBytes.h"
#include "base/InstallPaths.h"
#include "base/PathParts.h"
#include "gdal/GdalTexture.h"

namespace {

// The folder of the running program, from the kernel's link to it.
std::string programFolder() {
  std::vector<char> buffer(4096);
  const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
  if (length <= 0 || static_cast<std::size_t>(length) >= buffer.size()) return {};
  return GetDirectoryPart(std::string_view(buffer.data(), static_cast<std::size_t>(length)));
}

// The module's reader, null when the module cannot be loaded (then only BMPs are read).
// The module lies at the same place relative to the program in a build tree and when
// installed; it stays loaded until the program ends.
QnReadGdalTextureFunction gdalReader() {
  static QnReadGdalTextureFunction reader = nullptr;
  static std::once_flag once;
  std::call_once(once, [] {
    const std::string module = programFolder() + "/" + std::string(kModulesFromPrograms) + "/" +
                               std::string(kGdalModuleName);
    if (void* handle = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL))
      reader = reinterpret_cast<QnReadGdalTextureFunction>(dlsym(handle, kQnReadGdalTextureSymbol));
  });
  return reader;
}

// The target the module fills: the image's pixels and a buffer of fine heights.
struct ImageTarget {
  DibImage& image;
  std::vector<float> fineHeights;
};

std::uint32_t* allocatePixels(void* owner, int width, int height) {
  DibImage& image = static_cast<ImageTarget*>(owner)->image;
  return image.create(width, height) ? image.pixels() : nullptr;
}

float* allocateFineHeights(void* owner) {
  ImageTarget& target = *static_cast<ImageTarget*>(owner);
  try {
    target.fineHeights.resize(static_cast<std::size_t>(target.image.width()) *
                              static_cast<std::size_t>(target.image.height()));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  return target.fineHeights.data();
}

bool isBmp(const std::uint8_t* data, std::size_t size) {
  return size >= 2 && data[0] == 'B' && data[1] == 'M';
}

}  // namespace

bool loadTextureFromMemory(const std::uint8_t* data, std::size_t size, const std::string& name,
                           DibImage& image, const TextureReadOptions& options) {
  image.release();
  if (data == nullptr || size == 0) return false;
  if (isBmp(data, size)) return image.loadFromMemory(data, size);
  const QnReadGdalTextureFunction reader = gdalReader();
  if (reader == nullptr) return false;
  ImageTarget owner{image, {}};
  QnTextureTarget target{&owner,
                         allocatePixels,
                         allocateFineHeights,
                         options.maxPixels,
                         options.heightRange ? 1 : 0,
                         options.heightRange ? options.heightRange->low : 0.0,
                         options.heightRange ? options.heightRange->high : 0.0};
  const int read = reader(data, size, name.c_str(), &target);
  if (read == kQnTextureFineHeights) image.setFineHeights(std::move(owner.fineHeights));
  if (read == kQnTextureRefused) image.release();
  return read != kQnTextureRefused;
}

bool loadTextureFile(const std::string& path, DibImage& image, const TextureReadOptions& options) {
  image.release();
  std::vector<std::uint8_t> bytes;
  if (!readFileBytes(path, kMaxBmpFileSize, bytes)) return false;
  return loadTextureFromMemory(bytes.data(), bytes.size(), GetFileNamePart(path), image, options);
}
