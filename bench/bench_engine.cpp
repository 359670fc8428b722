// The render engine on large terrains: each stage alone and the whole pipeline, for seeded
// random hills of 257², 1025² and 4097² grid points seen obliquely at 1920 x 1080.
// Counters: triangles built, triangles per second, and the process's peak memory so far
// (ru_maxrss; run one size alone with --benchmark_filter to read its own peak).

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdint>
#include <memory>

#include "BenchTerrains.h"
#include "engine/TerrainRenderer.h"

namespace {

using bench_terrain::Textures;
using bench_terrain::texturesOf;

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
