// The engine against a plain, slow reference pipeline that keeps every triangle as a full
// record (three corners and a normal) and runs each stage on the records as simply as it
// can be written. On seeded random scenes (grids asked larger or smaller than the textures,
// fine heights with holes, slices, every split mode, wireframe, cameras above, below, beside
// and inside the terrain, odd document values, a model above a million triangles) the
// records the engine assembles (what the DXF export writes), every stage's progress and polls
// and the painted screen must be the same, bit for bit.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "TerrainFixtures.h"
#include "engine/CameraPreview.h"
#include "engine/ViewCamera.h"
#include "raster/DrawSurface.h"

using namespace terrain_test;

namespace {

using Records = std::vector<TerrainPolygon>;

struct Scene {
  DibImage surface, bump;
  int width, height;  // the grid asked for
  RenderSettings settings;
  std::uint32_t drawCount;
};

// A grid point's height: its fine height when the bump has them, else its red channel.
double heightAt(const DibImage& bump, int x, int y) {
  const std::size_t i = std::size_t(y) * bump.width() + x;
  return bump.fineHeights() ? double(bump.fineHeights()[i]) : double(bump.pixels()[i] & 0xFFu);
}

// The grid: the size asked for within the bump, and within the surface when it is read
// (wireframe corners are white, the surface unread).
void gridOf(const Scene& scene, int& w, int& h) {
  w = std::min(scene.width, scene.bump.width()), h = std::min(scene.height, scene.bump.height());
  if (scene.settings.wireframe == 0)
    w = std::min(w, scene.surface.width()), h = std::min(h, scene.surface.height());
}

Records referenceMesh(const Scene& scene) {
  const RenderSettings& s = scene.settings;
  const bool readSurface = s.wireframe == 0;
  int w, h;
  gridOf(scene, w, h);
  auto vertex = [&](int x, int y) {
    const Color c = readSurface ? scene.surface.pixels()[y * scene.surface.width() + x] : kWhite;
    return TerrainVertex{double(x), double(y), heightAt(scene.bump, x, y) * s.emphasisRate, c};
  };
  // Triangles touching a point without data (NaN) are left out, like those outside the slice.
  auto kept = [&](double a, double b, double c) {
    const auto in = [&](double v) { return v >= s.sliceMin && v <= s.sliceMax; };
    if (std::isnan(a) || std::isnan(b) || std::isnan(c)) return false;
    return s.sliceEnabled == 0 || (in(a) && in(b) && in(c));
  };
  Records out;
  auto add = [&](TerrainVertex a, TerrainVertex b, TerrainVertex c) {
    out.push_back({{a, b, c},
                   (a.z - b.z) * (c.y - b.y) - (a.y - b.y) * (c.z - b.z),
                   (a.x - b.x) * (c.z - b.z) - (a.z - b.z) * (c.x - b.x),
                   (a.y - b.y) * (c.x - b.x) - (a.x - b.x) * (c.y - b.y)});
  };
  for (int y = 0; y + 1 < h; ++y)
    for (int x = 0; x + 1 < w; ++x) {
      const double h0 = heightAt(scene.bump, x, y + 1), h1 = heightAt(scene.bump, x, y),
                   h2 = heightAt(scene.bump, x + 1, y), h3 = heightAt(scene.bump, x + 1, y + 1);
      const auto p0 = vertex(x, y + 1), p1 = vertex(x, y), p2 = vertex(x + 1, y),
                 p3 = vertex(x + 1, y + 1);
      const bool splitA =
          s.subdivisionMode == 0 ? std::abs(h0 - h2) <= std::abs(h1 - h3) : s.subdivisionMode == 1;
      if (splitA) {
        if (kept(h0, h1, h2)) add(p0, p1, p2);
        if (kept(h2, h3, h0)) add(p2, p3, p0);
      } else {
        if (kept(h1, h2, h3)) add(p1, p2, p3);
        if (kept(h3, h0, h1)) add(p3, p0, p1);
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
  for (std::uint32_t i = 0; i < expected.size(); ++i) {
    const TerrainPolygon e = expected[i], g = r.polygon(i);
    for (int k = 0; k < 3; ++k)
      ASSERT_TRUE(sameBits(e.v[k].x, g.v[k].x) && sameBits(e.v[k].y, g.v[k].y) &&
                  sameBits(e.v[k].z, g.v[k].z) && e.v[k].color == g.v[k].color)
          << "triangle " << i << " corner " << k;
    ASSERT_TRUE(sameBits(e.nx, g.nx) && sameBits(e.ny, g.ny) && sameBits(e.nz, g.nz)) << i;
  }
}

// The last stage window: position 0, then before every item whose counter (step per item)
// is a multiple of 5000 counter x 100 / total, then 100; one poll per item, in order.
void expectProgress(const RecordingFeedback& f, long items, long step, long total) {
  std::vector<std::pair<int, long long>> expected{{0, 0}}, shown;
  for (long c = 0; c < items * step; c += step)
    if (c % 5000 == 0) expected.push_back({total == 0 ? 0 : int(c * 100 / total), c / step});
  expected.push_back({100, items});
  for (const auto& p : f.windows.back()->positions) shown.push_back({p.position, p.pollsBefore});
  ASSERT_EQ(shown, expected);
  ASSERT_EQ(f.windows.back()->polls, items);
}

Scene randomScene(std::mt19937& random) {
  auto pick = [&](int n) { return int(random() % unsigned(n)); };
  auto real = [&](double lo, double hi) { return lo + (hi - lo) * (random() % 1000000) / 1e6; };
  Scene s;
  const int w = 2 + pick(70), h = 2 + pick(70);
  const int levels = 1 + pick(12), rise = 255 / levels;  // few levels: flat parts, equal keys
  // Green and blue are noise: only red is a height.
  s.bump = makeTexture(w, h, [&](int, int) {
    return makeColor(pick(levels) * rise, random() & 0xFF, random() & 0xFF);
  });
  if (pick(3) == 0) {
    // A high-precision bump: quarter steps (still ties), some beyond 0..255, some holes.
    std::vector<float> fine(std::size_t(w) * h);
    for (float& f : fine) f = pick(15) == 0 ? NAN : float(pick(levels * 4) * rise / 4.0 - 20);
    s.bump.setFineHeights(std::move(fine));
  }
  s.surface = makeTexture(w + pick(3) - 1, h + pick(3) - 1,
                          [&](int, int) { return Color(random() & 0xFFFFFFu); });
  // Mostly the common size, sometimes more than either texture has, now and then one row.
  s.width = pick(12) == 0 ? 1 : std::min(w, s.surface.width()) + (pick(4) == 0 ? pick(4) : 0);
  s.height = pick(12) == 0 ? 1 : std::min(h, s.surface.height()) + (pick(4) == 0 ? pick(4) : 0);
  s.drawCount = 1 + random() % 400;
  RenderSettings& r = s.settings;
  r.screenWidth = std::uint32_t(40 + pick(200));
  r.screenHeight = std::uint32_t(30 + pick(160));
  r.subdivisionMode = std::array{0, 1, 2, 7, -1}[pick(5)];  // other values split like 2
  r.wireframe = pick(5) == 0 ? 1 + pick(2) : 0;
  r.sliceEnabled = pick(3) == 0;
  r.sliceMin = std::uint32_t(pick(2) == 0 ? pick(levels) * rise : pick(200));  // bounds hit
  r.sliceMax = r.sliceMin + std::uint32_t(pick(2) == 0 ? pick(4) * rise : pick(120));
  r.emphasisRate = pick(6) == 0 ? 0.0 : real(0.01, 1.5);
  r.ambient = pick(6) == 0 ? 1.0 : real(0, 1);
  r.lightDirection = {real(-2, 2), real(-2, 2), real(-2, 2)};
  const double most = pick(4) == 0 ? 3 : 1.5;  // beyond 1: channels wrap around
  r.lightColor = {real(-1, most), real(0, most), real(0, most)};
  r.distance = real(50, 600);
  r.nearLimit = pick(5) == 0 ? real(-5, 0) : real(0.5, 20);
  r.lookAt = {real(0, w), real(0, h), real(0, 100)};
  const Vec3 viewpoints[] = {{r.lookAt.x, r.lookAt.y, real(50, 400)},             // above
                             {real(-w, 2 * w), real(-h, 2 * h), real(-300, -5)},  // below
                             {real(-3 * w, -w), real(0, h), real(0, 60)},         // beside
                             {real(0, w), real(0, h), real(0, 30)},               // inside
                             {real(-w, 2 * w), real(-h, 2 * h), real(20, 300)}};
  r.viewpoint = viewpoints[pick(5)];
  // Now and then a value only a document can hold.
  const double odd[] = {std::numeric_limits<double>::quiet_NaN(),
                        std::numeric_limits<double>::infinity(), 0.0, -0.0, 1e300};
  double* slots[] = {&r.distance, &r.viewpoint.z,      &r.emphasisRate, &r.nearLimit,
                     &r.ambient,  &r.lightDirection.x, &r.lightColor.y};
  if (pick(3) == 0) *slots[pick(7)] = odd[pick(5)];
  return s;
}

// Above a million triangles: averaging, transform and lighting share the work with a
// second thread, the sort runs on two.
Scene largeScene() {
  Scene s;
  s.surface = makeTexture(726, 726, [](int x, int y) { return Color(x * 40503u ^ y * 9973u); });
  s.bump = makeTexture(726, 726, [](int x, int y) { return Color((x * y) % 7); });
  s.width = s.height = 726, s.drawCount = 1u << 20;
  s.settings.viewpoint = {-100, -100, 200};
  s.settings.lookAt = {360, 360, 0};
  s.settings.nearLimit = 400.0;  // the near corner of the terrain is dropped
  return s;
}

}  // namespace

TEST(ReferencePipeline, SameRecordsPicturesAndProgressOnRandomScenes) {
  std::mt19937 random(20261207);
  for (int round = 0; round <= 150; ++round) {
    const Scene scene = round < 150 ? randomScene(random) : largeScene();
    const RenderSettings& s = scene.settings;
    SCOPED_TRACE(testing::Message() << "round " << round);

    Records expected = referenceMesh(scene);
    RecordingFeedback feedback;
    TerrainRenderer r;
    r.setFeedback(&feedback);
    r.settings = s;
    r.drawCount = scene.drawCount;
    ASSERT_TRUE(
        r.buildMesh(MeshPurpose::Rendering, scene.surface, scene.bump, scene.width, scene.height));
    expectSameRecords(expected, r, "subdivision");
    const auto cells = [](int w, int h) { return w < 2 || h < 2 ? 0 : long(w - 1) * (h - 1); };
    int w, h;
    gridOf(scene, w, h);
    expectProgress(feedback, cells(w, h), 2, 2 * cells(scene.width, scene.height));

    const long n = long(expected.size());
    if (s.wireframe == 0) referenceAverage(expected);
    ASSERT_TRUE(r.averageColors());
    expectSameRecords(expected, r, "colour averaging");
    if (s.wireframe == 0) expectProgress(feedback, n, 1, n);

    referenceTransform(expected, s);
    ASSERT_TRUE(r.transformVertices());
    expectSameRecords(expected, r, "transform");
    expectProgress(feedback, n, 1, n);

    referenceQuicksort([&](long i) { return expected[i].v[0].z; },
                       [&](long i, long j) { std::swap(expected[i], expected[j]); }, 0, n - 1);
    ASSERT_TRUE(r.sortPolygons());
    expectSameRecords(expected, r, "sort");  // equal keys in the quicksort's order

    referenceLighting(expected, s);
    ASSERT_TRUE(r.applyLighting());
    expectSameRecords(expected, r, "lighting");
    long head = 0;
    while (head < n && expected[head].v[0].z > 0) ++head;
    if (s.ambient != 1.0) expectProgress(feedback, head, 1, n);
    ASSERT_TRUE(round < 150 || (head > n / 2 && head < n));

    ASSERT_TRUE(r.createScreen());
    r.drawToEnd();
    const DibImage picture = referencePicture(expected, s);  // size and pixels
    ASSERT_TRUE(r.screen().encodeBmp() == picture.encodeBmp());
    // The camera window's preview of a grid within the textures at the screen's own size
    // and a positive near limit is the same picture.
    if (round % 3 != 1 || w < scene.width || h < scene.height || w > scene.surface.width() ||
        h > scene.surface.height() || !(s.nearLimit > 0))
      continue;
    CameraPreview preview;
    ASSERT_EQ(preview.prepare(scene.surface, scene.bump, w, h, s), w > 1 && h > 1);
    const DibImage* shown = preview.render(s, int(s.screenWidth), int(s.screenHeight));
    ASSERT_TRUE(w < 2 || h < 2 || (shown && shown->encodeBmp() == picture.encodeBmp()));
  }
}
