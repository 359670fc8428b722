// The settings dialog's checks: range checks while reading the boxes, then the six OK rules,
// each failure with its message, and only the first failure in the dialog's order reported.

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "document/SettingsMessages.h"
#include "settings/SettingsValidation.h"

namespace {

using S = RenderSettings&;
const std::string kUnit = "0 から 1 までの数字を入力してください。";
const std::string kByte = "0 から 255 までの整数を入力してください。";
const std::string kSize = "スクリーンの[サイズ]は0より大きい値を指定してください。";
const std::string kDistance = "スクリーンの[距離]は0より大きい値を指定してください。";
const std::string kNear = "スクリーンの[最小]は0より大きい値を指定してください。";
const std::string kDirection = "光源の[方向]は最低ひとつを0以外の値にしてください。";
const std::string kDark = "光源の[RGB]をすべて0にすると何も表示されません。";
const std::string kSlice = "スライスの[範囲]は左値を右値より小さい値にしてください。";

}  // namespace

TEST(SettingsValidation, ReportsTheFirstFailureWithItsMessage) {
  const struct {
    void (*change)(S);
    const std::string& message;
    const char* field;
    int component;
    bool rangeCheck;
  } cases[] = {
      // Each failure alone.
      {[](S s) { s.lightColor.z = 1.5; }, kUnit, "lightColor", 2, true},
      {[](S s) { s.lightColor.y = -0.1; }, kUnit, "lightColor", 1, true},
      {[](S s) { s.lightColor.x = 1.0001; }, kUnit, "lightColor", 0, true},
      {[](S s) { s.lightColor.x = std::nan(""); }, kUnit, "lightColor", 0, true},
      {[](S s) { s.ambient = 2.0; }, kUnit, "ambient", -1, true},
      {[](S s) { s.sliceMin = 256; }, kByte, "sliceMin", -1, true},
      {[](S s) { s.sliceMax = 300; }, kByte, "sliceMax", -1, true},
      {[](S s) { s.screenWidth = 0; }, kSize, "screenWidth", -1, false},
      {[](S s) { s.screenHeight = 0; }, kSize, "screenHeight", -1, false},
      {[](S s) { s.distance = -1.0; }, kDistance, "distance", -1, false},
      {[](S s) { s.distance = 0.0; }, kDistance, "distance", -1, false},
      {[](S s) { s.nearLimit = 0.0; }, kNear, "nearLimit", -1, false},
      {[](S s) { s.lightDirection = {}; }, kDirection, "lightDirection", -1, false},
      {[](S s) { s.lightColor = {}; }, kDark, "lightColor", -1, false},
      {[](S s) { s.sliceMin = s.sliceMax = 128; }, kSlice, "sliceMin", -1, false},  // slice off
      {[](S s) { s.sliceMin = 200, s.sliceMax = 100; }, kSlice, "sliceMin", -1, false},
      // Two failures: the first in the dialog's order.
      {[](S s) {
         s.lightColor = {2.0, 2.0, 2.0};
       },
       kUnit, "lightColor", 2, true},
      {[](S s) {
         s.lightColor = {2.0, 2.0, 1.0};
       },
       kUnit, "lightColor", 1, true},
      {[](S s) { s.lightColor.x = 2.0, s.ambient = 2.0; }, kUnit, "lightColor", 0, true},
      {[](S s) { s.ambient = -1.0, s.sliceMin = 999; }, kUnit, "ambient", -1, true},
      {[](S s) { s.sliceMin = 999, s.sliceMax = 999; }, kByte, "sliceMin", -1, true},
      {[](S s) { s.screenWidth = 0, s.lightColor.z = 1.5; }, kUnit, "lightColor", 2, true},
      {[](S s) { s.screenWidth = s.screenHeight = 0; }, kSize, "screenWidth", -1, false},
      {[](S s) { s.screenHeight = 0, s.distance = 0; }, kSize, "screenHeight", -1, false},
      {[](S s) { s.distance = 0, s.nearLimit = 0; }, kDistance, "distance", -1, false},
      {[](S s) { s.nearLimit = 0, s.lightDirection = {}; }, kNear, "nearLimit", -1, false},
      {[](S s) { s.lightDirection = {}, s.lightColor = {}; }, kDirection, "lightDirection", -1,
       false},
      {[](S s) { s.lightColor = {}, s.sliceMin = s.sliceMax = 5; }, kDark, "lightColor", -1, false},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    const auto& c = cases[i];
    RenderSettings s;
    c.change(s);
    const std::optional<SettingsProblem> problem = validateSettings(s);
    ASSERT_TRUE(problem.has_value());
    EXPECT_EQ(settingsRuleMessage(problem->rule), c.message);
    EXPECT_EQ(problem->field, c.field);
    EXPECT_EQ(problem->component, c.component);
    EXPECT_EQ(problem->rangeCheck, c.rangeCheck);
  }
}

TEST(SettingsValidation, PassesDefaultsAndBoundaryValuesAndRunsTheOkRulesAlone) {
  EXPECT_EQ(validateSettings(RenderSettings{}), std::nullopt);
  RenderSettings s;
  s.lightColor = {0.0, 0.0, 1.0};
  s.ambient = 0.0;
  s.sliceMin = 254;
  s.sliceMax = 255;
  s.distance = 0.0001;
  s.lightDirection = {0.0, 0.0, -1.0};
  s.emphasisRate = -100.0;  // no limit
  EXPECT_EQ(validateSettings(s), std::nullopt);

  RenderSettings r;
  r.lightColor.x = 1.5;  // a range failure, not an OK rule
  EXPECT_EQ(checkOkRules(r), std::nullopt);
  r.sliceMin = 300;
  r.sliceMax = 400;
  EXPECT_EQ(checkOkRules(r), std::nullopt);
  ASSERT_TRUE(checkRanges(r).has_value());
  EXPECT_TRUE(checkRanges(r)->rangeCheck);
  EXPECT_TRUE(inUnitRange(0.0) && inUnitRange(1.0) && !inUnitRange(-0.0001));
  EXPECT_TRUE(inByteRange(255) && !inByteRange(256));
}
