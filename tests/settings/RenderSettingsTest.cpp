// The defaults of a new document's render settings.

#include <gtest/gtest.h>

#include "settings/RenderSettings.h"

TEST(RenderSettings, DefaultsAreThoseOfANewDocument) {
  const RenderSettings s;
  EXPECT_EQ(s.screenWidth, 320u);
  EXPECT_EQ(s.screenHeight, 240u);
  EXPECT_EQ(s.distance, 240.0);
  EXPECT_EQ(s.nearLimit, 2.0);
  EXPECT_EQ(s.viewpoint, (Vec3{0.0, 0.0, 256.0}));
  EXPECT_EQ(s.lookAt, (Vec3{0.0, 0.0, 0.0}));
  EXPECT_EQ(s.lightDirection, (Vec3{1.0, 1.0, 1.0}));
  EXPECT_EQ(s.lightColor, (Vec3{1.0, 1.0, 1.0}));
  EXPECT_EQ(s.ambient, 0.5);
  EXPECT_EQ(s.sliceEnabled, 0);
  EXPECT_EQ(s.sliceMin, 0u);
  EXPECT_EQ(s.sliceMax, 255u);
  EXPECT_EQ(s.subdivisionMode, 0);
  EXPECT_EQ(s.emphasisRate, 0.25);
  EXPECT_EQ(s.wireframe, 0);
}
