#pragma once
// The refusals of a command that arrives while a rendering is drawing, in one place for the
// document, the exports and the window. Only texts; each command decides when to refuse.
// Part of qn_settings, the lowest layer all of them share.

#include <string_view>

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
