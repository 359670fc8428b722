// The settings dialog's checks: range checks in the order its data exchange reads the
// boxes (light colour blue first, because the exchange visits the RGB boxes from the
// right), then the six OK rules in their fixed order.

#include "settings/SettingsValidation.h"

namespace {

constexpr std::string_view kScreenSizeMessage =
    "スクリーンの[サイズ]は0より大きい値を指定してください。";
constexpr std::string_view kDistanceMessage =
    "スクリーンの[距離]は0より大きい値を指定してください。";
constexpr std::string_view kNearLimitMessage =
    "スクリーンの[最小]は0より大きい値を指定してください。";
constexpr std::string_view kLightDirectionMessage =
    "光源の[方向]は最低ひとつを0以外の値にしてください。";
constexpr std::string_view kLightColorMessage = "光源の[RGB]をすべて0にすると何も表示されません。";
constexpr std::string_view kSliceRangeMessage =
    "スライスの[範囲]は左値を右値より小さい値にしてください。";

bool allZero(const Vec3& v) { return v.x == 0.0 && v.y == 0.0 && v.z == 0.0; }

SettingsProblem rangeProblem(std::string_view message, std::string_view field, int component) {
  return SettingsProblem{message, field, component, true};
}

SettingsProblem ruleProblem(std::string_view message, std::string_view field) {
  return SettingsProblem{message, field, -1, false};
}

}  // namespace

bool inUnitRange(double value) { return value >= 0.0 && value <= 1.0; }

bool inByteRange(std::uint32_t value) { return value <= 255; }

std::optional<SettingsProblem> checkRanges(const RenderSettings& s) {
  if (!inUnitRange(s.lightColor.z)) return rangeProblem(kUnitRangeMessage, "lightColor", 2);
  if (!inUnitRange(s.lightColor.y)) return rangeProblem(kUnitRangeMessage, "lightColor", 1);
  if (!inUnitRange(s.lightColor.x)) return rangeProblem(kUnitRangeMessage, "lightColor", 0);
  if (!inUnitRange(s.ambient)) return rangeProblem(kUnitRangeMessage, "ambient", -1);
  if (!inByteRange(s.sliceMin)) return rangeProblem(kByteRangeMessage, "sliceMin", -1);
  if (!inByteRange(s.sliceMax)) return rangeProblem(kByteRangeMessage, "sliceMax", -1);
  return std::nullopt;
}

std::optional<SettingsProblem> checkOkRules(const RenderSettings& s) {
  if (s.screenWidth == 0) return ruleProblem(kScreenSizeMessage, "screenWidth");
  if (s.screenHeight == 0) return ruleProblem(kScreenSizeMessage, "screenHeight");
  // Written as "not greater than 0" so that a NaN fails too.
  if (!(s.distance > 0.0)) return ruleProblem(kDistanceMessage, "distance");
  if (!(s.nearLimit > 0.0)) return ruleProblem(kNearLimitMessage, "nearLimit");
  if (allZero(s.lightDirection)) return ruleProblem(kLightDirectionMessage, "lightDirection");
  if (allZero(s.lightColor)) return ruleProblem(kLightColorMessage, "lightColor");
  if (!(s.sliceMin < s.sliceMax)) return ruleProblem(kSliceRangeMessage, "sliceMin");
  return std::nullopt;
}

std::optional<SettingsProblem> validateSettings(const RenderSettings& settings) {
  if (auto problem = checkRanges(settings)) return problem;
  return checkOkRules(settings);
}
