// The engine against a plain, slow pipeline of full triangle records, each stage written as simply
// as it can be: on seeded random scenes the records, each stage's window and the screen are equal.

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <random>

#include "TerrainFixtures.h"
#include "engine/CameraPreview.h"
#include "engine/DepthSort.h"
#include "engine/ViewCamera.h"
#include "raster/DrawSurface.h"

using namespace terrain_test;

namespace {

using Records = std::vector<TerrainPolygon>;

// The depth sort written plainly: middle pivot moved to the front, Hoare's loop, far keys
// first, recursion on the left part. The engine must give equal keys exactly its order.
template <class Key, class Swap>
void referenceQuicksort(const Key& key, const Swap& swap, long lo, long hi) {
  while (lo < hi) {
    swap(lo, (lo + hi) / 2);
    const double x = key(lo);
    long i = lo, j = hi + 1;
    for (;;) {
      for (++i; i <= hi && key(i) > x;) ++i;
      for (--j; key(j) < x;) --j;
      if (i >= j) break;
      swap(i, j);
    }
    swap(lo, j);
    referenceQuicksort(key, swap, lo, j - 1);
    lo = j + 1;
  }
}

struct Scene {
  DibImage surface, bump;
  int width, height;  // the grid asked for
  RenderSettings settings;
  std::uint32_t drawCount;
};

// The size asked for within the bump, and the surface unless wireframe (corners white).
std::pair<int, int> gridOf(const Scene& c) {
  const bool wire = c.settings.wireframe != 0;
  return {std::min({c.width, c.bump.width(), wire ? c.width : c.surface.width()}),
          std::min({c.height, c.bump.height(), wire ? c.height : c.surface.height()})};
}

Records referenceMesh(const Scene& scene) {
  const RenderSettings& s = scene.settings;
  const auto [w, h] = gridOf(scene);
  const int px[] = {0, 0, 1, 1}, py[] = {1, 0, 0, 1};                  // P0 .. P3 of a cell
  const int corners[2][6] = {{1, 2, 3, 3, 0, 1}, {0, 1, 2, 2, 3, 0}};  // split B, split A
  const float* fine = scene.bump.fineHeights();
  Records out;
  for (int y = 0; y + 1 < h; ++y)
    for (int x = 0; x + 1 < w; ++x) {
      const auto z = [&](int p) {  // the fine height when the bump has them, else red
        const std::size_t i = std::size_t(y + py[p]) * scene.bump.width() + x + px[p];
        return fine ? double(fine[i]) : double(scene.bump.pixels()[i] & 0xFFu);
      };
      const bool splitA = s.subdivisionMode == 0 ? std::abs(z(0) - z(2)) <= std::abs(z(1) - z(3))
                                                 : s.subdivisionMode == 1;
      for (int t = 0; t < 6; t += 3) {
        TerrainVertex v[3];
        bool kept = true;  // not with a corner without data (NaN) or outside the slice
        for (int k = 0; k < 3; ++k) {
          const int p = corners[splitA][t + k], gx = x + px[p], gy = y + py[p];
          const Color c =
              s.wireframe ? kWhite : scene.surface.pixels()[gy * scene.surface.width() + gx];
          v[k] = {double(gx), double(gy), z(p) * s.emphasisRate, c};
          kept = kept &&
                 (s.sliceEnabled ? z(p) >= s.sliceMin && z(p) <= s.sliceMax : !std::isnan(z(p)));
        }
        const TerrainVertex &a = v[0], &b = v[1], &c = v[2];
        if (kept)
          out.push_back({{a, b, c},
                         (a.z - b.z) * (c.y - b.y) - (a.y - b.y) * (c.z - b.z),
                         (a.x - b.x) * (c.z - b.z) - (a.z - b.z) * (c.x - b.x),
                         (a.y - b.y) * (c.x - b.x) - (a.x - b.x) * (c.y - b.y)});
      }
    }
  return out;
}

void referenceAverage(Records& r) {
  for (TerrainPolygon& p : r) {
    const auto mean = [&](auto channel) {
      return (channel(p.v[0].color) + channel(p.v[1].color) + channel(p.v[2].color)) / 3;
    };
    p.v[0].color = makeColor(mean(redOf), mean(greenOf), mean(blueOf));
  }
}

void referenceTransform(Records& r, const RenderSettings& s) {
  const ViewCamera camera = ViewCamera::fromSettings(s);
  for (TerrainPolygon& p : r) {
    for (TerrainVertex& v : p.v)
      if (!camera.project(v.x, v.y, v.z, v.x, v.y, v.z)) v.x = v.y = v.z = 0;
    const bool front = p.v[0].z > 0 && p.v[1].z > 0 && p.v[2].z > 0;
    p.v[0].z = front ? (p.v[2].z + p.v[1].z + p.v[0].z) * 0.3333333333333333 : 0.0;
  }
}

void referenceLighting(Records& r, const RenderSettings& s) {
  const auto lowByte = [](double v) {  // of the truncated value; 0 beyond 64 bits
    if (!(v > -9223372036854775808.0 && v < 9223372036854775808.0)) return 0u;
    return std::uint32_t(std::int64_t(v)) & 0xFFu;
  };
  if (s.ambient == 1.0) return;
  const Vec3 l = s.lightDirection, f = s.lightColor;
  const double length = std::sqrt(l.z * l.z + l.y * l.y + l.x * l.x);
  for (std::size_t i = 0; i < r.size() && r[i].v[0].z > 0; ++i) {  // the head of positive keys
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
  return screen;
}

void expectSameRecords(const Records& expected, const TerrainRenderer& r, const char* after) {
  SCOPED_TRACE(after);
  ASSERT_EQ(r.polygonCount(), expected.size());
  const auto bits = [](const TerrainPolygon& p) {  // so that NaN and -0 compare exactly
    std::array<std::uint64_t, 21> b{};             // each corner with the normal
    int n = 0;
    for (const TerrainVertex& v : p.v)
      for (double d : {v.x, v.y, v.z, double(v.color), p.nx, p.ny, p.nz})
        b[n++] = std::bit_cast<std::uint64_t>(d);
    return b;
  };
  for (std::uint32_t i = 0; i < expected.size(); ++i)
    ASSERT_EQ(bits(expected[i]), bits(r.polygon(i))) << "triangle " << i;
}

// The last stage window: its message, position 0, then before every item whose counter (step
// per item) is a multiple of 5000 counter x 100 / total, then 100; one poll per item, closed.
void expectWindow(const RecordingFeedback& f, const char* text, long items, long step, long total) {
  const RecordingFeedback::Window& w = *f.windows.back();
  std::vector<std::pair<int, long long>> expected{{0, 0}}, shown;
  for (long c = 0; c < items * step; c += step)
    if (c % 5000 == 0) expected.push_back({total == 0 ? 0 : int(c * 100 / total), c / step});
  expected.push_back({100, items});
  for (const auto& p : w.positions) shown.push_back({p.position, p.pollsBefore});
  ASSERT_EQ(shown, expected);
  ASSERT_TRUE(w.polls == items && w.messages == std::vector<std::string>{text});
  ASSERT_TRUE(std::count(w.calls.begin(), w.calls.end(), "create") == 1 && f.messages.empty());
  ASSERT_EQ(std::count(w.calls.begin(), w.calls.end(), "destroy"), 1);
}

// Grids beyond or within the textures, fine heights with holes, slices, every split mode,
// wireframe, cameras above, below, beside and inside the terrain, odd values.
Scene randomScene(std::mt19937& random) {
  auto pick = [&](int n) { return int(random() % unsigned(n)); };
  auto real = [&](double lo, double hi) { return lo + (hi - lo) * (random() % 1000000) / 1e6; };
  Scene s;
  const int w = 2 + pick(70), h = 2 + pick(70);
  const int levels = 1 + pick(12), rise = 255 / levels;  // few levels: flat parts, equal keys
  s.bump = makeTexture(w, h, [&](int, int) {             // green and blue are noise, not heights
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
  r.screenWidth = std::uint32_t(40 + pick(200)), r.screenHeight = std::uint32_t(30 + pick(160));
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
  const double odd[] = {kNaN, kInf, 0.0, -0.0, 1e300};
  double* slots[] = {&r.distance, &r.viewpoint.z,      &r.emphasisRate, &r.nearLimit,
                     &r.ambient,  &r.lightDirection.x, &r.lightColor.y};
  if (pick(3) == 0) *slots[pick(7)] = odd[pick(5)];
  return s;
}

// Above a million triangles: the stages share the work with a second thread, the sort too.
Scene largeScene() {
  Scene s;
  s.surface = makeTexture(726, 726, [](int x, int y) { return Color(x * 40503u ^ y * 9973u); });
  s.bump = makeTexture(726, 726, [](int x, int y) { return Color((x * y) % 7); });
  s.width = s.height = 726, s.drawCount = 1u << 20;
  s.settings.viewpoint = {-100, -100, 200}, s.settings.lookAt = {360, 360, 0};
  s.settings.nearLimit = 400.0;  // the near corner of the terrain is dropped
  return s;
}

}  // namespace

TEST(ReferencePipeline, SameRecordsPicturesAndProgressOnRandomScenes) {
  std::mt19937 random(20261207);
  for (int round = 0; round <= 150; ++round) {
    const Scene scene = round < 150 ? randomScene(random) : largeScene();
    const auto& [surface, bump, width, height, s, drawCount] = scene;
    SCOPED_TRACE(testing::Message() << "round " << round);

    Records expected = referenceMesh(scene);
    RecordingFeedback feedback;
    TerrainRenderer r;
    r.setFeedback(&feedback);
    r.settings = s, r.drawCount = drawCount;
    // Every fourth round cancels a stage at its first, last or some item; it stops with a message.
    const int cancelled = round % 4 == 3 ? int(random() % 4) : -1;
    int stage = 0;
    const auto cancels = [&](long items, const auto& call) {
      const bool here = stage++ == cancelled && items > 0;
      const long long poll =
          here ? std::array<long, 3>{1, items, 1 + long(random() % items)}[random() % 3] : 0;
      feedback.cancelAtPoll(poll);
      EXPECT_NE(call(), here);
      if (!here) return false;
      EXPECT_EQ(feedback.messageTexts(), std::vector<std::string>{"レンダリングを中止します。"});
      EXPECT_TRUE(feedback.windows.back()->polls == poll &&
                  feedback.windows.back()->positions.back().position != 100);
      EXPECT_TRUE(feedback.allWindowsClosed() && feedback.messages[0].icon == MessageIcon::Warning);
      r.finishRendering();
      EXPECT_FALSE(r.isDrawing() || r.hasModel());
      return true;
    };
    const auto cells = [](int w, int h) { return w < 2 || h < 2 ? 0 : long(w - 1) * (h - 1); };
    const auto [w, h] = gridOf(scene);
    if (cancels(cells(w, h),
                [&] { return r.buildMesh(MeshPurpose::Rendering, surface, bump, width, height); }))
      continue;
    expectSameRecords(expected, r, "subdivision");
    expectWindow(feedback, "曲面分割をおこなっています。", cells(w, h), 2,
                 2 * cells(width, height));

    const long n = long(expected.size());
    if (s.wireframe == 0) referenceAverage(expected);
    if (cancels(s.wireframe == 0 ? n : 0, [&] { return r.averageColors(); })) continue;
    expectSameRecords(expected, r, "colour averaging");
    // Nothing to average in wireframe, nothing to light at ambient 1: no window.
    if (s.wireframe == 0) expectWindow(feedback, "色補完をおこなっています。", n, 1, n);

    referenceTransform(expected, s);
    if (cancels(n, [&] { return r.transformVertices(); })) continue;
    expectSameRecords(expected, r, "transform");
    expectWindow(feedback, "頂点移動をおこなっています。", n, 1, n);

    referenceQuicksort([&](long i) { return expected[i].v[0].z; },
                       [&](long i, long j) { std::swap(expected[i], expected[j]); }, 0, n - 1);
    ASSERT_TRUE(r.sortPolygons());
    expectSameRecords(expected, r, "sort");  // equal keys in the quicksort's order
    const std::vector<std::string> busy{"create", "message:ソートをおこなっています。", "busy",
                                        "destroy"};  // neither followed nor cancelled
    ASSERT_TRUE(feedback.windows.back()->calls == busy && feedback.windows.back()->polls == 0);

    long head = 0;  // the triangles lit
    while (head < n && expected[head].v[0].z > 0) ++head;
    referenceLighting(expected, s);
    if (cancels(s.ambient != 1.0 ? head : 0, [&] { return r.applyLighting(); })) continue;
    expectSameRecords(expected, r, "lighting");
    if (s.ambient != 1.0) expectWindow(feedback, "光源処理をおこなっています。", head, 1, n);
    ASSERT_EQ(feedback.windows.size(), (s.wireframe == 0 ? 4u : 3u) + (s.ambient != 1.0));
    ASSERT_TRUE(round < 150 || (head > n / 2 && head < n));

    ASSERT_TRUE(r.createScreen());
    for (std::uint64_t k = 1; r.isDrawing(); ++k) {  // drawCount a step, up to the first key 0
      r.drawStep();
      ASSERT_EQ(r.drawPosition(), k * drawCount <= std::uint64_t(head) ? k * drawCount : n);
    }
    const DibImage picture = referencePicture(expected, s);  // size and pixels
    ASSERT_TRUE(r.screen().encodeBmp() == picture.encodeBmp());
    // The preview (near limit above 0) is this picture in any box, after another camera too.
    if (round % 3 != 1 || !(s.nearLimit > 0)) continue;
    CameraPreview preview;
    const bool fits = w == width && h == height && w > 1 && h > 1 && w <= surface.width() &&
                      h <= surface.height();  // a grid beyond a texture is refused
    ASSERT_EQ(preview.prepare(surface, bump, width, height, s), fits);
    EXPECT_EQ(preview.render(s, fits ? 0 : 50, 50), nullptr);  // nothing prepared, or no box
    if (!fits) continue;
    RenderSettings other = s;
    other.viewpoint.z += 100;
    EXPECT_NE(preview.render(other, 1, 1), nullptr);
    const DibImage* shown = preview.render(s, int(s.screenWidth), int(s.screenHeight) + 9);
    ASSERT_TRUE(shown && shown->encodeBmp() == picture.encodeBmp());
  }
}

// Against the quicksort: keys with ties, zeros, NaN, -0 and infinities; a million keys in
// order, reversed and equal (no deep recursion); keys above the two-thread threshold.
TEST(DepthSort, MatchesTheQuicksortOnTiesOddKeysOrderedKeysAndTwoThreads) {
  const double odd[] = {kNaN, -0.0, 0.0, kInf, -kInf, 5.0, 1e-300, -3.0};
  // Key bits, cell (2 x first position + 1) and colour, in sorted order.
  const auto sorted = [](std::vector<double> k, bool reference) {
    std::vector<TerrainTriangle> t(k.size());
    for (std::size_t i = 0; i < k.size(); ++i) t[i] = {std::uint32_t(i * 2 + 1), Color(i * 7)};
    const auto swap = [&](long i, long j) { std::swap(k[i], k[j]), std::swap(t[i], t[j]); };
    if (reference) referenceQuicksort([&](long i) { return k[i]; }, swap, 0, long(k.size()) - 1);
    if (!reference) sortTrianglesByDepth(k.data(), t.data(), k.size());
    std::vector<std::array<std::uint64_t, 3>> out;
    for (std::size_t i = 0; i < k.size(); ++i)
      out.push_back({std::bit_cast<std::uint64_t>(k[i]), t[i].cell, t[i].color});
    return out;
  };
  std::mt19937 random(12345);
  for (int round = 0; round < 304; ++round) {
    const std::size_t n =
        round < 300 ? random() % (round % 3 ? 60 : 6000) : 1200000 - 200000 * (round < 303);
    const unsigned oddShare = random() % 4;
    std::vector<double> keys(n);
    for (std::size_t i = 0; i < n; ++i)
      keys[i] = round == 300              ? double(i)
                : round == 301            ? double(n - i)
                : round == 302            ? 7.0
                : random() % 4 < oddShare ? odd[random() % 8]
                                          : double(random() % 300);
    SCOPED_TRACE(testing::Message() << "round " << round << ", size " << n);
    ASSERT_EQ(sorted(keys, false), sorted(keys, true));
  }
}

// The coarse step keeps every side within the preview grid; a coarse grid (every third point
// on 700 x 700) paints the terrain where the rendering paints it.
TEST(CameraPreview, CoarseGridFitsThePreviewAndShowsTheTerrainWhereTheRenderingPaintsIt) {
  const int steps[][3] = {{2, 2, 1},     {257, 100, 1},   {258, 258, 2},    {513, 20, 2},
                          {514, 514, 3}, {1025, 1025, 4}, {8193, 4097, 32}, {16384, 16384, 64}};
  for (const auto& [w, h, expected] : steps) {
    const int step = CameraPreview::coarseStep(w, h);
    EXPECT_EQ(step, expected) << w;
    EXPECT_LE((std::max(w, h) - 1) / step + 1, CameraPreview::kPreviewSide) << w;
  }
  const DibImage surface = gradientTexture(700, 700),
                 bump = makeBump(700, 700, [](int x, int y) {
                   return int(128 + 100 * std::sin(9.0 * x / 700) * std::cos(7.0 * y / 700));
                 });
  TerrainRenderer r;
  r.settings.viewpoint = {-350, 1050, 120}, r.settings.lookAt = {560, 350, 10};
  r.settings.emphasisRate = 0.3;
  CameraPreview preview;
  EXPECT_FALSE(preview.prepare(DibImage(), bump, 700, 700, r.settings));  // no surface
  ASSERT_TRUE(renderAll(r, surface, bump) && preview.prepare(surface, bump, 700, 700, r.settings));
  const DibImage* picture = preview.render(r.settings, 640, 480);  // twice the screen
  ASSERT_TRUE(preview.step() == 3 && picture && picture->width() == 640);
  const Color *full = r.screen().pixels(), *coarse = picture->pixels();
  int painted = 0, differ = 0;  // painted in the rendering; painted in one picture only
  for (int i = 0; i < 320 * 240; ++i)
    painted += full[i] != full[0],
        differ += (full[i] != full[0]) != (coarse[i / 320 * 1280 + i % 320 * 2] != coarse[0]);
  EXPECT_TRUE(painted > 2000 && differ < painted / 16) << painted << " " << differ;
}
