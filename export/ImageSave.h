#pragma once
// Saving the rendered picture: the engine's screen image as a 24-bit BMP file, written
// atomically. Shows "保存に失敗しました。" through the feedback when the write fails.

#include <string>

#include "engine/StageProgress.h"
#include "engine/TerrainRenderer.h"

// False (after the message) when the screen could not be written.
bool saveRenderedImage(const TerrainRenderer& renderer, const std::string& targetPath,
                       UserFeedback& feedback);
