// Lighting: one parallel light plus ambient light, flat per triangle.
//
//   cosine     = (n . L) / (|n| |L|), 0 when not positive (facing away, or undefined)
//   brightness = cosine (1 - ambient) + ambient
//   channel'   = trunc(channel x (brightness x factor)), low 8 bits
//
// Only the drawable head of the sorted array is lit: the loop ends at the first key that is
// not positive.

#include <algorithm>
#include <cmath>

#include "engine/EngineMessages.h"
#include "engine/SplitItems.h"
#include "engine/StageRun.h"
#include "engine/TerrainRenderer.h"

namespace {

// trunc(value) reduced to its low 8 bits. Values out of the 64-bit range (all multiples of
// 256 there) and NaN give 0 instead of an undefined conversion.
std::uint32_t truncatedLowByte(double value) {
  constexpr double kLimit = 9223372036854775808.0;  // 2^63
  if (!(value > -kLimit && value < kLimit)) return 0;
  return static_cast<std::uint32_t>(static_cast<std::int64_t>(value)) & 0xFFu;
}

}  // namespace

bool TerrainRenderer::applyLighting() {
  const double ambient = settings.ambient;
  if (ambient == 1.0) return true;  // every triangle fully lit: colours stay

  const Vec3 light = settings.lightDirection;
  const Vec3 factor = settings.lightColor;
  const double lightLength = std::sqrt(light.z * light.z + light.y * light.y + light.x * light.x);
  const std::uint32_t total = usableCount();
  StageRun run(feedback(), engine_text::kLighting, engine_text::kRenderingCancelled, polygonCount_);
  TerrainPolygon* polygons = polygons_.get();
  auto lightOne = [&](std::uint32_t i) {
    TerrainPolygon& p = polygons[i];
    double cosine = (p.nz * light.z + p.ny * light.y + p.nx * light.x) /
                    (std::sqrt(p.nz * p.nz + p.ny * p.ny + p.nx * p.nx) * lightLength);
    if (!(cosine > 0)) cosine = 0.0;
    const double brightness = cosine * (1 - ambient) + ambient;
    const Color c = p.v[0].color;
    const std::uint32_t red = truncatedLowByte(redOf(c) * (brightness * factor.x));
    const std::uint32_t green = truncatedLowByte(greenOf(c) * (brightness * factor.y));
    const std::uint32_t blue = truncatedLowByte(blueOf(c) * (brightness * factor.z));
    p.v[0].color = makeColor(red, green, blue);  // each already reduced to 8 bits
  };
  if (drawableKnown_) {
    // The sort has counted the drawable head: its items can be shared out.
    const auto drawable =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(drawableCount_, total));
    if (!runItemsSplit(run, drawable, lightOne)) return false;
  } else {
    for (std::uint32_t i = 0; i < total && polygons[i].v[0].z > 0; ++i) {
      if (!run.beforeItem(i)) return false;
      lightOne(i);
    }
  }
  run.finish();
  return true;
}
