// The engine against a plain, slow reference pipeline that keeps every triangle as a full
// record (three corners and a normal) and runs each stage on the records as simply as it
// can be written. On seeded random terrains and settings, the records the engine assembles
// (what the DXF export writes), the painted screen and the progress protocol must be the
// same, bit for bit.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "TerrainFixtures.h"
#include "engine/ViewCamera.h"
#include "export/DxfFormat.h"
#include "raster/DrawSurface.h"
#include "support/RecordingFeedback.h"

using namespace terrain_test;

namespace {

using Records = std::vector<TerrainPolygon>;

// A grid point's height: its fine height when the bump has them, else its red channel.
double heightAt(const DibImage& bump, int x, int y) {
  const std::size_t i = std::size_t(y) * bump.width() + x;
  return bump.fineHeights() ? double(bump.fineHeights()[i]) : double(bump.pixels()[i] & 0xFFu);
}

TerrainVertex vertexAt(const DibImage& surface, const DibImage& bump, bool readSurface,
                       double emphasis, int x, int y) {
  const double h = heightAt(bump, x, y);
  const Color c = readSurface ? surface.pixels()[y * surface.width() + x] : kWhite;
  return {double(x), double(y), h * emphasis, c};
}

// The grid: width x height clipped to the bump texture, and to the surface when it is read.
Records referenceMesh(const DibImage& surface, const DibImage& bump, int w, int h,
                      const RenderSettings& s) {
  const bool readSurface = s.wireframe == 0;
  w = std::min(w, bump.width()), h = std::min(h, bump.height());
  if (readSurface) w = std::min(w, surface.width()), h = std::min(h, surface.height());
  auto height = [&](int x, int y) { return heightAt(bump, x, y); };
  // Triangles touching a point without data (NaN) are left out, like those outside the slice.
  auto inSlice = [&](double a, double b, double c) {
    const auto in = [&](double v) { return v >= s.sliceMin && v <= s.sliceMax; };
    if (std::isnan(a) || std::isnan(b) || std::isnan(c)) return false;
    return s.sliceEnabled == 0 || (in(a) && in(b) && in(c));
  };
  Records out;
  auto add = [&](TerrainVertex a, TerrainVertex b, TerrainVertex c) {
    TerrainPolygon p{{a, b, c}, 0, 0, 0};
    p.nx = (a.z - b.z) * (c.y - b.y) - (a.y - b.y) * (c.z - b.z);
    p.ny = (a.x - b.x) * (c.z - b.z) - (a.z - b.z) * (c.x - b.x);
    p.nz = (a.y - b.y) * (c.x - b.x) - (a.x - b.x) * (c.y - b.y);
    out.push_back(p);
  };
  for (int y = 0; y + 1 < h; ++y)
    for (int x = 0; x + 1 < w; ++x) {
      const double h0 = height(x, y + 1), h1 = height(x, y), h2 = height(x + 1, y),
                   h3 = height(x + 1, y + 1);
      auto v = [&](int dx, int dy) {
        return vertexAt(surface, bump, readSurface, s.emphasisRate, x + dx, y + dy);
      };
      const bool splitA =
          s.subdivisionMode == 0 ? std::abs(h0 - h2) <= std::abs(h1 - h3) : s.subdivisionMode == 1;
      if (splitA) {
        if (inSlice(h0, h1, h2)) add(v(0, 1), v(0, 0), v(1, 0));
        if (inSlice(h2, h3, h0)) add(v(1, 0), v(1, 1), v(0, 1));
      } else {
        if (inSlice(h1, h2, h3)) add(v(0, 0), v(1, 0), v(1, 1));
        if (inSlice(h3, h0, h1)) add(v(1, 1), v(0, 1), v(0, 0));
      }
    }
  return out;
}

void referenceAverage(Records& r) {
  for (TerrainPolygon& p : r) {
    const Color a = p.v[0].color, b = p.v[1].color, c = p.v[2].color;
    p.v[0].color =
        makeColor((redOf(a) + redOf(b) + redOf(c)) / 3, (greenOf(a) + greenOf(b) + greenOf(c)) / 3,
                  (blueOf(a) + blueOf(b) + blueOf(c)) / 3);
  }
}

void referenceTransform(Records& r, const RenderSettings& s) {
  const ViewCamera camera = ViewCamera::fromSettings(s);
  for (TerrainPolygon& p : r) {
    for (TerrainVertex& v : p.v) {
      double sx, sy, d;
      if (camera.project(v.x, v.y, v.z, sx, sy, d)) {
        v.x = sx, v.y = sy, v.z = d;
      } else {
        v.x = v.y = v.z = 0;
      }
    }
    const bool front = p.v[0].z > 0 && p.v[1].z > 0 && p.v[2].z > 0;
    p.v[0].z = front ? (p.v[2].z + p.v[1].z + p.v[0].z) * 0.3333333333333333 : 0.0;
  }
}

// The quicksort, transcribed.
void referenceSort(Records& a, long lo, long hi) {
  while (lo < hi) {
    std::swap(a[lo], a[(lo + hi) / 2]);
    const double x = a[lo].v[0].z;
    long i = lo, j = hi + 1;
    for (;;) {
      ++i;
      while (i <= hi && a[i].v[0].z > x) ++i;
      --j;
      while (a[j].v[0].z < x) --j;
      if (i >= j) break;
      std::swap(a[i], a[j]);
    }
    std::swap(a[lo], a[j]);
    referenceSort(a, lo, j - 1);
    lo = j + 1;
  }
}

std::uint32_t lowByte(double v) {
  if (!(v > -9223372036854775808.0 && v < 9223372036854775808.0)) return 0;
  return std::uint32_t(std::int64_t(v)) & 0xFFu;
}

void referenceLighting(Records& r, const RenderSettings& s) {
  if (s.ambient == 1.0) return;
  const Vec3 l = s.lightDirection, f = s.lightColor;
  const double length = std::sqrt(l.z * l.z + l.y * l.y + l.x * l.x);
  for (std::size_t i = 0; i < r.size() && r[i].v[0].z > 0; ++i) {
    TerrainPolygon& p = r[i];
    double cosine = (p.nz * l.z + p.ny * l.y + p.nx * l.x) /
                    (std::sqrt(p.nz * p.nz + p.ny * p.ny + p.nx * p.nx) * length);
    if (!(cosine > 0)) cosine = 0;
    const double b = cosine * (1 - s.ambient) + s.ambient;
    const Color c = p.v[0].color;
    p.v[0].color = makeColor(lowByte(redOf(c) * (b * f.x)), lowByte(greenOf(c) * (b * f.y)),
                             lowByte(blueOf(c) * (b * f.z)));
  }
}

DibImage referencePicture(const Records& r, const RenderSettings& s) {
  DibImage screen;
  screen.create(int(s.screenWidth), int(s.screenHeight));
  DrawSurface surface;
  surface.attach(&screen);
  const bool wire = s.wireframe != 0;
  if (wire) surface.drawRectangle(0, 0, int(s.screenWidth), int(s.screenHeight), 1, kWhite, kWhite);
  for (std::size_t i = 0; i < r.size() && r[i].v[0].z > 0; ++i) {
    const TerrainPolygon& p = r[i];
    surface.drawTriangle(int(p.v[0].x), int(p.v[0].y), int(p.v[1].x), int(p.v[1].y), int(p.v[2].x),
                         int(p.v[2].y), 1, wire ? kGrey : p.v[0].color, p.v[0].color);
  }
  surface.attach(nullptr);
  return screen;
}

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

void expectSameRecords(const Records& expected, const TerrainRenderer& r, const char* after) {
  SCOPED_TRACE(after);
  ASSERT_EQ(r.polygonCount(), expected.size());
  char a[kMaxDxfFaceBytes], b[kMaxDxfFaceBytes];
  for (std::uint32_t i = 0; i < expected.size(); ++i) {
    const TerrainPolygon e = expected[i], g = r.polygon(i);
    for (int k = 0; k < 3; ++k) {
      ASSERT_TRUE(sameBits(e.v[k].x, g.v[k].x) && sameBits(e.v[k].y, g.v[k].y) &&
                  sameBits(e.v[k].z, g.v[k].z) && e.v[k].color == g.v[k].color)
          << "triangle " << i << " corner " << k;
    }
    ASSERT_TRUE(sameBits(e.nx, g.nx) && sameBits(e.ny, g.ny) && sameBits(e.nz, g.nz)) << i;
    ASSERT_EQ(std::string(a, formatDxfFace(e, a)), std::string(b, formatDxfFace(g, b))) << i;
  }
}

// The positions a stage window of total items must show: 0, a position every 5000 items,
// 100; and one poll per item.
std::vector<int> expectedPositions(std::uint64_t items, std::uint64_t step, std::uint64_t total) {
  std::vector<int> positions{0};
  for (std::uint64_t c = 0; c < items * step; c += step)
    if (c % 5000 == 0) positions.push_back(total == 0 ? 0 : int(c * 100 / total));
  positions.push_back(100);
  return positions;
}

struct Scene {
  DibImage surface, bump;
  RenderSettings settings;
};

Scene randomScene(std::mt19937& random) {
  auto pick = [&](int n) { return int(random() % unsigned(n)); };
  auto real = [&](double lo, double hi) {
    return lo + (hi - lo) * double(random() % 1000000) / 1000000.0;
  };
  Scene s;
  const int w = 2 + pick(70), h = 2 + pick(70);
  const int levels = 1 + pick(12);  // few levels: flat parts, equal keys
  s.bump = makeBump(w, h, [&](int, int) { return pick(levels) * (255 / levels); });
  if (pick(3) == 0) {
    // A high-precision bump: quarter steps (still ties), some beyond 0..255, some holes.
    std::vector<float> fine(std::size_t(w) * h);
    for (float& f : fine)
      f = pick(15) == 0 ? NAN : float(pick(levels * 4) * (300 / levels) / 4.0 - 20);
    s.bump.setFineHeights(std::move(fine));
  }
  s.surface = makeTexture(w + pick(3) - 1, h + pick(3) - 1,
                          [&](int, int) { return Color(random() & 0xFFFFFFu); });
  RenderSettings& r = s.settings;
  r.screenWidth = std::uint32_t(40 + pick(200));
  r.screenHeight = std::uint32_t(30 + pick(160));
  r.subdivisionMode = pick(3);
  r.wireframe = pick(5) == 0;
  r.sliceEnabled = pick(3) == 0;
  r.sliceMin = std::uint32_t(pick(200));
  r.sliceMax = r.sliceMin + std::uint32_t(pick(120));
  r.emphasisRate = pick(6) == 0 ? 0.0 : real(0.01, 1.5);
  r.ambient = pick(6) == 0 ? 1.0 : real(0, 1);
  r.lightDirection = {real(-2, 2), real(-2, 2), real(-2, 2)};
  r.lightColor = {real(0, 1.5), real(0, 1.5), real(0, 1.5)};
  r.distance = real(50, 600);
  r.nearLimit = pick(5) == 0 ? real(-5, 0) : real(0.5, 20);
  r.lookAt = {real(0, w), real(0, h), real(0, 100)};
  switch (pick(5)) {
    case 0:
      r.viewpoint = {r.lookAt.x, r.lookAt.y, real(50, 400)};
      break;  // above
    case 1:
      r.viewpoint = {real(-w, 2 * w), real(-h, 2 * h), real(-300, -5)};
      break;  // below
    case 2:
      r.viewpoint = {real(-3 * w, -w), real(0, h), real(0, 60)};
      break;  // beside
    case 3:
      r.viewpoint = {real(0, w), real(0, h), real(0, 30)};
      break;  // inside
    default:
      r.viewpoint = {real(-w, 2 * w), real(-h, 2 * h), real(20, 300)};
      break;
  }
  // Now and then a value only a document can hold.
  const double odd[] = {std::numeric_limits<double>::quiet_NaN(),
                        std::numeric_limits<double>::infinity(), 0.0, -0.0, 1e300};
  switch (pick(12)) {
    case 0:
      r.distance = odd[pick(5)];
      break;
    case 1:
      r.viewpoint.z = odd[pick(5)];
      break;
    case 2:
      r.emphasisRate = odd[pick(5)];
      break;
    case 3:
      r.nearLimit = odd[pick(5)];
      break;
    default:
      break;
  }
  return s;
}

}  // namespace

TEST(ReferencePipeline, SameRecordsPicturesAndProgressOnRandomScenes) {
  std::mt19937 random(20261207);
  for (int round = 0; round < 150; ++round) {
    const Scene scene = randomScene(random);
    const RenderSettings& s = scene.settings;
    SCOPED_TRACE(testing::Message() << "round " << round);
    const int w = std::min(scene.surface.width(), scene.bump.width());
    const int h = std::min(scene.surface.height(), scene.bump.height());

    Records expected = referenceMesh(scene.surface, scene.bump, w, h, s);
    RecordingFeedback feedback;
    TerrainRenderer r;
    r.setFeedback(&feedback);
    r.settings = s;
    ASSERT_TRUE(r.buildMesh(MeshPurpose::Rendering, scene.surface, scene.bump, w, h));
    expectSameRecords(expected, r, "subdivision");
    const std::uint64_t cells = std::uint64_t(w - 1) * std::uint64_t(h - 1);
    ASSERT_EQ(feedback.windows.back()->positionValues(), expectedPositions(cells, 2, 2 * cells));
    ASSERT_EQ(feedback.windows.back()->polls, (long long)cells);

    if (s.wireframe == 0) referenceAverage(expected);
    ASSERT_TRUE(r.averageColors());
    expectSameRecords(expected, r, "colour averaging");

    referenceTransform(expected, s);
    ASSERT_TRUE(r.transformVertices());
    expectSameRecords(expected, r, "transform");
    ASSERT_EQ(feedback.windows.back()->positionValues(),
              expectedPositions(expected.size(), 1, expected.size()));

    referenceSort(expected, 0, long(expected.size()) - 1);
    ASSERT_TRUE(r.sortPolygons());
    expectSameRecords(expected, r, "sort");

    referenceLighting(expected, s);
    ASSERT_TRUE(r.applyLighting());
    expectSameRecords(expected, r, "lighting");

    ASSERT_TRUE(r.createScreen());
    r.drawToEnd();
    const DibImage picture = referencePicture(expected, s);
    ASSERT_EQ(std::memcmp(picture.pixels(), r.screen().pixels(),
                          std::size_t(picture.width()) * picture.height() * sizeof(Color)),
              0);
  }
}
