// Lighting: brightness from the angle to the light, truncation, wrap-around, and the
// drawable head of the array only.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "TerrainFixtures.h"
#include "support/RecordingFeedback.h"

using namespace terrain_test;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// Lit colour of the first triangle of a level 2 x 2 terrain of one colour.
Color litLevelColour(const RenderSettings& settings, Color surfaceColour) {
  TerrainRenderer r;
  r.settings = settings;
  const DibImage surface = filledImage(2, 2, surfaceColour);
  const DibImage bump = filledImage(2, 2, 0);
  EXPECT_TRUE(runStages(r, surface, bump));
  return r.polygon(0).v[0].color;
}

}  // namespace

TEST(ApplyLighting, ChannelsScaleByBrightnessAndLightColour) {
  struct Case {
    const char* name;
    void (*change)(RenderSettings&);
    Color surface, expected;
  };
  const Case cases[] = {
      {"defaults: 255 -> 201, 100 -> 78", [](RenderSettings&) {}, makeColor(255, 100, 0),
       makeColor(201, 78, 0)},
      {"ambient 1.0 ignores the light colour",
       [](RenderSettings& s) {
         s.ambient = 1.0;
         s.lightColor = {0.5, 0.5, 0.5};
       },
       makeColor(255, 100, 7), makeColor(255, 100, 7)},
      {"ambient 0.999 with colour 0.5 halves",
       [](RenderSettings& s) {
         s.ambient = 0.999;
         s.lightColor = {0.5, 0.5, 0.5};
       },
       makeColor(255, 100, 0), makeColor(127, 49, 0)},
      {"ambient 0 facing away is black",
       [](RenderSettings& s) {
         s.ambient = 0.0;
         s.lightDirection = {0, 0, -1};
       },
       0xFFFFFF, 0x000000},
      {"light straight above, ambient 0: full colour",
       [](RenderSettings& s) {
         s.ambient = 0.0;
         s.lightDirection = {0, 0, 5};
       },
       makeColor(255, 100, 3), makeColor(255, 100, 3)},
      {"zero light direction gives brightness = ambient",
       [](RenderSettings& s) {
         s.lightDirection = {0, 0, 0};
       },
       makeColor(255, 100, 0), makeColor(127, 50, 0)},
      {"factors per channel",
       [](RenderSettings& s) {
         s.ambient = 0.0;
         s.lightDirection = {0, 0, 1};
         s.lightColor = {1.0, 0.5, 0.25};
       },
       0xFFFFFF, makeColor(255, 127, 63)},
      {"factor 2 wraps around modulo 256",
       [](RenderSettings& s) {
         s.ambient = 0.0;
         s.lightDirection = {0, 0, 1};
         s.lightColor = {2.0, 2.0, 2.0};
       },
       makeColor(255, 100, 0), makeColor(254, 200, 0)},
      {"negative factor wraps from below",
       [](RenderSettings& s) {
         s.ambient = 0.0;
         s.lightDirection = {0, 0, 1};
         s.lightColor = {-1.0, 1.0, 1.0};
       },
       makeColor(1, 0, 0), makeColor(255, 0, 0)},
      {"non-finite and huge products become 0",
       [](RenderSettings& s) {
         s.lightColor = {kNaN, kInf, 1e300};
       },
       0xFFFFFF, 0x000000},
      {"NaN ambient becomes 0", [](RenderSettings& s) { s.ambient = kNaN; }, 0xFFFFFF, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RenderSettings s;
    c.change(s);
    EXPECT_EQ(litLevelColour(s, c.surface), c.expected);
  }
}

TEST(ApplyLighting, AmbientOneShowsNoWindow) {
  RecordingFeedback feedback;
  TerrainRenderer r;
  r.setFeedback(&feedback);
  r.settings.ambient = 1.0;
  const DibImage image = filledImage(2, 2, 0);
  ASSERT_TRUE(r.buildMesh(MeshPurpose::Rendering, image, image, 2, 2));
  feedback.windows.clear();
  EXPECT_TRUE(r.applyLighting());
  EXPECT_TRUE(feedback.windows.empty());
}

TEST(ApplyLighting, StopsAtTheFirstKeyThatIsNotPositive) {
  // Unsorted model straight from the transform: keys 0 and positive interleaved.
  RecordingFeedback feedback;
  TerrainRenderer r;
  r.setFeedback(&feedback);
  r.settings.emphasisRate = 1.0;  // column 0 rises to depth 1, nearer than nearLimit 2
  const DibImage surface = filledImage(3, 2, 0xFFFFFF);
  const DibImage bump = makeTexture(3, 2, [](int x, int) { return Color(x == 0 ? 255 : 0); });
  ASSERT_TRUE(r.buildMesh(MeshPurpose::Rendering, surface, bump, 3, 2));
  ASSERT_TRUE(r.averageColors());
  ASSERT_TRUE(r.transformVertices());
  ASSERT_EQ(r.polygon(0).v[0].z, 0.0);
  ASSERT_GT(r.polygon(3).v[0].z, 0.0);
  feedback.windows.clear();
  ASSERT_TRUE(r.applyLighting());
  for (std::uint32_t i = 0; i < r.polygonCount(); ++i)
    EXPECT_EQ(r.polygon(i).v[0].color, 0xFFFFFFu);
  EXPECT_EQ(feedback.windows.at(0)->polls, 0);
}

TEST(ApplyLighting, LargeSortedModelsLightExactlyTheDrawableHead) {
  // Above a million triangles the head is shared with a second thread: black light makes
  // every lit triangle black and leaves the rest as they were. Sorting twice loses the
  // sort's count of the head, and lighting must then find it alone with the same result.
  for (const bool sortTwice : {false, true}) {
    SCOPED_TRACE(sortTwice ? "sorted twice" : "sorted once");
    RecordingFeedback feedback;
    TerrainRenderer r;
    r.setFeedback(&feedback);
    r.settings.viewpoint = {-100, -100, 200};
    r.settings.lookAt = {360, 360, 0};
    r.settings.nearLimit = 400.0;  // the near corner of the terrain is dropped
    r.settings.lightColor = {0.0, 0.0, 0.0};
    const DibImage surface = filledImage(726, 726, 0x123456);
    const DibImage bump = makeTexture(726, 726, [](int x, int y) { return Color((x * y) % 7); });
    ASSERT_TRUE(r.buildMesh(MeshPurpose::Rendering, surface, bump, 726, 726));
    ASSERT_GE(r.polygonCount(), 1u << 20);
    ASSERT_TRUE(r.averageColors());
    ASSERT_TRUE(r.transformVertices());
    ASSERT_TRUE(r.sortPolygons());
    if (sortTwice) {
      ASSERT_TRUE(r.sortPolygons());
    }
    feedback.windows.clear();
    ASSERT_TRUE(r.applyLighting());
    std::uint32_t head = 0;
    while (head < r.polygonCount() && r.polygon(head).v[0].z > 0) ++head;
    ASSERT_GT(head, r.polygonCount() / 2);
    ASSERT_LT(head, r.polygonCount());
    std::uint32_t wrong = 0;
    for (std::uint32_t i = 0; i < r.polygonCount(); ++i)
      wrong += r.polygon(i).v[0].color != (i < head ? 0u : 0x123456u);
    EXPECT_EQ(wrong, 0u);
    EXPECT_EQ(feedback.windows.at(0)->polls, head);
  }
}
