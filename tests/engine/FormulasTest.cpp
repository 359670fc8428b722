// Worked examples of the stages' rules as table rows: the split of a cell, the camera (which
// the reference pipeline shares with the engine, so it is checked here alone), the lighting
// formula and the lit head; and the depth sort against the plain quicksort (far keys first,
// equal keys in its exact order) with ties, odd keys and inputs large enough for two threads.

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <random>

#include "TerrainFixtures.h"
#include "engine/DepthSort.h"
#include "engine/ViewCamera.h"

using namespace terrain_test;

namespace {
constexpr double kPi = 3.141592653589793, kHalfPi = 1.5707963267948966;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
using Change = void (*)(RenderSettings&);

// The cells (2 x first position + 1) in the order the engine sorts them; each triangle's
// colour and key must travel with it.
std::vector<std::uint32_t> sortedCells(const std::vector<double>& keys, bool reference = false) {
  std::vector<double> k = keys;
  std::vector<TerrainTriangle> t(keys.size());
  for (std::size_t i = 0; i < keys.size(); ++i) t[i] = {std::uint32_t(i * 2 + 1), Color(i * 7)};
  if (reference) {
    referenceQuicksort([&](long i) { return k[i]; },
                       [&](long i, long j) { std::swap(k[i], k[j]), std::swap(t[i], t[j]); }, 0,
                       long(k.size()) - 1);
  } else {
    sortTrianglesByDepth(k.data(), t.data(), k.size());
  }
  std::vector<std::uint32_t> cells;
  for (std::size_t i = 0; i < keys.size(); ++i) {
    const std::size_t from = (t[i].cell - 1) / 2;
    EXPECT_EQ(t[i].color, Color(from * 7));
    EXPECT_EQ(std::bit_cast<std::uint64_t>(k[i]), std::bit_cast<std::uint64_t>(keys[from]));
    cells.push_back(t[i].cell);
  }
  return cells;
}
}  // namespace

TEST(BuildMesh, SplitsCellAlongTheDiagonalOfSmallerHeightDifference) {
  const struct {
    const char* name;
    std::int32_t mode;
    Color h[4];
    bool splitA;
  } cases[] = {{"auto, P0-P2 equal", 0, {10, 0, 10, 50}, true},
               {"auto, P1-P3 smaller", 0, {0, 10, 50, 10}, false},
               {"auto, tie cuts P0-P2", 0, {0, 10, 20, 30}, true},
               {"fixed A despite heights", 1, {0, 10, 50, 10}, true},
               {"fixed B despite heights", 2, {10, 0, 10, 50}, false},
               {"unknown mode is B", 7, {10, 0, 10, 50}, false}};
  const double px[] = {0, 0, 1, 1}, py[] = {1, 0, 0, 1};               // P0 .. P3
  const int corners[2][6] = {{1, 2, 3, 3, 0, 1}, {0, 1, 2, 2, 3, 0}};  // split B, split A
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TerrainRenderer r;
    r.settings.emphasisRate = 1.0;
    r.settings.subdivisionMode = c.mode;
    const DibImage bump = cellBump(c.h[0], c.h[1], c.h[2], c.h[3]);
    ASSERT_TRUE(r.buildMesh(MeshPurpose::Rendering, filledImage(2, 2, 0), bump, 2, 2));
    ASSERT_EQ(r.polygonCount(), 2u);
    for (int k = 0; k < 6; ++k) {
      const int p = corners[c.splitA][k];
      const TerrainVertex v = r.polygon(k / 3).v[k % 3];
      EXPECT_TRUE(v.x == px[p] && v.y == py[p] && v.z == c.h[p]) << k;
    }
  }
}

TEST(ViewCamera, AzimuthAndElevationFollowTheLineOfSight) {
  const struct {
    const char* name;
    Vec3 viewpoint, lookAt;
    double azimuth, elevation;
  } cases[] = {
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
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RenderSettings s;
    s.viewpoint = c.viewpoint;
    s.lookAt = c.lookAt;
    const ViewCamera camera = ViewCamera::fromSettings(s);
    EXPECT_DOUBLE_EQ(camera.azimuth, c.azimuth);
    EXPECT_DOUBLE_EQ(camera.elevation, c.elevation);
  }
}

TEST(ViewCamera, ProjectsOntoTheScreenAndKeepsOnlyCornersNearItAndFarEnough) {
  const Change none = [](RenderSettings&) {};
  // Distance 256 at depth 256: sx = 160 + x and sy = 120 + y; the margin is 64 pixels.
  const Change unit = [](RenderSettings& s) { s.distance = 256.0; };
  const struct {
    const char* name;
    Change change;
    double x, y, z;
    bool kept;
    double sx = kNaN, sy = kNaN;  // checked when kept
  } cases[] = {
      // The default camera looks straight down from 256: 0.9375 pixels per grid step.
      {"default, origin at the centre", none, 0, 0, 0, true, 160, 120},
      {"default, (17, -20)", none, 17, -20, 0, true, 160 + 15.9375, 120 - 18.75},
      {"default, (-40, 100)", none, -40, 100, 0, true, 122.5, 213.75},
      {"oblique, the look-at point at the centre",
       [](RenderSettings& s) {
         s.viewpoint = {-200, -200, 300}, s.lookAt = {128, 128, 20};
       },
       128, 128, 20, true, 160, 120},
      {"depth exactly the near limit", [](RenderSettings& s) { s.nearLimit = 256; }, 0, 0, 0, true},
      {"depth just short of the near limit",
       [](RenderSettings& s) { s.nearLimit = std::nextafter(256.0, 1000.0); }, 0, 0, 0, false},
      {"left edge -64", unit, -224, 0, 0, true},
      {"left beyond -64.5", unit, -224.5, 0, 0, false},
      {"right edge Ws+64", unit, 224, 0, 0, true},
      {"right beyond", unit, 224.5, 0, 0, false},
      {"top beyond -64.5", unit, 0, -184.5, 0, false},
      {"bottom beyond Hs+64.5", unit, 0, 184.5, 0, false},
      {"top inside", unit, 0, -183.5, 0, true},
      {"bottom inside", unit, 0, 183.5, 0, true},
      {"NaN distance", [](RenderSettings& s) { s.distance = kNaN; }, 0, 0, 0, false},
      {"infinite distance", [](RenderSettings& s) { s.distance = kInf; }, 1, 0, 0, false},
      {"NaN near limit", [](RenderSettings& s) { s.nearLimit = kNaN; }, 0, 0, 0, false},
      {"near limit 0, corner at the eye", [](RenderSettings& s) { s.nearLimit = 0; }, 0, 0, 256,
       false},
      {"corner above the eye", none, 0, 0, 300, false},
      {"NaN viewpoint", [](RenderSettings& s) { s.viewpoint.x = kNaN; }, 0, 0, 0, false},
      {"infinite height", none, 0, 0, -kInf, false},
      {"NaN height", none, 0, 0, kNaN, false},
      {"screen x beyond int range", [](RenderSettings& s) { s.screenWidth = 4294967295u; }, 1, 0, 0,
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RenderSettings s;
    c.change(s);
    double sx, sy, depth;
    ASSERT_EQ(ViewCamera::fromSettings(s).project(c.x, c.y, c.z, sx, sy, depth), c.kept);
    EXPECT_TRUE(std::isnan(c.sx) || std::abs(sx - c.sx) < 1e-9) << sx;
    EXPECT_TRUE(std::isnan(c.sy) || std::abs(sy - c.sy) < 1e-9) << sy;
    EXPECT_TRUE(!c.kept || c.change != none || std::abs(depth - 256) < 1e-9) << depth;
  }
}

// channel' = trunc(channel x (brightness x factor)) in its low byte, with brightness =
// cosine (1 - ambient) + ambient; on level triangles of one colour (0xBBGGRR), normal up.
TEST(ApplyLighting, ChannelsScaleByBrightnessAndLightColour) {
  const struct {
    const char* name;
    double ambient;
    Vec3 direction, factors;
    Color surface, expected;
  } cases[] = {
      {"defaults: 255 -> 201, 100 -> 78", 0.5, {1, 1, 1}, {1, 1, 1}, 0x0064FF, 0x004EC9},
      {"ambient 1 ignores the light colour", 1, {1, 1, 1}, {.5, .5, .5}, 0x0764FF, 0x0764FF},
      {"ambient 0.999 with colour 0.5 halves", .999, {1, 1, 1}, {.5, .5, .5}, 0x0064FF, 0x00317F},
      {"ambient 0 facing away is black", 0, {0, 0, -1}, {1, 1, 1}, 0xFFFFFF, 0},
      {"light straight above, ambient 0: full", 0, {0, 0, 5}, {1, 1, 1}, 0x0364FF, 0x0364FF},
      {"zero light direction: ambient only", 0.5, {0, 0, 0}, {1, 1, 1}, 0x0064FF, 0x00327F},
      {"factors per channel", 0, {0, 0, 1}, {1, .5, .25}, 0xFFFFFF, 0x3F7FFF},
      {"factor 2 wraps around modulo 256", 0, {0, 0, 1}, {2, 2, 2}, 0x0064FF, 0x00C8FE},
      {"negative factor wraps from below", 0, {0, 0, 1}, {-1, 1, 1}, 0x000001, 0x0000FF},
      {"non-finite and huge products become 0", 0.5, {1, 1, 1}, {kNaN, kInf, 1e300}, 0xFFFFFF, 0},
      {"NaN ambient becomes 0", kNaN, {1, 1, 1}, {1, 1, 1}, 0xFFFFFF, 0},
  };
  for (const auto& c : cases) {
    TerrainRenderer r;
    r.settings.ambient = c.ambient;
    r.settings.lightDirection = c.direction;
    r.settings.lightColor = c.factors;
    ASSERT_TRUE(runStages(r, filledImage(2, 2, c.surface), filledImage(2, 2, 0)));
    EXPECT_EQ(r.polygon(0).v[0].color, c.expected) << c.name;
  }
}

// Straight from the transform, unsorted: key 0 first, positive keys after it.
TEST(ApplyLighting, LightsOnlyTheHeadBeforeTheFirstKeyThatIsNotPositive) {
  RecordingFeedback feedback;
  TerrainRenderer r;
  r.setFeedback(&feedback);
  r.settings.emphasisRate = 1.0;  // column 0 rises to depth 1, nearer than nearLimit 2
  const DibImage bump = makeTexture(3, 2, [](int x, int) { return Color(x == 0 ? 255 : 0); });
  ASSERT_TRUE(r.buildMesh(MeshPurpose::Rendering, filledImage(3, 2, kWhite), bump, 3, 2));
  ASSERT_TRUE(r.averageColors() && r.transformVertices());
  ASSERT_EQ(r.polygon(0).v[0].z, 0.0);
  ASSERT_GT(r.polygon(3).v[0].z, 0.0);
  feedback.windows.clear();
  ASSERT_TRUE(r.applyLighting());
  for (std::uint32_t i = 0; i < r.polygonCount(); ++i) EXPECT_EQ(r.polygon(i).v[0].color, kWhite);
  EXPECT_EQ(feedback.windows.at(0)->polls, 0);
}

TEST(DepthSort, MatchesTheQuicksortWithTiesOddKeysAndOnTwoThreads) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const double odd[] = {nan, -0.0, 0.0, inf, -inf, 5.0, 5.0, 1e-300, -3.0};
  const struct {
    const char* name;
    int rounds;
    std::size_t minSize, maxSize;
    int kind;  // 0 distinct keys, 1 few distinct keys, 2 odd values mixed in
  } cases[] = {{"distinct keys and zeros", 80, 0, 20000, 0},
               {"many ties and zeros", 300, 0, 60, 1},
               {"many ties, larger", 60, 0, 20000, 1},
               {"NaN, -0, infinities, negatives", 80, 0, 5000, 2},
               {"two threads, all different", 1, 1200000, 1200000, 0},  // above the threshold
               {"two threads, ties", 1, 1200000, 1200000, 1}};
  std::mt19937 random(12345);
  for (const auto& c : cases) {
    for (int round = 0; round < c.rounds; ++round) {
      const std::size_t size = c.minSize + random() % (c.maxSize - c.minSize + 1);
      const int distinct = c.minSize > 0 ? 4000 : 1 + int(random() % 8);
      const unsigned oddShare = random() % 4;
      std::vector<double> keys(size);
      for (double& k : keys) {
        const bool zero = random() % 4 == 0;  // like undrawable triangles
        if (c.kind == 0) k = zero ? 0.0 : 1.0 + (random() % 100000000) * 1e-4;
        if (c.kind == 1) k = zero ? 0.0 : 100.0 + int(random() % distinct) * 0.25;
        if (c.kind == 2) k = random() % 4 < oddShare ? odd[random() % 9] : double(random() % 300);
      }
      SCOPED_TRACE(testing::Message() << c.name << ", round " << round << ", size " << size);
      ASSERT_EQ(sortedCells(keys), sortedCells(keys, true));
    }
  }
}

TEST(DepthSort, SortedReversedAndEqualInputsStayShallow) {
  // A million keys ascending, then descending, then all equal: no stack overflow, no hour.
  std::vector<double> keys(1000000);
  std::vector<TerrainTriangle> t(keys.size());
  for (std::size_t i = 0; i < keys.size(); ++i) keys[i] = double(i);
  for (int pass = 0; pass < 3; ++pass) {
    if (pass == 2) std::fill(keys.begin(), keys.end(), 7.0);
    sortTrianglesByDepth(keys.data(), t.data(), keys.size());
    EXPECT_EQ(keys.front(), pass == 2 ? 7.0 : 999999.0);
    EXPECT_EQ(keys.back(), pass == 2 ? 7.0 : 0.0);
  }
}
