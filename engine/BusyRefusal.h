#pragma once
// BusyRefusal: what a command that must not disturb the model does when it arrives while a
// rendering is drawing: one check, and the refusal's two texts, for the document, the
// exports and the window. Each command decides whether it is one of those.

#include <string_view>

#include "engine/StageProgress.h"

class TerrainRenderer;

// Shown by every command refused while drawing except "start rendering" ("レンダラー").
inline constexpr std::string_view kBusyRefusal =
    "このコマンドは通常レンダリング中は選択できません。\n"
    "システムがレンダラーの処理に追いつかずアプリケーションが不安定な状態になっています。\n"
    "レンダリングシーケンスを調節してみてください。";

// Shown by "start rendering" while drawing; spelled "レンダラ" without the long vowel mark.
inline constexpr std::string_view kStartRenderingBusyRefusal =
    "このコマンドは通常レンダリング中は選択できません。\n"
    "システムがレンダラの処理に追いつかずアプリケーションが不安定な状態になっています。\n"
    "レンダリングシーケンスを調節してみてください。";

enum class RefusedCommand { StartRendering, Other };

// True when renderer is drawing: the refusal of that command has then been shown and the
// command must stop. False, with nothing shown, otherwise.
bool refuseWhileDrawing(const TerrainRenderer& renderer, UserFeedback& feedback,
                        RefusedCommand command = RefusedCommand::Other);
