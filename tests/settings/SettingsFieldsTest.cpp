// Reading and writing render settings by field name (qn-render's --set and --print-settings).

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "settings/SettingsFields.h"
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
  using Kind = FieldProblem::Kind;
  using Type = SettingsFieldType;
  struct Case {
    const char* name;
    const char* assignment;
    Kind kind;
    const char* field;
    Type type;
  };
  const Case cases[] = {
      {"unknown name", "colour=1", Kind::UnknownField, "colour", Type::Unsigned},
      {"no equals sign", "screenWidth", Kind::NotAnAssignment, "", Type::Unsigned},
      {"negative unsigned", "screenWidth=-5", Kind::BadValue, "screenWidth", Type::Unsigned},
      {"letters", "distance=abc", Kind::BadValue, "distance", Type::Double},
      {"nan", "ambient=nan", Kind::BadValue, "ambient", Type::Double},
      {"two components", "viewpoint=1,2", Kind::BadValue, "viewpoint", Type::Vector},
      {"four components", "viewpoint=1,2,3,4", Kind::BadValue, "viewpoint", Type::Vector},
      {"empty component", "lookAt=1,,3", Kind::BadValue, "lookAt", Type::Vector},
      {"fraction for integer", "wireframe=0.5", Kind::BadValue, "wireframe", Type::Integer},
      {"empty integer", "sliceEnabled=", Kind::BadValue, "sliceEnabled", Type::Integer},
      {"unsigned overflow", "sliceMax=4294967296", Kind::BadValue, "sliceMax", Type::Unsigned},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RenderSettings s;
    const std::optional<FieldProblem> problem = parseAssignment(s, c.assignment);
    ASSERT_TRUE(problem.has_value());
    EXPECT_EQ(problem->kind, c.kind);
    EXPECT_EQ(problem->field, c.field);
    if (c.kind == Kind::BadValue) {
      EXPECT_EQ(problem->type, c.type);
    }
    EXPECT_EQ(s, RenderSettings{});
  }
}
