// The depth sort: descending keys, and the exact order the quicksort gives equal keys,
// compared with a plain copy of the quicksort on keys with and without ties and with odd
// values. (The renderer's sorted models are compared in ReferencePipelineTest.)

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <utility>
#include <vector>

#include "TerrainFixtures.h"
#include "engine/DepthSort.h"
#include "support/RecordingFeedback.h"

using namespace terrain_test;

namespace {

// Keys with the triangle each belongs to: the colour is derived from the cell, so a pair
// torn apart would show.
struct Keyed {
  std::vector<double> keys;
  std::vector<TerrainTriangle> triangles;
};

// The quicksort transcribed step by step, recursion on the left part: the reference the
// engine's partition and threads must match.
void referenceSort(Keyed& a, long lo, long hi) {
  auto swap = [&](long i, long j) {
    std::swap(a.keys[i], a.keys[j]);
    std::swap(a.triangles[i], a.triangles[j]);
  };
  while (lo < hi) {
    long m = (lo + hi) / 2;
    swap(lo, m);
    const double x = a.keys[lo];
    long i = lo, j = hi + 1;
    for (;;) {
      ++i;
      while (i <= hi && a.keys[i] > x) ++i;
      --j;
      while (a.keys[j] < x) --j;
      if (i >= j) break;
      swap(i, j);
    }
    swap(lo, j);
    referenceSort(a, lo, j - 1);
    lo = j + 1;
  }
}

Keyed keyed(const std::vector<double>& keys) {
  Keyed k{keys, std::vector<TerrainTriangle>(keys.size())};
  for (std::size_t i = 0; i < keys.size(); ++i)
    k.triangles[i] = {static_cast<std::uint32_t>(i * 2 + 1), static_cast<Color>(i * 7)};
  return k;
}

std::vector<std::uint32_t> cellsOf(const Keyed& k) {
  std::vector<std::uint32_t> cells;
  for (const TerrainTriangle& t : k.triangles) cells.push_back(t.cell);
  return cells;
}

std::vector<std::uint32_t> sortedCells(const std::vector<double>& keys) {
  Keyed k = keyed(keys);
  sortTrianglesByDepth(k.keys.data(), k.triangles.data(), k.keys.size());
  for (std::size_t i = 0; i < keys.size(); ++i) {  // moved as one
    EXPECT_EQ(k.triangles[i].color, static_cast<Color>((k.triangles[i].cell - 1) / 2 * 7));
    EXPECT_EQ(std::bit_cast<std::uint64_t>(k.keys[i]),
              std::bit_cast<std::uint64_t>(keys[(k.triangles[i].cell - 1) / 2]));
  }
  return cellsOf(k);
}

std::vector<std::uint32_t> referenceCells(const std::vector<double>& keys) {
  Keyed k = keyed(keys);
  referenceSort(k, 0, static_cast<long>(keys.size()) - 1);
  return cellsOf(k);
}

}  // namespace

TEST(DepthSort, WorkedExamples) {
  struct Case {
    const char* name;
    std::vector<double> keys;
    std::vector<std::uint32_t> cells;  // 2 x first position + 1
  };
  const std::vector<Case> cases = {
      {"2, 0, 7, 0 -> 7, 2, 0, 0", {2, 0, 7, 0}, {5, 1, 7, 3}},
      {"5, 3, 9 -> 9, 5, 3", {5, 3, 9}, {5, 1, 3}},
      {"three equal keys come out reversed", {1, 1, 1}, {5, 3, 1}},
      {"empty", {}, {}},
      {"one", {4}, {1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(sortedCells(c.keys), c.cells);
  }
}

TEST(DepthSort, MatchesTheQuicksortWithAndWithoutTiesAndOddKeys) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const double odd[] = {nan, -0.0, 0.0, inf, -inf, 5.0, 5.0, 1e-300, -3.0};
  struct Case {
    const char* name;
    int rounds;
    std::size_t maxSize;
    int kind;  // 0 distinct keys, 1 few distinct keys, 2 odd values mixed in
  };
  const Case cases[] = {{"distinct keys and zeros", 80, 20000, 0},
                        {"many ties and zeros", 300, 60, 1},
                        {"many ties, larger", 60, 20000, 1},
                        {"NaN, -0, infinities, negatives", 80, 5000, 2}};
  std::mt19937 random(12345);
  for (const Case& c : cases) {
    for (int round = 0; round < c.rounds; ++round) {
      const std::size_t size = random() % (c.maxSize + 1);
      const int distinct = 1 + static_cast<int>(random() % 8);
      const unsigned oddShare = random() % 4;
      std::vector<double> keys(size);
      for (double& k : keys) {
        const bool zero = random() % 4 == 0;  // like undrawable triangles
        if (c.kind == 0) k = zero ? 0.0 : 1.0 + (random() % 100000000) * 1e-4;
        if (c.kind == 1) k = zero ? 0.0 : 100.0 + static_cast<int>(random() % distinct) * 0.25;
        if (c.kind == 2)
          k = random() % 4 < oddShare ? odd[random() % 9] : static_cast<double>(random() % 300);
      }
      SCOPED_TRACE(testing::Message() << c.name << ", round " << round << ", size " << size);
      ASSERT_EQ(sortedCells(keys), referenceCells(keys));
    }
  }
}

TEST(DepthSort, LargeInputsOnTwoThreadsKeepTheOrder) {
  struct Case {
    const char* name;
    int distinctPositives;  // 0: all different
  };
  const Case cases[] = {{"all different", 0}, {"ties", 4000}};
  std::mt19937 random(99);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<double> keys(1200000);  // above the two-thread threshold
    for (std::size_t i = 0; i < keys.size(); ++i) {
      const bool zero = random() % 5 == 0;
      keys[i] = zero ? 0.0
                : c.distinctPositives == 0
                    ? 50.0 + static_cast<double>(i) * 0.001 + (random() % 1000) * 1e-7
                    : 50.0 + static_cast<double>(random() % c.distinctPositives);
    }
    std::shuffle(keys.begin(), keys.end(), random);
    ASSERT_EQ(sortedCells(keys), referenceCells(keys));
  }
}

TEST(DepthSort, SortedReversedAndEqualInputsStayShallow) {
  // Ascending and descending runs of a million keys, and all equal: must neither overflow
  // the stack nor take long.
  std::vector<double> keys(1000000);
  for (std::size_t i = 0; i < keys.size(); ++i) keys[i] = static_cast<double>(i);
  Keyed k = keyed(keys);
  for (int pass = 0; pass < 2; ++pass) {
    sortTrianglesByDepth(k.keys.data(), k.triangles.data(), k.keys.size());
    EXPECT_EQ(k.keys.front(), 999999.0);
    EXPECT_EQ(k.keys.back(), 0.0);
  }
  Keyed same = keyed(std::vector<double>(1000000, 7.0));
  sortTrianglesByDepth(same.keys.data(), same.triangles.data(), same.keys.size());
  EXPECT_EQ(same.keys.front(), 7.0);
}

TEST(SortPolygons, ShowsABusyNoticeWithoutProgressOrPolls) {
  RecordingFeedback feedback;
  TerrainRenderer r;
  r.setFeedback(&feedback);
  const DibImage image = filledImage(4, 4, 0);
  ASSERT_TRUE(r.buildMesh(MeshPurpose::Rendering, image, image, 4, 4));
  feedback.windows.clear();
  feedback.cancelAtPoll(1);  // a cancel that the sort must not see
  EXPECT_TRUE(r.sortPolygons());
  ASSERT_EQ(feedback.windows.size(), 1u);
  const auto& w = *feedback.windows[0];
  EXPECT_EQ(w.calls, (std::vector<std::string>{"create", "message:ソートをおこなっています。",
                                               "busy", "destroy"}));
  EXPECT_EQ(w.polls, 0);
  EXPECT_TRUE(feedback.messages.empty());
}
