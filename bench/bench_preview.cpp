// The camera window's preview: one picture per camera at the window's first size (640 x 480)
// while the camera turns, for the sample and for seeded hills up to 8193² grid points (drawn
// on the preview's coarse grid). Counters: the grid step, the triangles of the preview's
// model, and the milliseconds the window waits to open (building that model).

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <string>

#include "BenchTerrains.h"
#include "document/DocumentModel.h"
#include "engine/CameraPreview.h"

namespace {

constexpr int kBoxWidth = 640, kBoxHeight = 480;

RenderSettings obliqueCamera(int size) {
  RenderSettings s;
  s.screenWidth = 640;
  s.screenHeight = 480;
  s.distance = 480.0;
  s.viewpoint = {-0.3 * size, -0.3 * size, 0.5 * size};
  s.lookAt = {size / 2.0, size / 2.0, 0.0};
  return s;
}

void turnAndRender(benchmark::State& state, CameraPreview& preview, RenderSettings camera) {
  const double cx = camera.lookAt.x, cy = camera.lookAt.y;
  const double dx = camera.viewpoint.x - cx, dy = camera.viewpoint.y - cy;
  int frame = 0;
  for (auto _ : state) {
    const double angle = 0.05 * frame++;  // a new camera every picture, as a drag gives
    camera.viewpoint.x = cx + dx * std::cos(angle) - dy * std::sin(angle);
    camera.viewpoint.y = cy + dx * std::sin(angle) + dy * std::cos(angle);
    benchmark::DoNotOptimize(preview.render(camera, kBoxWidth, kBoxHeight));
  }
  state.counters["step"] = preview.step();
}

double prepareMs(CameraPreview& preview, const DibImage& surface, const DibImage& bump,
                 const RenderSettings& settings) {
  const auto start = std::chrono::steady_clock::now();
  preview.prepare(surface, bump, std::min(surface.width(), bump.width()),
                  std::min(surface.height(), bump.height()), settings);
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

void BM_PreviewSample(benchmark::State& state) {
  DocumentModel document;
  if (document.readFile(QN_SOURCE_DIR "/examples/sample.qnf") != DocumentReadResult::Read) {
    state.SkipWithError("the sample did not read");
    return;
  }
  CameraPreview preview;
  const double opening =
      prepareMs(preview, document.surfaceImage, document.bumpImage, document.renderer.settings);
  turnAndRender(state, preview, document.renderer.settings);
  state.counters["open_ms"] = opening;
}
BENCHMARK(BM_PreviewSample)->Unit(benchmark::kMillisecond);

void BM_PreviewHills(benchmark::State& state) {
  const int size = static_cast<int>(state.range(0));
  const bench_terrain::Textures& t = bench_terrain::texturesOf(size);
  CameraPreview preview;
  const double opening = prepareMs(preview, t.surface, t.bump, obliqueCamera(size));
  turnAndRender(state, preview, obliqueCamera(size));
  state.counters["open_ms"] = opening;
}
BENCHMARK(BM_PreviewHills)->Arg(1025)->Arg(4097)->Arg(8193)->Unit(benchmark::kMillisecond);

}  // namespace
