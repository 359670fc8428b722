#pragma once
// Seeded random hills of any size as bump and surface textures, made once per size and
// kept for the process: the benchmarks' terrains. Benchmark code only.

#include <cstdint>
#include <map>
#include <memory>
#include <random>
#include <vector>

#include "raster/DibImage.h"

namespace bench_terrain {

struct Textures {
  DibImage surface;
  DibImage bump;
};

// Value noise: seeded random heights on coarse lattices, bilinearly interpolated and summed
// over octaves, so the terrain has hills rather than one-pixel spikes.
inline std::vector<double> hills(int size, std::uint32_t seed) {
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

inline const Textures& texturesOf(int size) {
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

}  // namespace bench_terrain
