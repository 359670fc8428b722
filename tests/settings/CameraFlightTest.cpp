// Camera flights as values: frame name patterns, camera path lines, orbits.

#include "settings/CameraFlight.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

TEST(CameraFlight, FrameNamePatternsAndTheirNames) {
  struct Case {
    const char* pattern;
    bool valid;
    const char* frame7;  // the name of frame 7 when valid
  };
  const Case cases[] = {
      {"f%04d.png", true, "f0007.png"},
      {"f%d.bmp", true, "f7.bmp"},
      {"f%3d.bmp", true, "f  7.bmp"},
      {"100%%/f%02d.png", true, "100%/f07.png"},
      {"f.png", false, ""},
      {"f%d%d.png", false, ""},
      {"f%s.png", false, ""},
      {"f%x.png", false, ""},
      {"f%-4d.png", false, ""},
      {"f%", false, ""},
      {"f%12345d.png", false, ""},
      {"%%d", false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pattern);
    EXPECT_EQ(isFrameNamePattern(c.pattern), c.valid);
    if (c.valid) {
      EXPECT_EQ(frameFileName(c.pattern, 7), c.frame7);
    }
  }
  EXPECT_EQ(frameFileName("f%04d.png", 12345), "f12345.png");
}

TEST(CameraFlight, CameraPathLines) {
  const RenderSettings settings;
  struct Case {
    const char* name;
    const char* text;
    std::size_t frames;
    std::size_t badLine;  // 0: accepted
  };
  const Case cases[] = {
      {"blanks, commas, comments and blank lines",
       "# a flight\n1 2 3 4 5 6\n\n  7,8,9 , 10,11,12   # the second\r\n", 2, 0},
      {"with a focal distance", "1 2 3 4 5 6 700\n", 1, 0},
      {"too few numbers", "1 2 3 4 5 6\n1 2 3 4 5\n", 0, 2},
      {"too many numbers", "1 2 3 4 5 6 7 8\n", 0, 1},
      {"not a number", "\n\n1 2 x 4 5 6\n", 0, 3},
      {"a distance the dialog refuses", "1 2 3 4 5 6 0\n", 0, 1},
      {"nan", "1 2 nan 4 5 6\n", 0, 1},
      {"empty file", "", 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const CameraPath path = parseCameraPath(c.text, settings);
    EXPECT_EQ(path.frames.size(), c.frames);
    EXPECT_EQ(path.problem ? path.problem->line : 0, c.badLine);
  }
  const CameraPath path = parseCameraPath("1 2 3 4 5 6 700\n", settings);
  ASSERT_EQ(path.frames.size(), 1u);
  const RenderSettings s = withCamera(settings, path.frames[0]);
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
  const double radius = std::hypot(350 - 135, 410 - 135);
  for (const CameraFrame& f : frames) {
    EXPECT_EQ(f.viewpoint.z, 170.0);
    EXPECT_NEAR(std::hypot(f.viewpoint.x - 135, f.viewpoint.y - 135), radius, 1e-9);
    EXPECT_EQ(f.lookAt.x, 135.0);
  }
  // A quarter turn from x towards y, and half way round the opposite side.
  EXPECT_NEAR(frames[2].viewpoint.x, 135 - (410 - 135), 1e-9);
  EXPECT_NEAR(frames[2].viewpoint.y, 135 + (350 - 135), 1e-9);
  EXPECT_NEAR(frames[4].viewpoint.x, 135 - (350 - 135), 1e-9);
  // A partial turn: 90 degrees in two frames puts the second 45 degrees on.
  const std::vector<CameraFrame> quarter = orbitFrames(settings, 2, 90.0);
  const double turned = std::atan2(quarter[1].viewpoint.y - 135, quarter[1].viewpoint.x - 135) -
                        std::atan2(410 - 135, 350 - 135);
  EXPECT_NEAR(turned, M_PI / 4, 1e-12);
}
