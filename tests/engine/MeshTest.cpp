// Surface subdivision (buildMesh) and colour averaging.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "TerrainFixtures.h"
#include "support/RecordingFeedback.h"

using namespace terrain_test;

// ASan would otherwise abort on the refused giant allocation instead of returning null.
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }

namespace {

struct Corner {
  double x, y, z;
};

std::vector<Corner> cornersOf(const TerrainPolygon& p) {
  return {{p.v[0].x, p.v[0].y, p.v[0].z},
          {p.v[1].x, p.v[1].y, p.v[1].z},
          {p.v[2].x, p.v[2].y, p.v[2].z}};
}

bool sameCorners(const TerrainPolygon& p, std::vector<Corner> expected) {
  auto actual = cornersOf(p);
  for (int k = 0; k < 3; ++k)
    if (actual[k].x != expected[k].x || actual[k].y != expected[k].y ||
        actual[k].z != expected[k].z)
      return false;
  return true;
}

// The grid points of a 2 x 2 cell with height emphasis 1.
Corner P0(double h) { return {0, 1, h}; }
Corner P1(double h) { return {0, 0, h}; }
Corner P2(double h) { return {1, 0, h}; }
Corner P3(double h) { return {1, 1, h}; }

}  // namespace

TEST(BuildMesh, SplitsCellAlongTheDiagonalOfSmallerHeightDifference) {
  struct Case {
    const char* name;
    std::int32_t mode;
    Color h0, h1, h2, h3;
    bool splitA;
  };
  const Case cases[] = {
      {"auto, P0-P2 equal", 0, 10, 0, 10, 50, true},
      {"auto, P1-P3 smaller", 0, 0, 10, 50, 10, false},
      {"auto, tie cuts P0-P2", 0, 0, 10, 20, 30, true},
      {"fixed A despite heights", 1, 0, 10, 50, 10, true},
      {"fixed B despite heights", 2, 10, 0, 10, 50, false},
      {"unknown mode is B", 7, 10, 0, 10, 50, false},
  };
  const DibImage surface = filledImage(2, 2, 0x123456);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TerrainRenderer r;
    r.settings.emphasisRate = 1.0;
    r.settings.subdivisionMode = c.mode;
    const DibImage bump = cellBump(c.h0, c.h1, c.h2, c.h3);
    ASSERT_TRUE(r.buildMesh(MeshPurpose::Rendering, surface, bump, 2, 2));
    ASSERT_EQ(r.polygonCount(), 2u);
    const double h0 = c.h0, h1 = c.h1, h2 = c.h2, h3 = c.h3;
    if (c.splitA) {
      EXPECT_TRUE(sameCorners(r.polygon(0), {P0(h0), P1(h1), P2(h2)}));
      EXPECT_TRUE(sameCorners(r.polygon(1), {P2(h2), P3(h3), P0(h0)}));
    } else {
      EXPECT_TRUE(sameCorners(r.polygon(0), {P1(h1), P2(h2), P3(h3)}));
      EXPECT_TRUE(sameCorners(r.polygon(1), {P3(h3), P0(h0), P1(h1)}));
    }
  }
}

TEST(BuildMesh, NormalsOfLevelGroundPointUpForBothSplits) {
  const DibImage surface = filledImage(2, 2, 0);
  const DibImage bump = filledImage(2, 2, 0);
  for (std::int32_t mode : {1, 2}) {
    TerrainRenderer r;
    r.settings.subdivisionMode = mode;
    ASSERT_TRUE(r.buildMesh(MeshPurpose::Rendering, surface, bump, 2, 2));
    for (std::uint32_t i = 0; i < r.polygonCount(); ++i) {
      const TerrainPolygon p = r.polygon(i);
      EXPECT_EQ(p.nx, 0.0);
      EXPECT_EQ(p.ny, 0.0);
      EXPECT_EQ(p.nz, 1.0);
    }
  }
}

TEST(BuildMesh, NormalIsCrossProductOfTheEdgesFromTheMiddleCorner) {
  TerrainRenderer r;
  r.settings.emphasisRate = 1.0;
  r.settings.subdivisionMode = 1;
  // Split A, first triangle (P0, P1, P2): a = (0,1,4), b = (0,0,2), c = (1,0,8).
  const DibImage bump = cellBump(4, 2, 8, 0);
  ASSERT_TRUE(r.buildMesh(MeshPurpose::Rendering, filledImage(2, 2, 0), bump, 2, 2));
  const TerrainPolygon p = r.polygon(0);
  // (c - b) x (a - b) = (1, 0, 6) x (0, 1, 2) = (0*2 - 6*1, 6*0 - 1*2, 1*1 - 0*0)
  EXPECT_EQ(p.nx, -6.0);
  EXPECT_EQ(p.ny, -2.0);
  EXPECT_EQ(p.nz, 1.0);
}

TEST(BuildMesh, HeightIsRedChannelTimesEmphasis) {
  TerrainRenderer r;  // emphasis 0.25 by default
  const DibImage bump = filledImage(2, 2, makeColor(200, 255, 255));
  ASSERT_TRUE(r.buildMesh(MeshPurpose::Rendering, filledImage(2, 2, 0), bump, 2, 2));
  EXPECT_EQ(r.polygon(0).v[0].z, 50.0);

  for (Color pure : {makeColor(0, 255, 0), makeColor(0, 0, 255)}) {
    const DibImage flat = filledImage(2, 2, pure);
    ASSERT_TRUE(r.buildMesh(MeshPurpose::Rendering, filledImage(2, 2, 0), flat, 2, 2));
    for (int k = 0; k < 3; ++k) EXPECT_EQ(r.polygon(1).v[k].z, 0.0);
  }
}

TEST(BuildMesh, SliceKeepsTrianglesWithinInclusiveBounds) {
  struct Case {
    const char* name;
    Color low, high;
    std::uint32_t expected;
  };
  const Case cases[] = {
      {"exactly 100 and 200 kept", 100, 200, 2},
      {"a corner at 99 dropped", 99, 200, 0},
      {"a corner at 201 dropped", 100, 201, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TerrainRenderer r;
    r.settings.sliceEnabled = 1;
    r.settings.sliceMin = 100;
    r.settings.sliceMax = 200;
    // Every triangle of the cell touches both a low and a high corner.
    const DibImage bump = cellBump(c.low, c.high, c.low, c.high);
    ASSERT_TRUE(r.buildMesh(MeshPurpose::Rendering, filledImage(2, 2, 0), bump, 2, 2));
    EXPECT_EQ(r.polygonCount(), c.expected);
  }
}

TEST(BuildMesh, SliceTestsTheTwoTrianglesOfACellApart) {
  TerrainRenderer r;
  r.settings.sliceEnabled = 1;
  r.settings.sliceMin = 100;
  r.settings.sliceMax = 200;
  r.settings.subdivisionMode = 1;
  // Split A: (P0, P1, P2) all in range; (P2, P3, P0) has P3 = 250.
  const DibImage bump = cellBump(150, 150, 150, 250);
  ASSERT_TRUE(r.buildMesh(MeshPurpose::Rendering, filledImage(2, 2, 0), bump, 2, 2));
  ASSERT_EQ(r.polygonCount(), 1u);
  EXPECT_EQ(r.polygon(0).v[0].y, 1.0);  // P0 first
}

TEST(BuildMesh, SliceOffKeepsEverything) {
  TerrainRenderer r;
  r.settings.sliceMin = 100;
  r.settings.sliceMax = 200;
  const DibImage bump = cellBump(0, 255, 0, 255);
  ASSERT_TRUE(r.buildMesh(MeshPurpose::Rendering, filledImage(2, 2, 0), bump, 2, 2));
  EXPECT_EQ(r.polygonCount(), 2u);
}

TEST(BuildMesh, CornersTakeSurfaceColoursOrWhiteInWireframe) {
  const DibImage surface = makeTexture(2, 2, [](int x, int y) { return Color(1 + x + 2 * y); });
  const DibImage bump = filledImage(2, 2, 0);
  TerrainRenderer r;
  r.settings.subdivisionMode = 1;
  ASSERT_TRUE(r.buildMesh(MeshPurpose::Rendering, surface, bump, 2, 2));
  // (P0, P1, P2) = (0,1), (0,0), (1,0)
  EXPECT_EQ(r.polygon(0).v[0].color, 3u);
  EXPECT_EQ(r.polygon(0).v[1].color, 1u);
  EXPECT_EQ(r.polygon(0).v[2].color, 2u);

  r.settings.wireframe = 1;
  const DibImage noSurface;  // never read in wireframe
  ASSERT_TRUE(r.buildMesh(MeshPurpose::Rendering, noSurface, bump, 2, 2));
  ASSERT_EQ(r.polygonCount(), 2u);
  for (int k = 0; k < 3; ++k) EXPECT_EQ(r.polygon(1).v[k].color, 0xFFFFFFu);
}

TEST(BuildMesh, GridOfWidthOrHeightOneIsEmpty) {
  TerrainRenderer r;
  const DibImage image = filledImage(5, 5, 0);
  EXPECT_TRUE(r.buildMesh(MeshPurpose::Rendering, image, image, 1, 5));
  EXPECT_EQ(r.polygonCount(), 0u);
  EXPECT_TRUE(r.buildMesh(MeshPurpose::Rendering, image, image, 5, 1));
  EXPECT_EQ(r.polygonCount(), 0u);
}

TEST(BuildMesh, FillsCellsRowByRowTwoTrianglesEach) {
  TerrainRenderer r;
  const DibImage image = filledImage(4, 3, 0);
  ASSERT_TRUE(r.buildMesh(MeshPurpose::Rendering, image, image, 4, 3));
  ASSERT_EQ(r.polygonCount(), 12u);
  // Cell (x, y) = (1, 0) is the second cell; its first triangle starts at P0 = (1, 1).
  EXPECT_EQ(r.polygon(2).v[0].x, 1.0);
  EXPECT_EQ(r.polygon(2).v[0].y, 1.0);
  // Cell (0, 1) starts the second row.
  EXPECT_EQ(r.polygon(6).v[0].x, 0.0);
  EXPECT_EQ(r.polygon(6).v[0].y, 2.0);
}

TEST(BuildMesh, NeverReadsBeyondTheImagesWhenGivenALargerGrid) {
  TerrainRenderer r;
  const DibImage image = filledImage(4, 4, 0);
  ASSERT_TRUE(r.buildMesh(MeshPurpose::Rendering, image, image, 10, 10));
  EXPECT_EQ(r.polygonCount(), 18u);
}

// A capacity beyond 32 bits must not wrap into a small array.
TEST(BuildMesh, CapacityBeyondThirtyTwoBitsIsOutOfMemory) {
  RecordingFeedback feedback;
  TerrainRenderer r;
  r.setFeedback(&feedback);
  const DibImage image = filledImage(2, 2, 0);
  EXPECT_FALSE(r.buildMesh(MeshPurpose::Rendering, image, image, 100000, 100000));
  EXPECT_FALSE(r.buildMesh(MeshPurpose::Rendering, image, image, 2147483647, 2147483647));
  EXPECT_EQ(feedback.messageTexts(),
            (std::vector<std::string>{"メモリ不足です。", "メモリ不足です。"}));
  EXPECT_TRUE(feedback.windows.empty());  // no progress window for a refused model
  EXPECT_FALSE(r.isDrawing());
}

TEST(BuildMesh, ModelTooLargeForMemoryIsOutOfMemory) {
  RecordingFeedback feedback;
  TerrainRenderer r;
  r.setFeedback(&feedback);
  const DibImage image = filledImage(2, 2, 0);
  // 4.29 billion triangles: fits 32 bits, but needs about 515 GB.
  EXPECT_FALSE(r.buildMesh(MeshPurpose::Rendering, image, image, 46341, 46341));
  EXPECT_EQ(feedback.messageTexts(), std::vector<std::string>{"メモリ不足です。"});
  EXPECT_FALSE(r.hasModel());
}

TEST(AverageColors, EachChannelIsTheMeanRoundedDown) {
  struct Case {
    const char* name;
    Color c0, c1, c2, expected;
  };
  const Case cases[] = {
      {"red 255+255+0", 0x0000FF, 0x0000FF, 0x000000, 0x0000AA},
      {"channels apart", makeColor(1, 2, 3), makeColor(1, 2, 3), makeColor(2, 3, 4),
       makeColor(1, 2, 3)},
      {"all white", 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TerrainRenderer r;
    r.settings.subdivisionMode = 1;
    // Split A's first triangle is (P0, P1, P2) = (0,1), (0,0), (1,0).
    const DibImage surface = makeTexture(2, 2, [&](int x, int y) {
      if (y == 1) return x == 0 ? c.c0 : Color(0);
      return x == 0 ? c.c1 : c.c2;
    });
    ASSERT_TRUE(r.buildMesh(MeshPurpose::Rendering, surface, filledImage(2, 2, 0), 2, 2));
    ASSERT_TRUE(r.averageColors());
    EXPECT_EQ(r.polygon(0).v[0].color, c.expected);
    EXPECT_EQ(r.polygon(0).v[1].color, c.c1);  // the other corners keep theirs
    EXPECT_EQ(r.polygon(0).v[2].color, c.c2);
  }
}

TEST(AverageColors, WireframeChangesNothingAndShowsNoWindow) {
  RecordingFeedback feedback;
  TerrainRenderer r;
  r.setFeedback(&feedback);
  r.settings.wireframe = 1;
  const DibImage bump = filledImage(3, 3, 0);
  ASSERT_TRUE(r.buildMesh(MeshPurpose::Rendering, bump, bump, 3, 3));
  const std::size_t windows = feedback.windows.size();
  ASSERT_TRUE(r.averageColors());
  EXPECT_EQ(feedback.windows.size(), windows);
  EXPECT_EQ(r.polygon(0).v[0].color, 0xFFFFFFu);
}
