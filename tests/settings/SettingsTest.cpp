// Settings as text (the dialog's numbers, the render sequence, fields by name for --set and
// --print-settings), the dialog's OK rules, the camera window's camera and camera flights.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "document/SettingsMessages.h"
#include "engine/ViewCamera.h"
#include "settings/CameraControl.h"
#include "settings/CameraFlight.h"
#include "settings/NumberText.h"
#include "settings/RenderSequence.h"
#include "settings/SettingsFields.h"
#include "settings/SettingsValidation.h"
#include "support/EveryFieldChanged.h"

// Written as "%.15g" shows them (a sixteenth digit goes to the exponent); read back by the
// dialog's rules: a zero starts with the digit 0, a newline is no blank, 31 characters are read.
TEST(NumberText, FormatsFifteenSignificantDigitsAndReadsBackByTheDialogRules) {
  const std::pair<double, const char*> formats[] = {
      {240.0, "240"},       {0.25, "0.25"},  {-0.0, "-0"},
      {-2.5, "-2.5"},       {0.1, "0.1"},    {0.33333333333333331, "0.333333333333333"},
      {1e20, "1e+20"},      {1e-7, "1e-07"}, {123456789012345.0, "123456789012345"},
      {-0.0001, "-0.0001"}, {0.0, "0"},      {1234567890123456.0, "1.23456789012346e+15"}};
  for (const auto& [value, text] : formats) EXPECT_EQ(formatDouble(value), text);

  const std::pair<std::string, std::uint32_t> unsignedOk[] = {
      {"320", 320u}, {" \t 42 \t", 42u},         {"0", 0u}, {"  0 ", 0u}, {"007", 7u},
      {"+5", 5u},    {"4294967295", 4294967295u}};
  for (const auto& [text, value] : unsignedOk) EXPECT_EQ(parseUnsigned(text), value) << text;
  for (const char* text :
       {"+0", "", "   ", "-5", "-0", "12abc", "1e3", "1.5", "1 2", "4294967296", "5\n"})
    EXPECT_EQ(parseUnsigned(text), std::nullopt) << "'" << text << "'";
  EXPECT_EQ(parseUnsigned(std::string(30, ' ') + "12"), 1u);
  EXPECT_EQ(parseUnsigned("5" + std::string(30, ' ') + "x"), 5u);

  const std::pair<std::string, double> doubleOk[] = {
      {"240", 240.0},  {"0.25", 0.25}, {"-2.5", -2.5},    {".5", 0.5},
      {"1e3", 1000.0}, {"+1.5", 1.5},  {"\t 3.5  ", 3.5}, {"0", 0.0},
      {"  0 ", 0.0},   {"0.0", 0.0},   {"0e5", 0.0}};
  for (const auto& [text, value] : doubleOk) EXPECT_EQ(parseDouble(text), value) << text;
  for (const char* text : {".0", "-0", "-0.0", "", "12abc", "1,5", "nan", "inf", "-infinity",
                           "1e400", "1e-400", "0x10"})
    EXPECT_EQ(parseDouble(text), std::nullopt) << "'" << text << "'";
  EXPECT_EQ(parseDouble(std::string(29, ' ') + "1.5"), 1.0);
  EXPECT_EQ(parseDouble(std::string(31, '1') + "x"), 1111111111111111111111111111111.0);
}

// Read like sscanf("%d,%d,...") with its stops ({text, numbers matched, values}); written as
// eight signed decimals with the reserved places 0.
TEST(RenderSequence, ParsesUpToTheFirstMismatchAndFormatsSigned) {
  using Values = std::array<std::uint32_t, 5>;
  const std::tuple<std::string, int, Values> cases[] = {
      {"abc,1,2", 0, {2000, 20, 256, 50, 600}},
      {"1,2,x,4,5", 2, {1, 2, 256, 50, 600}},
      {"1 ,2", 1, {1, 20, 256, 50, 600}},
      {"1, +2, 3", 3, {1, 2, 3, 50, 600}},
      {"-1,20,256,50,600", 5, {4294967295u, 20, 256, 50, 600}},
      {"99999999999999999999,7", 2, {4294967295u, 7, 256, 50, 600}},  // saturated
      {"1,2,3,4,5,7,8,9,10,junk", 8, {1, 2, 3, 4, 5}}};
  for (const auto& [text, matched, values] : cases) {
    SCOPED_TRACE(text);
    RenderSequence s;
    EXPECT_EQ(parseRenderSequence(text, s), matched);
    EXPECT_EQ((Values{s.startDelay, s.drawInterval, s.drawCount, s.processCount, s.stopTime}),
              values);
  }
  EXPECT_EQ(formatRenderSequence(RenderSequence{}), "2000,20,256,50,600,0,0,0");
  EXPECT_EQ(formatRenderSequence({3000000000u, 1, 2, 3, 4}), "-1294967296,1,2,3,4,0,0,0");
}

// --print-settings lists the fifteen fields in order; every field's text, given back as an
// assignment, sets the very value.
TEST(SettingsFields, ListsTheFifteenFieldsInOrderAndRoundTripsEveryField) {
  EXPECT_EQ(formatAllFields(RenderSettings{}),
            "screenWidth=320\nscreenHeight=240\ndistance=240\nnearLimit=2\nviewpoint=0,0,256\n"
            "lookAt=0,0,0\nlightDirection=1,1,1\nlightColor=1,1,1\nambient=0.5\n"
            "sliceEnabled=0\nsliceMin=0\nsliceMax=255\nsubdivisionMode=0\n"
            "emphasisRate=0.25\nwireframe=0\n");
  RenderSettings spaced;
  EXPECT_EQ(parseAssignment(spaced, "lightColor= 0.5 , 1 ,0 "), std::nullopt);
  EXPECT_EQ(formatField(spaced, "lightColor"), "0.5,1,0");
  RenderSettings source = everyFieldChanged();
  source.subdivisionMode = -1;
  RenderSettings target;
  for (const SettingsFieldInfo& field : settingsFields()) {
    const std::string assignment = std::string(field.name) + "=" + formatField(source, field.name);
    EXPECT_EQ(parseAssignment(target, assignment), std::nullopt) << assignment;
  }
  EXPECT_EQ(target, source);
}

// Names are case-sensitive; a bad value is named by the type it should have.
TEST(SettingsFields, RefusesBadNamesAndValuesWithoutChangingAnything) {
  using Kind = FieldProblem::Kind;
  using Type = SettingsFieldType;
  const std::tuple<const char*, Kind, Type> cases[] = {
      {"ScreenWidth=1", Kind::UnknownField, Type::Unsigned},
      {"screenWidth=-5", Kind::BadValue, Type::Unsigned},
      {"distance=abc", Kind::BadValue, Type::Double},
      {"viewpoint=1,2,3,4", Kind::BadValue, Type::Vector},
      {"lookAt=1,,3", Kind::BadValue, Type::Vector},
      {"wireframe=0.5", Kind::BadValue, Type::Integer}};
  for (const auto& [assignment, kind, type] : cases) {
    SCOPED_TRACE(assignment);
    RenderSettings s;
    const FieldProblem problem = parseAssignment(s, assignment).value();
    EXPECT_EQ(std::pair(problem.kind, problem.type), std::pair(kind, type));
    EXPECT_EQ(s, RenderSettings{});
  }
}

TEST(SettingsValidation, PassesEdgeValuesAndReportsTheFirstFailureWithItsMessage) {
  using S = RenderSettings&;
  const std::string_view kUnit = "0 から 1 までの数字を入力してください。";
  const std::string_view kByte = "0 から 255 までの整数を入力してください。";
  const std::string_view kSize = "スクリーンの[サイズ]は0より大きい値を指定してください。";
  const std::string_view kDistance = "スクリーンの[距離]は0より大きい値を指定してください。";
  const std::string_view kSlice = "スライスの[範囲]は左値を右値より小さい値にしてください。";
  // {change, message, field, component, range check} from the last check to the first: each
  // is reported alone, and when added to all the rows above it, on values at the edge of passing.
  const std::tuple<void (*)(S), std::string_view, const char*, int, bool> cases[] = {
      {[](S s) { s.sliceMin = s.sliceMax = 128; }, kSlice, "sliceMin", -1, false},
      {[](S s) { s.lightColor = {}; }, "光源の[RGB]をすべて0にすると何も表示されません。",
       "lightColor", -1, false},
      {[](S s) { s.lightDirection = {}; }, "光源の[方向]は最低ひとつを0以外の値にしてください。",
       "lightDirection", -1, false},
      {[](S s) { s.nearLimit = 0.0; }, "スクリーンの[最小]は0より大きい値を指定してください。",
       "nearLimit", -1, false},
      {[](S s) { s.distance = std::nan(""); }, kDistance, "distance", -1, false},
      {[](S s) { s.screenHeight = 0; }, kSize, "screenHeight", -1, false},
      {[](S s) { s.screenWidth = 0; }, kSize, "screenWidth", -1, false},
      {[](S s) { s.sliceMax = 256; }, kByte, "sliceMax", -1, true},
      {[](S s) { s.sliceMin = 300; }, kByte, "sliceMin", -1, true},
      {[](S s) { s.ambient = 2.0; }, kUnit, "ambient", -1, true},
      {[](S s) { s.lightColor.x = std::nan(""); }, kUnit, "lightColor", 0, true},
      {[](S s) { s.lightColor.y = -0.0001; }, kUnit, "lightColor", 1, true},
      {[](S s) { s.lightColor.z = 1.0001; }, kUnit, "lightColor", 2, true},
  };
  RenderSettings edge{
      .distance = 0.0001, .ambient = 0, .sliceMin = 254, .sliceMax = 255, .emphasisRate = -100};
  edge.lightDirection = {0.0, 0.0, -1.0};
  edge.lightColor = {0.0, 0.0, 1.0};
  EXPECT_EQ(validateSettings(edge), std::nullopt);
  RenderSettings all = edge;
  for (const auto& [change, message, field, component, rangeCheck] : cases) {
    RenderSettings alone = edge;
    change(alone);
    change(all);
    for (const RenderSettings* s : {&alone, &all}) {
      SCOPED_TRACE(std::string(field) + (s == &all ? " after the rows above" : " alone"));
      const SettingsProblem p = validateSettings(*s).value();
      EXPECT_EQ(std::tuple(settingsRuleMessage(p.rule), p.field, p.component, p.rangeCheck),
                std::tuple(message, std::string_view(field), component, rangeCheck));
    }
  }
}

// From an oblique camera (turn 0, elevation 37.08, range 215.6); the look-at point stays at the
// centre of the screen unless moved. Values stay in hundredths: the text shown reads back as them.
TEST(CameraControl, GesturesMoveTheCameraAsTheScreenShows) {
  using C = CameraControl&;
  const RenderSettings oblique{.viewpoint = {300.0, 100.0, 150.0}, .lookAt = {128.0, 100.0, 20.0}};
  // Where a terrain point lands on the default 320x240 screen seen with the control's camera.
  const auto screenOf = [](const CameraControl& c, const Vec3& p) {
    double sx, sy, depth;
    ViewCamera::fromSettings(c.applyTo(RenderSettings{})).project(p.x, p.y, p.z, sx, sy, depth);
    return std::pair(sx, sy);
  };
  const double kMax = CameraControl::kMaxElevationDegrees;
  // {name, gesture, turn, elevation, range, distance, old look-at point's side on the screen}
  const std::tuple<const char*, void (*)(C), double, double, double, double, int, int> cases[] = {
      {"not over the zenith", [](C c) { c.turn(0, 80); }, 0, kMax, 215.6, 240, 0, 0},
      {"nor the nadir", [](C c) { c.turn(0, -200); }, 0, -kMax, 215.6, 240, 0, 0},
      {"right", [](C c) { c.turn(33, 0), c.move(20, 0); }, 33, 37.08, 215.6, 240, -1, 0},
      {"ahead", [](C c) { c.turn(33, 0), c.move(0, 20); }, 33, 37.08, 215.6, 240, 0, 1},
      {"closer", [](C c) { c.scaleRange(0.5); }, 0, 37.08, 107.8, 240, 0, 0},
      {"not too close", [](C c) { c.scaleRange(1e-9); }, 0, 37.08, 1, 240, 0, 0},
      {"focal", [](C c) { c.scaleDistance(1 / 3.3); }, 0, 37.08, 215.6, 72.73, 0, 0},
      {"focal at least 1", [](C c) { c.scaleDistance(0); }, 0, 37.08, 215.6, 1, 0, 0},
  };
  const auto side = [](double at, double centre) { return (at > centre + 1) - (at < centre - 1); };
  for (const auto& [name, gesture, turn, elevation, range, distance, sideX, sideY] : cases) {
    SCOPED_TRACE(name);
    CameraControl camera(oblique);
    gesture(camera);
    const Vec3 &v = camera.viewpoint(), &l = camera.lookAt();
    const double turned = std::atan2(v.y - l.y, v.x - l.x) * 180.0 / ViewCamera::kPi;
    EXPECT_NEAR(std::remainder(turned - turn, 360.0), 0.0, 0.01);
    EXPECT_NEAR(camera.elevationDegrees(), elevation, 0.01);
    EXPECT_NEAR(std::hypot(v.x - l.x, v.y - l.y, v.z - l.z), range, 0.02);
    EXPECT_EQ(camera.distance(), distance);
    const auto [x, y] = screenOf(camera, oblique.lookAt);
    EXPECT_EQ(std::pair(side(x, 160.0), side(y, 120.0)), std::pair(sideX, sideY));
    for (double value : {v.x, v.y, v.z, l.x, l.y, camera.distance()})
      EXPECT_EQ(std::round(value * 100.0) / 100.0, value);
  }
  // Straight down the renderer looks along -y; a small tilt keeps that picture: +x stays right.
  CameraControl above{RenderSettings{}};
  above.turn(0.0, -10.0);
  EXPECT_GT(screenOf(above, {50.0, 0.0, 0.0}).first, 160.0);
  // A camera the dialog would refuse starts at the defaults.
  const RenderSettings hostile{.distance = -3.0, .viewpoint = {std::nan(""), 0, 1}};
  EXPECT_EQ(CameraControl(hostile).applyTo(RenderSettings{}), RenderSettings{});
}

TEST(CameraFlight, FrameNamePatternsAndCameraPathLines) {
  const char* const frame7[][2] = {
      {"f%04d.png", "f0007.png"}, {"f%3d.bmp", "f  7.bmp"}, {"100%%/f%02d.png", "100%/f07.png"}};
  for (const auto& [pattern, name] : frame7) {
    EXPECT_TRUE(isFrameNamePattern(pattern)) << pattern;
    EXPECT_EQ(frameFileName(pattern, 7), name);
  }
  for (const char* pattern :
       {"f.png", "f%d%d.png", "f%s.png", "f%x.png", "f%-4d.png", "f%", "f%12345d.png", "%%d"})
    EXPECT_FALSE(isFrameNamePattern(pattern)) << pattern;
  EXPECT_EQ(frameFileName("f%04d.png", 12345), "f12345.png");

  // {text, frames, bad line}: blanks or commas between numbers, comments, blank lines.
  const std::tuple<const char*, std::size_t, std::size_t> paths[] = {
      {"# a flight\n1 2 3 4 5 6\n\n  7,8,9 , 10,11,12   # the second\r\n", 2, 0},
      {"1 2 3 4 5 6\n1 2 3 4 5\n", 0, 2},
      {"1 2 3 4 5 6 7 8\n", 0, 1},
      {"\n\n1 2 x 4 5 6\n", 0, 3},
      {"1 2 3 4 5 6 0\n", 0, 1},  // a focal distance the dialog refuses
      {"", 0, 0}};
  for (const auto& [text, frames, badLine] : paths) {
    SCOPED_TRACE(text);
    const CameraPath path = parseCameraPath(text, RenderSettings{});
    EXPECT_EQ(path.frames.size(), frames);
    EXPECT_EQ(path.problem ? path.problem->line : 0, badLine);
  }
  const CameraPath path = parseCameraPath("1 2 3 4 5 6 700\n", RenderSettings{});
  EXPECT_EQ(withCamera(RenderSettings{}, path.frames.at(0)),
            (RenderSettings{.distance = 700, .viewpoint = {1, 2, 3}, .lookAt = {4, 5, 6}}));
}

// Frame k of n is k/n of the way round from the settings' camera, which is frame 0.
TEST(CameraFlight, AnOrbitKeepsHeightAndRangeAndStartsAtTheSettingsCamera) {
  const RenderSettings settings{.viewpoint = {350, 410, 170}, .lookAt = {135, 135, 28}};
  const double range = std::hypot(215, 275), start = std::atan2(275, 215);
  const std::vector<CameraFrame> frames = orbitFrames(settings, 8, 270.0);
  ASSERT_EQ(frames.size(), 8u);
  for (std::size_t k = 0; k < frames.size(); ++k) {
    const double angle = start + 270.0 * ViewCamera::kPi / 180.0 * k / 8;
    EXPECT_NEAR(frames[k].viewpoint.x, 135 + range * std::cos(angle), 1e-9) << k;
    EXPECT_NEAR(frames[k].viewpoint.y, 135 + range * std::sin(angle), 1e-9) << k;
    EXPECT_EQ(frames[k].viewpoint.z, 170.0);
    EXPECT_EQ(frames[k].lookAt, settings.lookAt);
  }
}
