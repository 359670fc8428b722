// The settings dialog's checks: range checks in the order its data exchange reads the
// boxes (light colour blue first, because the exchange visits the RGB boxes from the
// right), then the six OK rules in their fixed order.

#include "settings/SettingsValidation.h"

namespace {

using Rule = SettingsRule;

bool allZero(const Vec3& v) { return v.x == 0.0 && v.y == 0.0 && v.z == 0.0; }

SettingsProblem rangeProblem(Rule rule, std::string_view field, int component) {
  return SettingsProblem{rule, field, component, true};
}

SettingsProblem ruleProblem(Rule rule, std::string_view field) {
  return SettingsProblem{rule, field, -1, false};
}

}  // namespace

bool inUnitRange(double value) { return value >= 0.0 && value <= 1.0; }

bool inByteRange(std::uint32_t value) { return value <= 255; }

std::optional<SettingsProblem> checkRanges(const RenderSettings& s) {
  if (!inUnitRange(s.lightColor.z)) return rangeProblem(Rule::UnitRange, "lightColor", 2);
  if (!inUnitRange(s.lightColor.y)) return rangeProblem(Rule::UnitRange, "lightColor", 1);
  if (!inUnitRange(s.lightColor.x)) return rangeProblem(Rule::UnitRange, "lightColor", 0);
  if (!inUnitRange(s.ambient)) return rangeProblem(Rule::UnitRange, "ambient", -1);
  if (!inByteRange(s.sliceMin)) return rangeProblem(Rule::ByteRange, "sliceMin", -1);
  if (!inByteRange(s.sliceMax)) return rangeProblem(Rule::ByteRange, "sliceMax", -1);
  return std::nullopt;
}

std::optional<SettingsProblem> checkOkRules(const RenderSettings& s) {
  if (s.screenWidth == 0) return ruleProblem(Rule::ScreenSize, "screenWidth");
  if (s.screenHeight == 0) return ruleProblem(Rule::ScreenSize, "screenHeight");
  // Written as "not greater than 0" so that a NaN fails too.
  if (!(s.distance > 0.0)) return ruleProblem(Rule::Distance, "distance");
  if (!(s.nearLimit > 0.0)) return ruleProblem(Rule::NearLimit, "nearLimit");
  if (allZero(s.lightDirection)) return ruleProblem(Rule::LightDirection, "lightDirection");
  if (allZero(s.lightColor)) return ruleProblem(Rule::LightColor, "lightColor");
  if (!(s.sliceMin < s.sliceMax)) return ruleProblem(Rule::SliceRange, "sliceMin");
  return std::nullopt;
}

std::optional<SettingsProblem> validateSettings(const RenderSettings& settings) {
  if (auto problem = checkRanges(settings)) return problem;
  return checkOkRules(settings);
}
