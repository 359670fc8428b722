// The depth sort: descending keys, and the exact order the quicksort gives equal keys.

#include <gtest/gtest.h>

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

// The quicksort transcribed step by step on whole records, recursion on the left part:
// the reference every faster form must match.
void referenceSort(std::vector<TerrainPolygon>& a, long lo, long hi) {
  auto key = [&](long i) { return a[i].v[0].z; };
  while (lo < hi) {
    long m = (lo + hi) / 2;
    std::swap(a[lo], a[m]);
    const double x = key(lo);
    long i = lo, j = hi + 1;
    for (;;) {
      ++i;
      while (i <= hi && key(i) > x) ++i;
      --j;
      while (key(j) < x) --j;
      if (i >= j) break;
      std::swap(a[i], a[j]);
    }
    std::swap(a[lo], a[j]);
    referenceSort(a, lo, j - 1);
    lo = j + 1;
  }
}

// Records with the given keys; each remembers its first position in nx.
std::vector<TerrainPolygon> recordsWithKeys(const std::vector<double>& keys) {
  std::vector<TerrainPolygon> records(keys.size());
  for (std::size_t i = 0; i < keys.size(); ++i) {
    records[i] = TerrainPolygon{};
    records[i].v[0].z = keys[i];
    records[i].nx = static_cast<double>(i);
    records[i].v[1].color = static_cast<Color>(i * 7);
    records[i].v[2].y = static_cast<double>(i) * 0.5;
  }
  return records;
}

std::vector<int> originsOf(const std::vector<TerrainPolygon>& records) {
  std::vector<int> origins;
  for (const TerrainPolygon& p : records) origins.push_back(static_cast<int>(p.nx));
  return origins;
}

std::vector<int> sortedOrigins(const std::vector<double>& keys) {
  std::vector<TerrainPolygon> records = recordsWithKeys(keys);
  sortPolygonsByDepth(records.data(), records.size());
  return originsOf(records);
}

}  // namespace

TEST(DepthSort, WorkedExamples) {
  struct Case {
    const char* name;
    std::vector<double> keys;
    std::vector<int> origins;
  };
  const std::vector<Case> cases = {
      {"2, 0, 7, 0 -> 7, 2, 0, 0", {2, 0, 7, 0}, {2, 0, 3, 1}},
      {"5, 3, 9 -> 9, 5, 3", {5, 3, 9}, {2, 0, 1}},
      {"three equal keys come out reversed", {1, 1, 1}, {2, 1, 0}},
      {"empty", {}, {}},
      {"one", {4}, {0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(sortedOrigins(c.keys), c.origins);
  }
}

TEST(DepthSort, PairSortMatchesWholeRecordQuicksortOnManyTies) {
  std::mt19937 random(12345);
  for (int round = 0; round < 400; ++round) {
    const std::size_t size = round < 300 ? static_cast<std::size_t>(round % 60)
                                         : static_cast<std::size_t>(random() % 20000);
    const int distinct = 1 + static_cast<int>(random() % 8);
    std::vector<double> keys(size);
    for (double& k : keys) {
      const int v = static_cast<int>(random() % (distinct + 1));
      k = v == 0 ? 0.0 : 100.0 + v * 0.25;  // zeros like undrawable triangles
    }
    SCOPED_TRACE(testing::Message() << "round " << round << " size " << size);
    std::vector<TerrainPolygon> expected = recordsWithKeys(keys);
    referenceSort(expected, 0, static_cast<long>(expected.size()) - 1);

    std::vector<TerrainPolygon> paired = recordsWithKeys(keys);
    sortPolygonsByDepth(paired.data(), paired.size());
    std::vector<TerrainPolygon> whole = recordsWithKeys(keys);
    sortPolygonRecordsByDepth(whole.data(), whole.size());

    ASSERT_EQ(originsOf(paired), originsOf(expected));
    ASSERT_EQ(originsOf(whole), originsOf(expected));
    for (std::size_t i = 0; i < paired.size(); ++i) {  // records moved whole
      ASSERT_EQ(paired[i].v[1].color, static_cast<Color>(paired[i].nx * 7));
      ASSERT_EQ(paired[i].v[2].y, paired[i].nx * 0.5);
    }
  }
}

TEST(DepthSort, DistinctKeysEndDescendingWithZerosLast) {
  std::mt19937 random(7);
  std::vector<double> keys(50000);
  for (double& k : keys) k = (random() % 4 == 0) ? 0.0 : 1.0 + (random() % 1000000) * 1e-3;
  std::vector<TerrainPolygon> records = recordsWithKeys(keys);
  sortPolygonsByDepth(records.data(), records.size());
  for (std::size_t i = 1; i < records.size(); ++i)
    ASSERT_GE(records[i - 1].v[0].z, records[i].v[0].z);
}

TEST(DepthSort, SortedAndReversedInputsStayShallow) {
  // Ascending and descending runs of a million keys: must neither overflow the stack nor
  // take long.
  std::vector<double> keys(1000000);
  for (std::size_t i = 0; i < keys.size(); ++i) keys[i] = static_cast<double>(i);
  std::vector<std::uint32_t> order(keys.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<std::uint32_t>(i);
  sortKeysDescending(keys.data(), order.data(), keys.size());
  EXPECT_EQ(keys.front(), 999999.0);
  EXPECT_EQ(order.front(), 999999u);
  sortKeysDescending(keys.data(), order.data(), keys.size());
  EXPECT_EQ(keys.back(), 0.0);
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

TEST(SortPolygons, PaintsFarTrianglesFirstAndUndrawableLast) {
  TerrainRenderer r;
  r.settings.viewpoint = {-20, -20, 30};
  r.settings.lookAt = {8, 8, 0};
  r.settings.nearLimit = 45.0;  // the nearest corners are dropped
  const DibImage image = filledImage(17, 17, 0);
  ASSERT_TRUE(r.buildMesh(MeshPurpose::Rendering, image, image, 17, 17));
  ASSERT_TRUE(r.transformVertices());
  ASSERT_TRUE(r.sortPolygons());
  bool seenZero = false;
  std::uint32_t zeros = 0;
  for (std::uint32_t i = 0; i < r.polygonCount(); ++i) {
    const double key = r.polygons()[i].v[0].z;
    if (key == 0.0) {
      seenZero = true;
      ++zeros;
    } else {
      ASSERT_FALSE(seenZero) << "positive key after a zero at " << i;
      if (i > 0) {
        ASSERT_GE(r.polygons()[i - 1].v[0].z, key);
      }
    }
  }
  EXPECT_GT(zeros, 0u);
  EXPECT_LT(zeros, r.polygonCount());
}

TEST(DepthSort, LargeModelsSortedOnTwoThreadsInSeveralPassesKeepTheOrder) {
  std::mt19937 random(99);
  std::vector<double> keys(1200000);  // above the two-thread threshold too
  for (double& k : keys) {
    const int v = static_cast<int>(random() % 5000);
    k = v < 1000 ? 0.0 : 50.0 + v;
  }
  std::vector<TerrainPolygon> expected = recordsWithKeys(keys);
  referenceSort(expected, 0, static_cast<long>(expected.size()) - 1);
  std::vector<TerrainPolygon> paired = recordsWithKeys(keys);
  sortPolygonsByDepth(paired.data(), paired.size());
  ASSERT_EQ(originsOf(paired), originsOf(expected));
  for (std::size_t i = 0; i < paired.size(); ++i)
    ASSERT_EQ(paired[i].v[1].color, static_cast<Color>(paired[i].nx * 7));
}

TEST(DepthSort, OddKeysKeepTheQuicksortOrderInLongRuns) {
  // NaN compares false both ways, so it stops both scans; -0 equals 0. Long runs of them
  // and of ordinary keys must give exactly the order of the quicksort as written.
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const double odd[] = {nan, -0.0, 0.0, inf, -inf, 5.0, 5.0, 1e-300};
  std::mt19937 random(2024);
  for (int round = 0; round < 60; ++round) {
    const std::size_t size = 1 + random() % 5000;
    const unsigned oddShare = random() % 4;  // none, some, half, most
    std::vector<double> keys(size);
    for (double& k : keys) {
      const bool isOdd = random() % 4 < oddShare;
      k = isOdd ? odd[random() % 8] : static_cast<double>(random() % 300);
    }
    SCOPED_TRACE(testing::Message() << "round " << round << " size " << size);
    std::vector<TerrainPolygon> expected = recordsWithKeys(keys);
    referenceSort(expected, 0, static_cast<long>(expected.size()) - 1);
    ASSERT_EQ(sortedOrigins(keys), originsOf(expected));
  }
}

namespace {

// A 33 x 33 grid of hills with many equal heights, so many equal depth keys.
DibImage terracedBump() {
  DibImage bump = filledImage(33, 33, 0);
  for (int y = 0; y < 33; ++y)
    for (int x = 0; x < 33; ++x) {
      const int h = ((x / 4) * 37 + (y / 3) * 11) % 5 * 40;
      bump.pixels()[y * 33 + x] = makeColor(h, h, h);
    }
  return bump;
}

std::vector<TerrainPolygon> modelOf(const TerrainRenderer& r) {
  return std::vector<TerrainPolygon>(r.polygons(), r.polygons() + r.polygonCount());
}

// The records' bytes that matter, compared record by record.
void expectSameRecords(const std::vector<TerrainPolygon>& expected, const TerrainRenderer& r) {
  ASSERT_EQ(expected.size(), r.polygonCount());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const TerrainPolygon& a = expected[i];
    const TerrainPolygon& b = r.polygons()[i];
    for (int k = 0; k < 3; ++k) {
      ASSERT_EQ(a.v[k].x, b.v[k].x) << i;
      ASSERT_EQ(a.v[k].y, b.v[k].y) << i;
      ASSERT_EQ(a.v[k].z, b.v[k].z) << i;
      ASSERT_EQ(a.v[k].color, b.v[k].color) << i;
    }
    ASSERT_EQ(a.nx, b.nx) << i;
    ASSERT_EQ(a.ny, b.ny) << i;
    ASSERT_EQ(a.nz, b.nz) << i;
  }
}

}  // namespace

TEST(SortPolygons, KeysGatheredByTheTransformGiveTheQuicksortOrder) {
  const DibImage bump = terracedBump();
  const DibImage surface = filledImage(33, 33, 0x336699);
  struct Case {
    const char* name;
    bool transformTwice;  // the second camera's keys must be the ones sorted
    bool cancelSecond;    // a cancelled transform leaves no keys behind
  };
  const Case cases[] = {{"one transform", false, false},
                        {"second transform from elsewhere", true, false},
                        {"second transform cancelled half way", true, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingFeedback feedback;
    TerrainRenderer r;
    r.setFeedback(&feedback);
    r.settings.viewpoint = {-20, -20, 60};
    r.settings.lookAt = {16, 16, 0};
    r.settings.emphasisRate = 0.05;
    ASSERT_TRUE(r.buildMesh(MeshPurpose::Rendering, surface, bump, 33, 33));
    ASSERT_TRUE(r.transformVertices());
    if (c.transformTwice) {
      r.settings.viewpoint = {50, -10, 40};
      if (c.cancelSecond) feedback.cancelAtPoll(r.polygonCount() / 2);
      EXPECT_EQ(r.transformVertices(), !c.cancelSecond);
    }
    std::vector<TerrainPolygon> expected = modelOf(r);
    referenceSort(expected, 0, static_cast<long>(expected.size()) - 1);
    ASSERT_TRUE(r.sortPolygons());
    expectSameRecords(expected, r);
  }
}
