// The camera window's camera: gestures against the geometry they promise, checked through
// the renderer's own projection where the promise is about the screen; and camera flights
// (frame name patterns, camera path lines, orbits).

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "engine/ViewCamera.h"
#include "settings/CameraControl.h"
#include "settings/CameraFlight.h"
#include "settings/NumberText.h"

namespace {

double rangeOf(const CameraControl& c) {
  const Vec3 &v = c.viewpoint(), &l = c.lookAt();
  return std::hypot(v.x - l.x, v.y - l.y, v.z - l.z);
}

RenderSettings oblique() {
  RenderSettings s;
  s.viewpoint = {300.0, 100.0, 150.0};
  s.lookAt = {128.0, 100.0, 20.0};
  return s;
}

// Where a terrain point lands on the default screen seen with the control's camera.
std::pair<double, double> screenOf(const CameraControl& c, const Vec3& p) {
  double sx, sy, depth;
  ViewCamera::fromSettings(c.applyTo(RenderSettings{})).project(p.x, p.y, p.z, sx, sy, depth);
  return {sx, sy};
}

}  // namespace

TEST(CameraControl, TurnsAboutTheLookAtPointKeepingItsRange) {
  // {degrees, elevation, expected turn, expected elevation}
  const double kMax = CameraControl::kMaxElevationDegrees;
  const double cases[][4] = {{90, 0, 90, 37.08},
                             {180, 0, 180, 37.08},
                             {0, -50, 0, -12.92},  // past the horizon
                             {0, 80, 0, kMax},     // never over the poles
                             {0, -200, 0, -kMax}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c[0] + c[1]);
    CameraControl camera(oblique());
    const double before = rangeOf(camera);
    camera.turn(c[0], c[1]);
    EXPECT_NEAR(rangeOf(camera), before, 0.02);
    const Vec3 &v = camera.viewpoint(), &l = camera.lookAt();
    const double turn = std::atan2(v.y - l.y, v.x - l.x) * 180.0 / ViewCamera::kPi;
    EXPECT_NEAR(std::remainder(turn - c[2], 360.0), 0.0, 0.01);
    EXPECT_NEAR(camera.elevationDegrees(), c[3], 0.01);
    EXPECT_EQ(camera.lookAt(), oblique().lookAt);
  }
  // Straight down the renderer looks along -y; a small tilt keeps that picture's
  // orientation: a point at +x stays on the right.
  CameraControl above{RenderSettings{}};
  above.turn(0.0, -10.0);
  EXPECT_NEAR(above.viewpoint().x, 0.0, 1e-9);
  EXPECT_GT(above.viewpoint().y, 0.0);
  EXPECT_GT(screenOf(above, {50.0, 0.0, 0.0}).first, 160.0);
}

TEST(CameraControl, MovesAndScalesAsTheScreenShows) {
  // Moving right shows the old look-at point left of the centre, moving ahead shows it
  // lower; the look-at point itself stays at the centre. {right, ahead, left?, lower?}
  for (const auto& c : {std::array<double, 4>{20, 0, 1, 0}, std::array<double, 4>{0, 20, 0, 1}}) {
    SCOPED_TRACE(c[0]);
    CameraControl camera(oblique());
    camera.turn(33.0, 0.0);
    const Vec3 old = camera.lookAt();
    const double before = rangeOf(camera);
    camera.move(c[0], c[1]);
    EXPECT_NEAR(rangeOf(camera), before, 0.02);
    EXPECT_DOUBLE_EQ(camera.lookAt().z, old.z);
    const auto [cx, cy] = screenOf(camera, camera.lookAt());
    EXPECT_NEAR(cx, 160.0, 1e-6);
    EXPECT_NEAR(cy, 120.0, 1e-6);
    const auto [ox, oy] = screenOf(camera, old);
    EXPECT_EQ(ox < 159.0, c[2] == 1);
    EXPECT_EQ(oy > 121.0, c[3] == 1);
  }
  CameraControl camera(oblique());
  const double range = rangeOf(camera);
  camera.scaleRange(0.5);
  EXPECT_NEAR(rangeOf(camera), range * 0.5, 0.02);
  camera.scaleRange(1e-9);
  EXPECT_NEAR(rangeOf(camera), CameraControl::kMinRange, 0.02);
  camera.scaleDistance(1.1);
  EXPECT_DOUBLE_EQ(camera.distance(), 264.0);
  camera.scaleDistance(0.0);
  EXPECT_DOUBLE_EQ(camera.distance(), CameraControl::kMinDistance);
  camera.reset();
  RenderSettings reset = oblique();
  reset.viewpoint = RenderSettings{}.viewpoint;
  reset.lookAt = RenderSettings{}.lookAt;
  EXPECT_EQ(camera.applyTo(oblique()), reset);
}

TEST(CameraControl, ItsValuesAreWhatTheDialogShowsAndAccepts) {
  RenderSettings hostile = oblique();
  hostile.distance = -3.0;
  hostile.viewpoint.x = std::nan("");
  CameraControl untouched(oblique()), fixed(hostile), moved(oblique());
  EXPECT_EQ(untouched.applyTo(oblique()), oblique());  // nothing moved, nothing rounded
  EXPECT_EQ(fixed.distance(), RenderSettings{}.distance);
  EXPECT_EQ(fixed.viewpoint(), RenderSettings{}.viewpoint);
  moved.turn(17.3, -4.1);
  moved.move(3.33333, 1.0 / 7.0);
  moved.scaleDistance(1.0 / 3.0);
  for (double value : {moved.viewpoint().x, moved.viewpoint().y, moved.viewpoint().z,
                       moved.lookAt().x, moved.lookAt().y, moved.distance()}) {
    EXPECT_EQ(parseDouble(formatDouble(value)), value);
    EXPECT_EQ(std::round(value * 100.0) / 100.0, value);
  }
  EXPECT_GT(moved.distance(), 0.0);
}

TEST(CameraFlight, FrameNamePatternsAndCameraPathLines) {
  const std::pair<const char*, const char*> frame7[] = {{"f%04d.png", "f0007.png"},
                                                        {"f%d.bmp", "f7.bmp"},
                                                        {"f%3d.bmp", "f  7.bmp"},
                                                        {"100%%/f%02d.png", "100%/f07.png"}};
  for (const auto& [pattern, name] : frame7) {
    EXPECT_TRUE(isFrameNamePattern(pattern)) << pattern;
    EXPECT_EQ(frameFileName(pattern, 7), name);
  }
  for (const char* pattern :
       {"f.png", "f%d%d.png", "f%s.png", "f%x.png", "f%-4d.png", "f%", "f%12345d.png", "%%d"})
    EXPECT_FALSE(isFrameNamePattern(pattern)) << pattern;
  EXPECT_EQ(frameFileName("f%04d.png", 12345), "f12345.png");

  // Blanks or commas between numbers, comments, blank lines; a bad line is named by number.
  const struct {
    const char* text;
    std::size_t frames, badLine;
  } paths[] = {{"# a flight\n1 2 3 4 5 6\n\n  7,8,9 , 10,11,12   # the second\r\n", 2, 0},
               {"1 2 3 4 5 6 700\n", 1, 0},
               {"1 2 3 4 5 6\n1 2 3 4 5\n", 0, 2},
               {"1 2 3 4 5 6 7 8\n", 0, 1},
               {"\n\n1 2 x 4 5 6\n", 0, 3},
               {"1 2 3 4 5 6 0\n", 0, 1},  // a focal distance the dialog refuses
               {"1 2 nan 4 5 6\n", 0, 1},
               {"", 0, 0}};
  for (const auto& c : paths) {
    SCOPED_TRACE(c.text);
    const CameraPath path = parseCameraPath(c.text, RenderSettings{});
    EXPECT_EQ(path.frames.size(), c.frames);
    EXPECT_EQ(path.problem ? path.problem->line : 0, c.badLine);
  }
  const CameraPath path = parseCameraPath("1 2 3 4 5 6 700\n", RenderSettings{});
  ASSERT_EQ(path.frames.size(), 1u);
  const RenderSettings s = withCamera(RenderSettings{}, path.frames[0]);
  EXPECT_EQ(s.viewpoint.x, 1.0);
  EXPECT_EQ(s.lookAt.z, 6.0);
  EXPECT_EQ(s.distance, 700.0);
}

TEST(CameraFlight, AnOrbitKeepsHeightAndDistanceAndStartsAtTheSettingsCamera) {
  RenderSettings settings;
  settings.viewpoint = {350, 410, 170};
  settings.lookAt = {135, 135, 28};
  const std::vector<CameraFrame> frames = orbitFrames(settings, 8);
  ASSERT_EQ(frames.size(), 8u);
  EXPECT_EQ(frames[0].viewpoint.x, 350.0);  // exactly the settings' camera
  EXPECT_EQ(frames[0].viewpoint.y, 410.0);
  for (const CameraFrame& f : frames) {
    EXPECT_EQ(f.viewpoint.z, 170.0);
    EXPECT_NEAR(std::hypot(f.viewpoint.x - 135, f.viewpoint.y - 135), std::hypot(215, 275), 1e-9);
    EXPECT_EQ(f.lookAt.x, 135.0);
  }
  // A quarter turn from x towards y, and half way round the opposite side.
  EXPECT_NEAR(frames[2].viewpoint.x, 135 - 275, 1e-9);
  EXPECT_NEAR(frames[2].viewpoint.y, 135 + 215, 1e-9);
  EXPECT_NEAR(frames[4].viewpoint.x, 135 - 215, 1e-9);
  // A partial turn: 90 degrees in two frames puts the second 45 degrees on.
  const std::vector<CameraFrame> quarter = orbitFrames(settings, 2, 90.0);
  EXPECT_NEAR(
      std::atan2(quarter[1].viewpoint.y - 135, quarter[1].viewpoint.x - 135) - std::atan2(275, 215),
      M_PI / 4, 1e-12);
}
