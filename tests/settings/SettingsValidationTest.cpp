// The settings dialog's checks: range checks while reading the boxes, then the six OK rules.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "document/SettingsMessages.h"
#include "settings/SettingsValidation.h"

namespace {

struct Expected {
  std::string message;
  std::string field;
  int component;
  bool rangeCheck;
};

void expectProblem(const RenderSettings& s, const Expected& e) {
  const std::optional<SettingsProblem> problem = validateSettings(s);
  ASSERT_TRUE(problem.has_value());
  EXPECT_EQ(settingsRuleMessage(problem->rule), e.message);
  EXPECT_EQ(problem->field, e.field);
  EXPECT_EQ(problem->component, e.component);
  EXPECT_EQ(problem->rangeCheck, e.rangeCheck);
}

const std::string kUnit = "0 から 1 までの数字を入力してください。";
const std::string kByte = "0 から 255 までの整数を入力してください。";

}  // namespace

TEST(SettingsValidation, DefaultsPass) {
  EXPECT_EQ(validateSettings(RenderSettings{}), std::nullopt);
}

TEST(SettingsValidation, EachFailureHasItsMessage) {
  struct Case {
    const char* name;
    std::function<void(RenderSettings&)> change;
    Expected expected;
  };
  const Case cases[] = {
      {"light blue above 1",
       [](RenderSettings& s) { s.lightColor.z = 1.5; },
       {kUnit, "lightColor", 2, true}},
      {"light green below 0",
       [](RenderSettings& s) { s.lightColor.y = -0.1; },
       {kUnit, "lightColor", 1, true}},
      {"light red above 1",
       [](RenderSettings& s) { s.lightColor.x = 1.0001; },
       {kUnit, "lightColor", 0, true}},
      {"light red NaN",
       [](RenderSettings& s) { s.lightColor.x = std::nan(""); },
       {kUnit, "lightColor", 0, true}},
      {"ambient above 1", [](RenderSettings& s) { s.ambient = 2.0; }, {kUnit, "ambient", -1, true}},
      {"sliceMin above 255",
       [](RenderSettings& s) { s.sliceMin = 256; },
       {kByte, "sliceMin", -1, true}},
      {"sliceMax above 255",
       [](RenderSettings& s) { s.sliceMax = 300; },
       {kByte, "sliceMax", -1, true}},
      {"screen width 0",
       [](RenderSettings& s) { s.screenWidth = 0; },
       {"スクリーンの[サイズ]は0より大きい値を指定してください。", "screenWidth", -1, false}},
      {"screen height 0",
       [](RenderSettings& s) { s.screenHeight = 0; },
       {"スクリーンの[サイズ]は0より大きい値を指定してください。", "screenHeight", -1, false}},
      {"distance -1",
       [](RenderSettings& s) { s.distance = -1.0; },
       {"スクリーンの[距離]は0より大きい値を指定してください。", "distance", -1, false}},
      {"distance 0",
       [](RenderSettings& s) { s.distance = 0.0; },
       {"スクリーンの[距離]は0より大きい値を指定してください。", "distance", -1, false}},
      {"nearLimit 0",
       [](RenderSettings& s) { s.nearLimit = 0.0; },
       {"スクリーンの[最小]は0より大きい値を指定してください。", "nearLimit", -1, false}},
      {"light direction all 0",
       [](RenderSettings& s) { s.lightDirection = {}; },
       {"光源の[方向]は最低ひとつを0以外の値にしてください。", "lightDirection", -1, false}},
      {"light colour all 0",
       [](RenderSettings& s) { s.lightColor = {}; },
       {"光源の[RGB]をすべて0にすると何も表示されません。", "lightColor", -1, false}},
      {"slice min equals max with slice off",
       [](RenderSettings& s) { s.sliceMin = s.sliceMax = 128; },
       {"スライスの[範囲]は左値を右値より小さい値にしてください。", "sliceMin", -1, false}},
      {"slice min above max",
       [](RenderSettings& s) { s.sliceMin = 200, s.sliceMax = 100; },
       {"スライスの[範囲]は左値を右値より小さい値にしてください。", "sliceMin", -1, false}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RenderSettings s;
    c.change(s);
    expectProblem(s, c.expected);
  }
}

TEST(SettingsValidation, BoundaryValuesPass) {
  RenderSettings s;
  s.lightColor = {0.0, 0.0, 1.0};
  s.ambient = 0.0;
  s.sliceMin = 254;
  s.sliceMax = 255;
  s.distance = 0.0001;
  s.lightDirection = {0.0, 0.0, -1.0};
  s.emphasisRate = -100.0;  // no limit
  EXPECT_EQ(validateSettings(s), std::nullopt);
}

TEST(SettingsValidation, ReportsOnlyTheFirstFailureInTheDialogsOrder) {
  struct Case {
    const char* name;
    std::function<void(RenderSettings&)> change;
    const char* expectedField;
    int expectedComponent;
  };
  const Case cases[] = {
      {"blue before green before red",
       [](RenderSettings& s) {
         s.lightColor = {2.0, 2.0, 2.0};
       },
       "lightColor", 2},
      {"green before red",
       [](RenderSettings& s) {
         s.lightColor = {2.0, 2.0, 1.0};
       },
       "lightColor", 1},
      {"light colour before ambient",
       [](RenderSettings& s) { s.lightColor.x = 2.0, s.ambient = 2.0; }, "lightColor", 0},
      {"ambient before slice range", [](RenderSettings& s) { s.ambient = -1.0, s.sliceMin = 999; },
       "ambient", -1},
      {"sliceMin before sliceMax", [](RenderSettings& s) { s.sliceMin = 999, s.sliceMax = 999; },
       "sliceMin", -1},
      {"range check before rule 1",
       [](RenderSettings& s) { s.screenWidth = 0, s.lightColor.z = 1.5; }, "lightColor", 2},
      {"width before height", [](RenderSettings& s) { s.screenWidth = s.screenHeight = 0; },
       "screenWidth", -1},
      {"size before distance", [](RenderSettings& s) { s.screenHeight = 0, s.distance = 0; },
       "screenHeight", -1},
      {"distance before nearLimit", [](RenderSettings& s) { s.distance = 0, s.nearLimit = 0; },
       "distance", -1},
      {"nearLimit before direction",
       [](RenderSettings& s) { s.nearLimit = 0, s.lightDirection = {}; }, "nearLimit", -1},
      {"direction before colour",
       [](RenderSettings& s) { s.lightDirection = {}, s.lightColor = {}; }, "lightDirection", -1},
      {"colour before slice",
       [](RenderSettings& s) { s.lightColor = {}, s.sliceMin = s.sliceMax = 5; }, "lightColor", -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RenderSettings s;
    c.change(s);
    const std::optional<SettingsProblem> problem = validateSettings(s);
    ASSERT_TRUE(problem.has_value());
    EXPECT_EQ(problem->field, c.expectedField);
    EXPECT_EQ(problem->component, c.expectedComponent);
  }
}

TEST(SettingsValidation, OkRulesRunAloneWithoutRangeChecks) {
  RenderSettings s;
  s.lightColor.x = 1.5;  // a range failure, not an OK rule
  EXPECT_EQ(checkOkRules(s), std::nullopt);
  s.sliceMin = 300;
  s.sliceMax = 400;
  EXPECT_EQ(checkOkRules(s), std::nullopt);
  ASSERT_TRUE(checkRanges(s).has_value());
  EXPECT_TRUE(checkRanges(s)->rangeCheck);
  EXPECT_TRUE(inUnitRange(0.0) && inUnitRange(1.0) && !inUnitRange(-0.0001));
  EXPECT_TRUE(inByteRange(255) && !inByteRange(256));
}
