// DXF export speed for the 1025 x 1025 terrain (2.1 million triangles, about 440 MB of
// text): the formatting alone into memory, and the whole export (mesh, formatting,
// writing, fsync and rename) into a file. Reports MB/s (bytes_per_second) and triangles
// per second (items_per_second). Goal: at least 100 MB/s on one core.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include "engine/TerrainRenderer.h"
#include "export/DxfExport.h"
#include "export/DxfFormat.h"

namespace {

constexpr int kSide = 1025;

// Random but seeded heights and colours.
void makeTextures(DibImage& surface, DibImage& bump) {
  std::mt19937 random(1025);
  surface.create(kSide, kSide);
  bump.create(kSide, kSide);
  for (int i = 0; i < kSide * kSide; ++i) {
    bump.pixels()[i] = makeColor(random() % 256, 0, 0);
    surface.pixels()[i] = random() & 0xFFFFFFu;
  }
}

void BM_FormatDxfFaces(benchmark::State& state) {
  DibImage surface;
  DibImage bump;
  makeTextures(surface, bump);
  TerrainRenderer renderer;
  renderer.buildMesh(MeshPurpose::DxfExport, surface, bump, kSide, kSide);
  const std::uint32_t count = renderer.polygonCount();

  constexpr std::size_t kChunk = 256 * 1024;
  auto chunk = std::make_unique<char[]>(kChunk);
  std::uint64_t bytes = 0;
  for (auto _ : state) {
    std::size_t used = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
      if (used + kMaxDxfFaceBytes > kChunk) {
        benchmark::DoNotOptimize(chunk.get());
        bytes += used;
        used = 0;
      }
      used += formatDxfFace(renderer.polygon(i), chunk.get() + used);
    }
    bytes += used;
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * count);
}
BENCHMARK(BM_FormatDxfFaces)->Unit(benchmark::kMillisecond);

void BM_ExportDxfFile(benchmark::State& state) {
  DibImage surface;
  DibImage bump;
  makeTextures(surface, bump);
  SilentFeedback feedback;
  TerrainRenderer renderer;
  const std::string path =
      (std::filesystem::temp_directory_path() / "qn_bench_export.dxf").string();
  std::uint64_t bytes = 0;
  for (auto _ : state) {
    if (exportDxf(renderer, surface, bump, path, feedback) != DxfExportResult::Written) {
      state.SkipWithError("export failed");
      break;
    }
    bytes += std::filesystem::file_size(path);
  }
  std::filesystem::remove(path);
  state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * 2 * (kSide - 1) *
                          (kSide - 1));
}
// Wall-clock time: the file, its fsync and the rename are part of the cost.
BENCHMARK(BM_ExportDxfFile)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace
