// The render engine on large terrains: each stage alone and the whole pipeline, for seeded
// random hills of 257², 1025² and 4097² grid points seen obliquely at 1920 x 1080.
// Counters: triangles built, triangles per second, and the process's peak memory so far
// (ru_maxrss; run one size alone with --benchmark_filter to read its own peak).

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdint>
#include <map>
#include <memory>
#include <random>
#include <vector>

#include "engine/TerrainRenderer.h"
#include "raster/DibImage.h"

namespace {

struct Textures {
  DibImage surface;
  DibImage bump;
};

// Value noise: seeded random heights on coarse lattices, bilinearly interpolated and summed
// over octaves, so the terrain has hills rather than one-pixel spikes.
std::vector<double> hills(int size, std::uint32_t seed) {
  std::vector<double> height(static_cast<std::size_t>(size) * size, 0.0);
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  double amplitude = 0.5;
  for (int cell = 256; cell >= 4; cell /= 4) {
    const int lattice = size / cell + 2;
    std::vector<double> corner(static_cast<std::size_t>(lattice) * lattice);
    for (double& c : corner) c = unit(random);
    for (int y = 0; y < size; ++y) {
      const int gy = y / cell;
      const double fy = static_cast<double>(y % cell) / cell;
      for (int x = 0; x < size; ++x) {
        const int gx = x / cell;
        const double fx = static_cast<double>(x % cell) / cell;
        const double* row0 = &corner[static_cast<std::size_t>(gy) * lattice];
        const double* row1 = row0 + lattice;
        const double top = row0[gx] * (1 - fx) + row0[gx + 1] * fx;
        const double bottom = row1[gx] * (1 - fx) + row1[gx + 1] * fx;
        height[static_cast<std::size_t>(y) * size + x] +=
            amplitude * (top * (1 - fy) + bottom * fy);
      }
    }
    amplitude *= 0.5;
  }
  return height;
}

const Textures& texturesOf(int size) {
  static std::map<int, std::unique_ptr<Textures>> cache;
  auto& entry = cache[size];
  if (!entry) {
    entry = std::make_unique<Textures>();
    const std::vector<double> h = hills(size, 20240601u + static_cast<std::uint32_t>(size));
    entry->bump.create(size, size);
    entry->surface.create(size, size);
    Color* bump = entry->bump.pixels();
    Color* surface = entry->surface.pixels();
    for (std::size_t i = 0; i < h.size(); ++i) {
      const auto v = static_cast<std::uint32_t>(h[i] * 255.0 / 0.9375) & 0xFFu;
      bump[i] = makeColor(v, v, v);
      surface[i] = makeColor(60 + v / 2, 150 - v / 3, 40 + v / 4);
    }
  }
  return *entry;
}

void configure(TerrainRenderer& r, int size) {
  r.settings.screenWidth = 1920;
  r.settings.screenHeight = 1080;
  r.settings.distance = 1440.0;  // the default field of view, scaled to 1920 pixels
  r.settings.viewpoint = {-200.0, -200.0, 300.0};
  r.settings.lookAt = {size / 2.0, size / 2.0, 0.0};
  r.settings.emphasisRate = 0.25;
  r.drawCount = 0xFFFFFFFFu;
}

enum Stage { kBuild, kAverage, kTransform, kSort, kLight, kDraw, kStageCount };

bool runStage(TerrainRenderer& r, Stage stage, const Textures& t) {
  switch (stage) {
    case kBuild:
      return r.buildMesh(MeshPurpose::Rendering, t.surface, t.bump, t.bump.width(),
                         t.bump.height());
    case kAverage:
      return r.averageColors();
    case kTransform:
      return r.transformVertices();
    case kSort:
      return r.sortPolygons();
    case kLight:
      return r.applyLighting();
    case kDraw:
      if (!r.createScreen()) return false;
      r.drawToEnd();
      return true;
    default:
      return false;
  }
}

void reportCounters(benchmark::State& state, std::uint32_t triangles) {
  state.counters["triangles"] = triangles;
  state.counters["triangles/s"] =
      benchmark::Counter(triangles, benchmark::Counter::kIsIterationInvariantRate);
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// One stage timed; the stages before it run untimed.
void BM_Stage(benchmark::State& state) {
  const int size = static_cast<int>(state.range(0));
  const auto stage = static_cast<Stage>(state.range(1));
  const Textures& t = texturesOf(size);
  std::uint32_t triangles = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto r = std::make_unique<TerrainRenderer>();
    configure(*r, size);
    for (int s = 0; s < stage; ++s) runStage(*r, static_cast<Stage>(s), t);
    state.ResumeTiming();
    benchmark::DoNotOptimize(runStage(*r, stage, t));
    state.PauseTiming();
    triangles = r->polygonCount();
    r.reset();
    state.ResumeTiming();
  }
  reportCounters(state, triangles);
  static const char* const names[kStageCount] = {"buildMesh", "averageColors", "transform",
                                                 "sort",      "applyLighting", "createScreen+draw"};
  state.SetLabel(names[stage]);
}

// Every stage and the full drawing, as one rendering.
void BM_Pipeline(benchmark::State& state) {
  const int size = static_cast<int>(state.range(0));
  const Textures& t = texturesOf(size);
  std::uint32_t triangles = 0;
  for (auto _ : state) {
    auto r = std::make_unique<TerrainRenderer>();
    configure(*r, size);
    for (int s = 0; s < kStageCount; ++s) runStage(*r, static_cast<Stage>(s), t);
    triangles = r->polygonCount();
    r->finishRendering();
  }
  reportCounters(state, triangles);
}

void stageArgs(benchmark::internal::Benchmark* b, int size) {
  for (int stage = 0; stage < kStageCount; ++stage) b->Args({size, stage});
}

}  // namespace

BENCHMARK(BM_Stage)->Apply([](auto* b) { stageArgs(b, 257); }) -> Unit(benchmark::kMillisecond)
    -> Iterations(10);
BENCHMARK(BM_Stage)->Apply([](auto* b) { stageArgs(b, 1025); }) -> Unit(benchmark::kMillisecond)
    -> Iterations(3);
BENCHMARK(BM_Stage)->Apply([](auto* b) { stageArgs(b, 4097); }) -> Unit(benchmark::kMillisecond)
    -> Iterations(1);
BENCHMARK(BM_Pipeline)->Arg(257)->Arg(1025)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Pipeline)->Arg(4097)->Unit(benchmark::kMillisecond)->Iterations(2);
