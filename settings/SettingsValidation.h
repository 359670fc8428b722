#pragma once
// SettingsValidation: the renderer settings dialog's checks as plain functions, shared by
// the dialog and qn-render. Each returns the rule that failed first and the setting it
// concerns; the texts that tell the user are the showers' (document/SettingsMessages.h).
// It never shows anything; values read from a document file are not checked at all (the
// document holds them as they are).

#include <cstdint>
#include <optional>
#include <string_view>

#include "settings/RenderSettings.h"

// The checks, each with a message of its own.
enum class SettingsRule {
  UnitRange,       // a light colour factor or the ambient share outside 0..1
  ByteRange,       // a slice bound outside 0..255
  ScreenSize,      // a screen side of 0
  Distance,        // distance not greater than 0
  NearLimit,       // nearLimit not greater than 0
  LightDirection,  // the light direction all 0
  LightColor,      // the light colour all 0
  SliceRange,      // sliceMin not below sliceMax
};

struct SettingsProblem {
  SettingsRule rule;
  std::string_view field;   // the RenderSettings field name, as in SettingsFields.h
  int component = -1;       // 0, 1, 2 = x, y, z (red, green, blue) of a vector box; -1 otherwise
  bool rangeCheck = false;  // true: a range check while converting (the dialog focuses the
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
