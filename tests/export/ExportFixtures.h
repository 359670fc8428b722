#pragma once
// Helpers for the export tests: a scratch folder removed with its contents, whole-file
// reads and writes, and textures built from a height function.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "raster/DibImage.h"

class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "qn_export_XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  std::string file(const std::string& name) const { return (path_ / name).string(); }
  // Everything in the folder, to show that no temporary file was left behind.
  std::vector<std::string> entries() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_))
      names.push_back(entry.path().filename().string());
    return names;
  }

 private:
  std::filesystem::path path_;
};

inline std::string readText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void writeText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// A width x height texture whose pixel (x, y) is colorAt(x, y); row 0 is the top row.
inline DibImage makeTexture(int width, int height, const std::function<Color(int, int)>& colorAt) {
  DibImage image;
  if (!image.create(width, height)) return image;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) image.pixels()[y * width + x] = colorAt(x, y);
  return image;
}

// A bump texture whose red channel is heightAt(x, y).
inline DibImage makeBump(int width, int height, const std::function<int(int, int)>& heightAt) {
  return makeTexture(width, height, [&](int x, int y) {
    const auto h = static_cast<std::uint32_t>(heightAt(x, y));
    return makeColor(h, 0, 0);
  });
}
