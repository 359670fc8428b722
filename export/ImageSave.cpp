// Saving the rendered picture: the engine's screen through DibImage::writeFile, which
// writes a 24-bit BMP atomically, so a failed save leaves an existing file as it was.

#include "export/ImageSave.h"

#include <string_view>

#include "engine/BusyRefusal.h"

namespace {

constexpr std::string_view kSaveFailedMessage = "保存に失敗しました。";

}  // namespace

bool saveRenderedImage(const TerrainRenderer& renderer, const std::string& targetPath,
                       UserFeedback& feedback) {
  if (refuseWhileDrawing(renderer, feedback)) return false;
  if (!renderer.screen().writeFile(targetPath)) {
    feedback.showMessage(kSaveFailedMessage);
    return false;
  }
  return true;
}
