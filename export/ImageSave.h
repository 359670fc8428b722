#pragma once
// Saving the rendered picture: the engine's screen image as a PNG file when the name ends
// in ".png" (any case), otherwise as a 24-bit BMP file, written atomically. Shows
// "保存に失敗しました。" through the feedback when the write fails.

#include <string>

#include "engine/StageProgress.h"
#include "engine/TerrainRenderer.h"

// Writes the engine's screen image to targetPath. While a rendering is in progress it
// refuses with the busy message and writes nothing; when the write fails it shows
// "保存に失敗しました。". False in both cases, true when the file is in place.
bool saveRenderedImage(const TerrainRenderer& renderer, const std::string& targetPath,
                       UserFeedback& feedback);
// The same for any picture, without a message: false when the file could not be written.
bool savePicture(const DibImage& picture, const std::string& targetPath);
