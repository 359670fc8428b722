// Saving the rendered picture: a PNG when the target's name ends in ".png" (any case),
// otherwise the 24-bit BMP of DibImage::writeFile. Both are written to a temporary file
// beside the target and renamed into place, so a failed save leaves an existing file as
// it was.

#include "export/ImageSave.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "base/AtomicFile.h"
#include "engine/BusyRefusal.h"
#include "raster/PngEncoder.h"

namespace {

constexpr std::string_view kSaveFailedMessage = "保存に失敗しました。";

bool writePng(const DibImage& image, const std::string& path) {
  const std::vector<std::uint8_t> png = encodePng(image.pixels(), image.width(), image.height());
  if (png.empty()) return false;
  AtomicFileWriter writer;
  if (!writer.open(path)) return false;
  if (writer.write(png.data(), png.size()) && writer.commit()) return true;
  writer.abandon();
  return false;
}

// A name ending in ".png", in any case.
bool isPngName(const std::string& path) {
  constexpr std::string_view kSuffix = ".png";
  if (path.size() < kSuffix.size()) return false;
  return std::equal(
      kSuffix.begin(), kSuffix.end(), path.end() - kSuffix.size(),
      [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
}

}  // namespace

bool savePicture(const DibImage& picture, const std::string& targetPath) {
  return isPngName(targetPath) ? writePng(picture, targetPath) : picture.writeFile(targetPath);
}

bool saveRenderedImage(const TerrainRenderer& renderer, const std::string& targetPath,
                       UserFeedback& feedback) {
  if (refuseWhileDrawing(renderer, feedback)) return false;
  if (!savePicture(renderer.screen(), targetPath)) {
    feedback.showMessage(kSaveFailedMessage);
    return false;
  }
  return true;
}
