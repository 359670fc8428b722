#pragma once
// SettingsValidation: the renderer settings dialog's checks as plain functions, shared by
// the dialog and qn-render. Each returns the exact message of the first failure and the
// setting it concerns. It never shows anything; values read from a document file are not
// checked at all (the document holds them as they are).

#include <cstdint>
#include <optional>
#include <string_view>

#include "settings/RenderSettings.h"

// Messages of a box whose text does not convert (see NumberText.h).
inline constexpr std::string_view kNotANumberMessage = "数字を入力してください。";
inline constexpr std::string_view kNotAPositiveIntegerMessage = "正の整数を入力してください。";
// Messages of the range checks made while the boxes are read.
inline constexpr std::string_view kUnitRangeMessage = "0 から 1 までの数字を入力してください。";
inline constexpr std::string_view kByteRangeMessage = "0 から 255 までの整数を入力してください。";

struct SettingsProblem {
  std::string_view message;  // the exact text to show
  std::string_view field;    // the RenderSettings field name, as in SettingsFields.h
  int component = -1;        // 0, 1, 2 = x, y, z (red, green, blue) of a vector box; -1 otherwise
  bool rangeCheck = false;   // true: a range check while converting (the dialog focuses the
                             // box); false: one of the six OK rules (no focus is moved)
};

// Range checks, in the order the dialog reads its boxes: lightColor blue, green, red
// (each 0 to 1), ambient (0 to 1), sliceMin, sliceMax (each 0 to 255). A NaN is out of range.
bool inUnitRange(double value);
bool inByteRange(std::uint32_t value);
std::optional<SettingsProblem> checkRanges(const RenderSettings& settings);

// The six rules checked on OK, in order: screen size not 0, distance > 0, nearLimit > 0,
// lightDirection not all 0, lightColor not all 0, sliceMin < sliceMax (even with the
// slice off). The first that fails is returned.
std::optional<SettingsProblem> checkOkRules(const RenderSettings& settings);

// Everything the dialog checks, in its order: checkRanges, then checkOkRules.
std::optional<SettingsProblem> validateSettings(const RenderSettings& settings);
