// Reading and writing render settings by field name (qn-render's --set and --print-settings).

#include <gtest/gtest.h>

#include <string>

#include "settings/SettingsFields.h"
#include "support/EveryFieldChanged.h"

TEST(SettingsFields, ListsTheFifteenFieldsInOrderWithTheirText) {
  const RenderSettings s;
  std::string all;
  for (const SettingsFieldInfo& field : settingsFields())
    all += std::string(field.name) + "=" + formatField(s, field.name) + "\n";
  EXPECT_EQ(all,
            "screenWidth=320\nscreenHeight=240\ndistance=240\nnearLimit=2\nviewpoint=0,0,256\n"
            "lookAt=0,0,0\nlightDirection=1,1,1\nlightColor=1,1,1\nambient=0.5\n"
            "sliceEnabled=0\nsliceMin=0\nsliceMax=255\nsubdivisionMode=0\n"
            "emphasisRate=0.25\nwireframe=0\n");
  EXPECT_EQ(formatAllFields(s), all);
  EXPECT_EQ(formatField(s, "noSuchField"), "");
  ASSERT_NE(findSettingsField("viewpoint"), nullptr);
  EXPECT_EQ(findSettingsField("viewpoint")->type, SettingsFieldType::Vector);
  EXPECT_EQ(findSettingsField("ScreenWidth"), nullptr);
}

TEST(SettingsFields, ParsesAssignmentsAndRoundTripsEveryField) {
  const struct {
    const char* assignment;
    const char* field;
    const char* text;  // formatField afterwards
  } cases[] = {{"viewpoint=100,300,200", "viewpoint", "100,300,200"},
               {"lightColor= 0.5 , 1 ,0 ", "lightColor", "0.5,1,0"},
               {"screenWidth=1024", "screenWidth", "1024"},
               {"subdivisionMode=-1", "subdivisionMode", "-1"},
               {"wireframe=1", "wireframe", "1"}};
  for (const auto& c : cases) {
    RenderSettings s;
    EXPECT_EQ(parseAssignment(s, c.assignment), std::nullopt) << c.assignment;
    EXPECT_EQ(formatField(s, c.field), c.text);
  }
  RenderSettings source = everyFieldChanged();
  source.subdivisionMode = -1;
  RenderSettings target;
  for (const SettingsFieldInfo& field : settingsFields())
    EXPECT_EQ(parseField(target, field.name, formatField(source, field.name)), std::nullopt)
        << field.name;
  EXPECT_EQ(target, source);
}

TEST(SettingsFields, RefusesBadNamesAndValuesWithoutChangingAnything) {
  using Kind = FieldProblem::Kind;
  using Type = SettingsFieldType;
  const struct {
    const char* assignment;
    Kind kind;
    const char* field;
    Type type;  // of a bad value
  } cases[] = {
      {"colour=1", Kind::UnknownField, "colour", Type::Unsigned},
      {"screenWidth", Kind::NotAnAssignment, "", Type::Unsigned},
      {"screenWidth=-5", Kind::BadValue, "screenWidth", Type::Unsigned},
      {"distance=abc", Kind::BadValue, "distance", Type::Double},
      {"ambient=nan", Kind::BadValue, "ambient", Type::Double},
      {"viewpoint=1,2", Kind::BadValue, "viewpoint", Type::Vector},
      {"viewpoint=1,2,3,4", Kind::BadValue, "viewpoint", Type::Vector},
      {"lookAt=1,,3", Kind::BadValue, "lookAt", Type::Vector},
      {"wireframe=0.5", Kind::BadValue, "wireframe", Type::Integer},
      {"sliceEnabled=", Kind::BadValue, "sliceEnabled", Type::Integer},
      {"sliceMax=4294967296", Kind::BadValue, "sliceMax", Type::Unsigned},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.assignment);
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
