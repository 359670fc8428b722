// Reading and writing render settings by field name (qn-render's --set and --print-settings).

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "document/SettingsFields.h"
#include "support/EveryFieldChanged.h"

TEST(SettingsFields, ListsTheFifteenFieldsOnce) {
  std::set<std::string> names;
  for (const SettingsFieldInfo& field : settingsFields()) names.insert(std::string(field.name));
  EXPECT_EQ(settingsFields().size(), 15u);
  EXPECT_EQ(names.size(), 15u);
  EXPECT_EQ(settingsFields().front().name, "screenWidth");
  EXPECT_EQ(settingsFields().back().name, "wireframe");
  ASSERT_NE(findSettingsField("viewpoint"), nullptr);
  EXPECT_EQ(findSettingsField("viewpoint")->type, SettingsFieldType::Vector);
  EXPECT_EQ(findSettingsField("ScreenWidth"), nullptr);
}

TEST(SettingsFields, FormatsDefaults) {
  const RenderSettings s;
  EXPECT_EQ(formatField(s, "screenWidth"), "320");
  EXPECT_EQ(formatField(s, "distance"), "240");
  EXPECT_EQ(formatField(s, "viewpoint"), "0,0,256");
  EXPECT_EQ(formatField(s, "ambient"), "0.5");
  EXPECT_EQ(formatField(s, "emphasisRate"), "0.25");
  EXPECT_EQ(formatField(s, "wireframe"), "0");
  EXPECT_EQ(formatField(s, "noSuchField"), "");
  EXPECT_EQ(formatAllFields(s),
            "screenWidth=320\nscreenHeight=240\ndistance=240\nnearLimit=2\nviewpoint=0,0,256\n"
            "lookAt=0,0,0\nlightDirection=1,1,1\nlightColor=1,1,1\nambient=0.5\n"
            "sliceEnabled=0\nsliceMin=0\nsliceMax=255\nsubdivisionMode=0\n"
            "emphasisRate=0.25\nwireframe=0\n");
}

TEST(SettingsFields, EveryFieldRoundTripsThroughItsText) {
  RenderSettings source = everyFieldChanged();
  source.subdivisionMode = -1;  // a negative whole number comes back too
  RenderSettings target;
  for (const SettingsFieldInfo& field : settingsFields()) {
    SCOPED_TRACE(std::string(field.name));
    EXPECT_EQ(parseField(target, field.name, formatField(source, field.name)), std::nullopt);
  }
  EXPECT_EQ(target, source);
}

TEST(SettingsFields, ParsesAssignments) {
  RenderSettings s;
  EXPECT_EQ(parseAssignment(s, "viewpoint=100,300,200"), std::nullopt);
  EXPECT_EQ(s.viewpoint, (Vec3{100.0, 300.0, 200.0}));
  EXPECT_EQ(parseAssignment(s, "lightColor= 0.5 , 1 ,0 "), std::nullopt);
  EXPECT_EQ(s.lightColor, (Vec3{0.5, 1.0, 0.0}));
  EXPECT_EQ(parseAssignment(s, "screenWidth=1024"), std::nullopt);
  EXPECT_EQ(s.screenWidth, 1024u);
  EXPECT_EQ(parseAssignment(s, "subdivisionMode=-1"), std::nullopt);
  EXPECT_EQ(s.subdivisionMode, -1);
  EXPECT_EQ(parseAssignment(s, "wireframe=1"), std::nullopt);
  EXPECT_EQ(s.wireframe, 1);
}

TEST(SettingsFields, RefusesBadNamesAndValuesWithoutChangingAnything) {
  struct Case {
    const char* name;
    const char* assignment;
    const char* expectedStart;
  };
  const Case cases[] = {
      {"unknown name", "colour=1", "unknown setting 'colour' (known: screenWidth, "},
      {"no equals sign", "screenWidth", "'screenWidth' is not of the form FIELD=VALUE"},
      {"negative unsigned", "screenWidth=-5", "screenWidth: '-5' is not an unsigned integer"},
      {"letters", "distance=abc", "distance: 'abc' is not a number"},
      {"nan", "ambient=nan", "ambient: 'nan' is not a number"},
      {"two components", "viewpoint=1,2", "viewpoint: '1,2' is not three numbers"},
      {"four components", "viewpoint=1,2,3,4", "viewpoint: '1,2,3,4' is not three numbers"},
      {"empty component", "lookAt=1,,3", "lookAt: '1,,3' is not three numbers"},
      {"fraction for integer", "wireframe=0.5", "wireframe: '0.5' is not an integer"},
      {"empty integer", "sliceEnabled=", "sliceEnabled: '' is not an integer"},
      {"unsigned overflow", "sliceMax=4294967296", "sliceMax: '4294967296' is not an unsigned"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RenderSettings s;
    const std::optional<std::string> error = parseAssignment(s, c.assignment);
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->rfind(c.expectedStart, 0), 0u) << *error;
    EXPECT_EQ(s, RenderSettings{});
  }
}
