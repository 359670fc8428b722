#pragma once
// The texts the engine shows the user, in one place: stage message lines, cancel messages,
// failures. Only texts; who shows them and when is each stage's business.

#include <string_view>

namespace engine_text {
inline constexpr std::string_view kDividing = "曲面分割をおこなっています。";
inline constexpr std::string_view kAveraging = "色補完をおこなっています。";
inline constexpr std::string_view kTransforming = "頂点移動をおこなっています。";
inline constexpr std::string_view kSorting = "ソートをおこなっています。";
inline constexpr std::string_view kLighting = "光源処理をおこなっています。";
inline constexpr std::string_view kRenderingCancelled = "レンダリングを中止します。";
inline constexpr std::string_view kDxfCancelled = "DXF 出力を中止します。";
inline constexpr std::string_view kDxfCaption = "DXF 形式で保存";
inline constexpr std::string_view kOutOfMemory = "メモリ不足です。";
inline constexpr std::string_view kScreenFailed = "スクリーンの作成に失敗しました。";
}  // namespace engine_text
