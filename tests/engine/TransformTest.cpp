// The camera, the vertex transform with its visibility rule, and the depth key.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "TerrainFixtures.h"
#include "engine/ViewCamera.h"

using namespace terrain_test;

namespace {
constexpr double kPi = 3.141592653589793;
constexpr double kHalfPi = 1.5707963267948966;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
}  // namespace

TEST(ViewCamera, AzimuthAndElevationFollowTheLineOfSight) {
  struct Case {
    const char* name;
    Vec3 viewpoint, lookAt;
    double azimuth, elevation;
  };
  const Case cases[] = {
      {"default: straight down", {0, 0, 256}, {0, 0, 0}, kPi, kHalfPi},
      {"straight up from below", {0, 0, -5}, {0, 0, 0}, kPi, -kHalfPi},
      {"viewpoint on the look-at point", {1, 2, 3}, {1, 2, 3}, kPi, 0.0},
      {"looking down the rows", {0, 0, 10}, {0, 10, 0}, 0.0, std::atan(1.0)},
      {"looking up the rows", {0, 10, 0}, {0, 0, 0}, kPi, 0.0},
      {"looking along +x", {0, 0, 0}, {5, 0, 0}, kHalfPi, 0.0},
      {"looking along -x", {0, 0, 0}, {-5, 0, 0}, -kHalfPi, 0.0},
      {"oblique, from below the rows",
       {3, 4, 0},
       {0, 0, 5},
       std::atan(0.75) + kPi,
       std::atan(-1.0)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RenderSettings s;
    s.viewpoint = c.viewpoint;
    s.lookAt = c.lookAt;
    const ViewCamera camera = ViewCamera::fromSettings(s);
    EXPECT_DOUBLE_EQ(camera.azimuth, c.azimuth);
    EXPECT_DOUBLE_EQ(camera.elevation, c.elevation);
  }
}

TEST(ViewCamera, DefaultCameraMapsTheGridOntoTheScreenCentre) {
  const ViewCamera camera = ViewCamera::fromSettings(RenderSettings{});
  for (double x : {0.0, 1.0, 17.0, -40.0}) {
    for (double y : {0.0, 3.0, -20.0, 100.0}) {
      double sx, sy, depth;
      ASSERT_TRUE(camera.project(x, y, 0.0, sx, sy, depth));
      EXPECT_NEAR(sx, 160 + 0.9375 * x, 1e-9);
      EXPECT_NEAR(sy, 120 + 0.9375 * y, 1e-9);
      EXPECT_NEAR(depth, 256.0, 1e-9);
    }
  }
}

TEST(ViewCamera, LookAtPointLandsOnTheScreenCentre) {
  RenderSettings s;
  s.viewpoint = {-200, -200, 300};
  s.lookAt = {128, 128, 20};
  const ViewCamera camera = ViewCamera::fromSettings(s);
  double sx, sy, depth;
  ASSERT_TRUE(camera.project(128, 128, 20, sx, sy, depth));
  EXPECT_NEAR(sx, 160.0, 1e-9);
  EXPECT_NEAR(sy, 120.0, 1e-9);
}

TEST(ViewCamera, CornerExactlyAtNearLimitIsKept) {
  RenderSettings s;
  s.nearLimit = 256.0;  // the ground point below the camera is exactly 256 deep
  double sx, sy, depth;
  EXPECT_TRUE(ViewCamera::fromSettings(s).project(0, 0, 0, sx, sy, depth));
  EXPECT_EQ(depth, 256.0);
  s.nearLimit = std::nextafter(256.0, 1000.0);
  EXPECT_FALSE(ViewCamera::fromSettings(s).project(0, 0, 0, sx, sy, depth));
}

TEST(ViewCamera, MarginOfSixtyFourPixelsIsInclusive) {
  struct Case {
    const char* name;
    double x, y;
    bool kept;
  };
  // Distance 256 at depth 256: sx = 160 + x and sy = 120 + y.
  const Case cases[] = {
      {"left edge -64", -224, 0, true},       {"left beyond -64.5", -224.5, 0, false},
      {"right edge Ws+64", 224, 0, true},     {"right beyond", 224.5, 0, false},
      {"top beyond -64.5", 0, -184.5, false}, {"bottom beyond Hs+64.5", 0, 184.5, false},
      {"top inside", 0, -183.5, true},        {"bottom inside", 0, 183.5, true},
  };
  RenderSettings s;
  s.distance = 256.0;
  const ViewCamera camera = ViewCamera::fromSettings(s);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    double sx, sy, depth;
    EXPECT_EQ(camera.project(c.x, c.y, 0, sx, sy, depth), c.kept);
  }
}

TEST(ViewCamera, NonFiniteOrUnrepresentableCornersAreNeverKept) {
  struct Case {
    const char* name;
    void (*change)(RenderSettings&);
    double x, z;
  };
  const Case cases[] = {
      {"NaN distance", [](RenderSettings& s) { s.distance = kNaN; }, 0, 0},
      {"infinite distance", [](RenderSettings& s) { s.distance = kInf; }, 1, 0},
      {"NaN near limit", [](RenderSettings& s) { s.nearLimit = kNaN; }, 0, 0},
      {"near limit 0, corner at the eye", [](RenderSettings& s) { s.nearLimit = 0; }, 0, 256},
      {"NaN viewpoint", [](RenderSettings& s) { s.viewpoint.x = kNaN; }, 0, 0},
      {"infinite height", [](RenderSettings&) {}, 0, -kInf},
      {"NaN height", [](RenderSettings&) {}, 0, kNaN},
      {"screen x beyond int range", [](RenderSettings& s) { s.screenWidth = 4294967295u; }, 1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RenderSettings s;
    c.change(s);
    double sx, sy, depth;
    EXPECT_FALSE(ViewCamera::fromSettings(s).project(c.x, 0, c.z, sx, sy, depth));
  }
}

TEST(TransformVertices, KeyIsTheMeanDepthAndDroppedCornersAreZero) {
  TerrainRenderer r;
  const DibImage image = filledImage(2, 2, 0);
  ASSERT_TRUE(r.buildMesh(MeshPurpose::Rendering, image, image, 2, 2));
  ASSERT_TRUE(r.transformVertices());
  const TerrainPolygon p = r.polygon(0);
  EXPECT_NEAR(p.v[0].z, 256.0, 1e-9);
  EXPECT_NEAR(p.v[1].z, 256.0, 1e-9);
  // Split A, first triangle: P0 = (0, 1) and P1 = (0, 0).
  EXPECT_NEAR(p.v[0].x, 160.0, 1e-9);
  EXPECT_NEAR(p.v[0].y, 120.9375, 1e-9);
  EXPECT_NEAR(p.v[1].y, 120.0, 1e-9);

  // Corner (1, *) pushed off the screen: both triangles of the cell lose their key.
  r.settings.screenWidth = 1;
  r.settings.distance = 1e6;
  ASSERT_TRUE(r.buildMesh(MeshPurpose::Rendering, image, image, 2, 2));
  ASSERT_TRUE(r.transformVertices());
  for (std::uint32_t i = 0; i < 2; ++i) {
    const TerrainPolygon q = r.polygon(i);
    EXPECT_EQ(q.v[0].z, 0.0);
    for (int k = 0; k < 3; ++k) {
      if (q.v[k].z == 0.0 && k > 0) {
        EXPECT_EQ(q.v[k].x, 0.0);
        EXPECT_EQ(q.v[k].y, 0.0);
      }
    }
  }
}

TEST(TransformVertices, KeySumsDepthsInTheOrderTwoOneZero) {
  TerrainRenderer r;
  r.settings.viewpoint = {-3, -7, 11.3};
  r.settings.lookAt = {0.7, 0.9, 0.1};
  r.settings.emphasisRate = 0.037;
  const DibImage bump = cellBump(17, 3, 60, 91);
  const DibImage surface = filledImage(2, 2, 0);
  ASSERT_TRUE(r.buildMesh(MeshPurpose::Rendering, surface, bump, 2, 2));
  const TerrainPolygon before = r.polygon(0);
  ASSERT_TRUE(r.transformVertices());
  const ViewCamera camera = ViewCamera::fromSettings(r.settings);
  double d[3];
  for (int k = 0; k < 3; ++k) {
    double sx, sy;
    ASSERT_TRUE(camera.project(before.v[k].x, before.v[k].y, before.v[k].z, sx, sy, d[k]));
  }
  EXPECT_EQ(r.polygon(0).v[0].z, (d[2] + d[1] + d[0]) * 0.3333333333333333);
  EXPECT_EQ(r.polygon(0).v[1].z, d[1]);
}

TEST(TransformVertices, CornerBehindTheCameraGivesKeyZero) {
  TerrainRenderer r;
  r.settings.emphasisRate = 2.0;  // heights up to 510, above the eye at 256
  r.settings.subdivisionMode = 1;
  const DibImage bump = cellBump(0, 0, 255, 0);  // P2 rises behind the eye
  ASSERT_TRUE(r.buildMesh(MeshPurpose::Rendering, filledImage(2, 2, 0), bump, 2, 2));
  ASSERT_TRUE(r.transformVertices());
  EXPECT_EQ(r.polygon(0).v[0].z, 0.0);
  EXPECT_EQ(r.polygon(1).v[0].z, 0.0);
}

TEST(TransformVertices, NearLimitZeroAtTheEyesDepthKeepsNothing) {
  // Every corner at depth 0: the projection divides by zero and must keep none.
  TerrainRenderer r;
  r.settings.nearLimit = 0.0;
  r.settings.emphasisRate = 1.0;
  r.settings.viewpoint = {0, 0, 255};
  const DibImage bump = filledImage(3, 3, 255);
  ASSERT_TRUE(r.buildMesh(MeshPurpose::Rendering, bump, bump, 3, 3));
  ASSERT_TRUE(r.transformVertices());
  for (std::uint32_t i = 0; i < r.polygonCount(); ++i) EXPECT_EQ(r.polygon(i).v[0].z, 0.0);
}
