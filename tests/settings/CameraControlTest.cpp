// The camera window's camera: gestures against the geometry they promise, checked through
// the renderer's own projection where the promise is about the screen.

#include <gtest/gtest.h>

#include <cmath>

#include "engine/ViewCamera.h"
#include "settings/CameraControl.h"
#include "settings/NumberText.h"

namespace {

double rangeOf(const CameraControl& c) {
  const Vec3 &v = c.viewpoint(), &l = c.lookAt();
  return std::hypot(v.x - l.x, v.y - l.y, v.z - l.z);
}

double turnOf(const CameraControl& c) {
  const Vec3 &v = c.viewpoint(), &l = c.lookAt();
  return std::atan2(v.y - l.y, v.x - l.x) * 180.0 / ViewCamera::kPi;
}

RenderSettings oblique() {
  RenderSettings s;
  s.viewpoint = {300.0, 100.0, 150.0};
  s.lookAt = {128.0, 100.0, 20.0};
  return s;
}

// Where a terrain point lands on the default screen seen with the control's camera.
void screenOf(const CameraControl& c, const Vec3& p, double& sx, double& sy) {
  double depth;
  ViewCamera::fromSettings(c.applyTo(RenderSettings{})).project(p.x, p.y, p.z, sx, sy, depth);
}

}  // namespace

TEST(CameraControl, TurnsAboutTheLookAtPointKeepingItsRange) {
  const struct {
    const char* name;
    double degrees, elevation;
    double expectTurn, expectElevation;
  } cases[] = {
      {"a quarter round", 90.0, 0.0, 90.0, 37.08},
      {"half round", 180.0, 0.0, 180.0, 37.08},
      {"down to the horizon and beyond", 0.0, -50.0, 0.0, -12.92},
      {"never through the zenith", 0.0, 80.0, 0.0, CameraControl::kMaxElevationDegrees},
      {"nor the nadir", 0.0, -200.0, 0.0, -CameraControl::kMaxElevationDegrees},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CameraControl camera(oblique());
    const double before = rangeOf(camera);
    camera.turn(c.degrees, c.elevation);
    EXPECT_NEAR(rangeOf(camera), before, 0.02);
    EXPECT_NEAR(std::remainder(turnOf(camera) - c.expectTurn, 360.0), 0.0, 0.01);
    EXPECT_NEAR(camera.elevationDegrees(), c.expectElevation, 0.01);
    EXPECT_EQ(camera.lookAt(), oblique().lookAt);
  }
}

TEST(CameraControl, TurningFromStraightAboveStartsFromTheRenderersOwnView) {
  // The default camera looks straight down; the renderer then looks along -y. A small
  // tilt must keep that picture's orientation: a point at +x stays on the right.
  CameraControl camera{RenderSettings{}};
  camera.turn(0.0, -10.0);
  EXPECT_NEAR(camera.viewpoint().x, 0.0, 1e-9);
  EXPECT_GT(camera.viewpoint().y, 0.0);
  double sx, sy;
  screenOf(camera, {50.0, 0.0, 0.0}, sx, sy);
  EXPECT_GT(sx, 160.0);
}

TEST(CameraControl, MovesAndScalesAsTheScreenShows) {
  // Moving the camera right makes the old look-at point appear left of the centre, moving
  // it ahead makes it appear lower; the look-at point itself is always at the centre.
  const struct {
    const char* name;
    double right, ahead;
    bool left, lower;
  } cases[] = {{"right", 20.0, 0.0, true, false}, {"ahead", 0.0, 20.0, false, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CameraControl camera(oblique());
    camera.turn(33.0, 0.0);
    const Vec3 old = camera.lookAt();
    const double before = rangeOf(camera);
    camera.move(c.right, c.ahead);
    EXPECT_NEAR(rangeOf(camera), before, 0.02);
    EXPECT_DOUBLE_EQ(camera.lookAt().z, old.z);
    double sx, sy;
    screenOf(camera, camera.lookAt(), sx, sy);
    EXPECT_NEAR(sx, 160.0, 1e-6);
    EXPECT_NEAR(sy, 120.0, 1e-6);
    screenOf(camera, old, sx, sy);
    EXPECT_EQ(sx < 159.0, c.left);
    EXPECT_EQ(sy > 121.0, c.lower);
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
  EXPECT_EQ(camera.applyTo(oblique()), [] {
    RenderSettings s = oblique();
    s.viewpoint = RenderSettings{}.viewpoint;
    s.lookAt = RenderSettings{}.lookAt;
    return s;
  }());
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
    SCOPED_TRACE(value);
    EXPECT_EQ(parseDouble(formatDouble(value)), value);
    EXPECT_EQ(std::round(value * 100.0) / 100.0, value);
  }
  EXPECT_GT(moved.distance(), 0.0);
}
