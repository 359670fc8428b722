// Raster throughput: triangles per second for the renderer's typical small (about one
// pixel) and medium (about 100 pixels) triangles, in one colour and outlined, and BMP
// encode/decode speed for a 4096 x 4096 24-bit picture in memory and through files.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "raster/DibImage.h"
#include "raster/DrawSurface.h"

namespace {

constexpr int kScreenWidth = 1024;
constexpr int kScreenHeight = 768;
constexpr int kPictureSide = 4096;

struct Triangle {
  int x0, y0, x1, y1, x2, y2;
  Color color;
};

// Grid-cell halves of the given size scattered over the screen, some partly off it. Mixed:
// either half of the cell with its corners in any order, as a projected terrain gives them.
std::vector<Triangle> makeTriangles(int size, std::size_t count, bool mixed = false) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> x(-size, kScreenWidth), y(-size, kScreenHeight);
  std::uniform_int_distribution<int> jitter(0, 1);
  std::vector<Triangle> triangles(count);
  for (Triangle& t : triangles) {
    const int left = x(random), top = y(random);
    const int right = left + size + jitter(random);
    const int bottom = top + size + jitter(random);
    t = {left, top, right, top, left, bottom, static_cast<Color>(random() & 0xFFFFFF)};
    if (!mixed) continue;
    if (jitter(random) != 0) t.x0 += size, t.y0 += size;  // the cell's other half
    std::array<std::pair<int, int>, 3> corners{{{t.x0, t.y0}, {t.x1, t.y1}, {t.x2, t.y2}}};
    std::shuffle(corners.begin(), corners.end(), random);
    std::tie(t.x0, t.y0) = corners[0];
    std::tie(t.x1, t.y1) = corners[1];
    std::tie(t.x2, t.y2) = corners[2];
  }
  return triangles;
}

// Pen in the brush's colour, as the renderer draws normally; outlined in grey as in its
// wireframe mode.
void drawTriangles(benchmark::State& state, int size, bool mixed, bool outlined) {
  DibImage screen;
  screen.create(kScreenWidth, kScreenHeight);
  DrawSurface surface;
  screen.attachSurface(surface);
  const auto triangles = makeTriangles(size, 1 << 16, mixed);
  std::size_t index = 0;
  for (auto _ : state) {
    const Triangle& t = triangles[index++ & 0xFFFF];
    surface.drawTriangle(t.x0, t.y0, t.x1, t.y1, t.x2, t.y2, 1, outlined ? 0x808080u : t.color,
                         t.color);
  }
  benchmark::DoNotOptimize(screen.pixels());
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}

// Legs of 1 give triangles of about one pixel; legs of 14 about 100 pixels.
void BM_TriangleSmall(benchmark::State& state) { drawTriangles(state, 1, false, false); }
void BM_TriangleMedium(benchmark::State& state) { drawTriangles(state, 14, false, false); }
// Legs of 2 or 3, both halves, corners in any order: the renderer's usual triangle.
void BM_TriangleSmallMixed(benchmark::State& state) { drawTriangles(state, 2, true, false); }
void BM_TriangleSmallOutlined(benchmark::State& state) { drawTriangles(state, 1, false, true); }
void BM_TriangleMediumOutlined(benchmark::State& state) { drawTriangles(state, 14, false, true); }

DibImage makePicture() {
  DibImage picture;
  picture.create(kPictureSide, kPictureSide);
  std::mt19937 random(3);
  for (int i = 0; i < kPictureSide * kPictureSide; ++i) picture.pixels()[i] = random() & 0xFFFFFF;
  return picture;
}

void BM_BmpEncodeMemory(benchmark::State& state) {
  const DibImage picture = makePicture();
  std::size_t bytes = 0;
  for (auto _ : state) {
    const auto encoded = picture.encodeBmp();
    bytes = encoded.size();
    benchmark::DoNotOptimize(encoded.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

void BM_BmpDecodeMemory(benchmark::State& state) {
  const auto encoded = makePicture().encodeBmp();
  DibImage loaded;
  for (auto _ : state) {
    loaded.loadFromMemory(encoded.data(), encoded.size());
    benchmark::DoNotOptimize(loaded.pixels());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * encoded.size()));
}

std::string benchFile() {
  return (std::filesystem::temp_directory_path() / "qn_bench_raster.bmp").string();
}

void BM_BmpWriteFile(benchmark::State& state) {
  const DibImage picture = makePicture();
  const std::string path = benchFile();
  for (auto _ : state) {
    if (!picture.writeFile(path)) state.SkipWithError("write failed");
  }
  state.SetBytesProcessed(
      static_cast<std::int64_t>(state.iterations() * picture.encodeBmp().size()));
  std::remove(path.c_str());
}

void BM_BmpLoadFile(benchmark::State& state) {
  const DibImage picture = makePicture();
  const std::string path = benchFile();
  picture.writeFile(path);
  DibImage loaded;
  for (auto _ : state) {
    if (!loaded.load(path)) state.SkipWithError("load failed");
  }
  state.SetBytesProcessed(
      static_cast<std::int64_t>(state.iterations() * std::filesystem::file_size(path)));
  std::remove(path.c_str());
}

}  // namespace

BENCHMARK(BM_TriangleSmall);
BENCHMARK(BM_TriangleMedium);
BENCHMARK(BM_TriangleSmallMixed);
BENCHMARK(BM_TriangleSmallOutlined);
BENCHMARK(BM_TriangleMediumOutlined);
BENCHMARK(BM_BmpEncodeMemory)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BmpDecodeMemory)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BmpWriteFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BmpLoadFile)->Unit(benchmark::kMillisecond);
