// Lighting: one parallel light plus ambient light, flat per triangle.
//
//   cosine     = (n . L) / (|n| |L|), 0 when not positive (facing away, or undefined)
//   brightness = cosine (1 - ambient) + ambient
//   channel'   = trunc(channel x (brightness x factor)), low 8 bits
//
// Only the drawable head of the sorted model is lit: it ends at the first key that is not
// positive.

#include <algorithm>
#include <cmath>

#include "engine/EngineMessages.h"
#include "engine/SplitItems.h"
#include "engine/TerrainRenderer.h"
#include "engine/TerrainStages.h"

namespace {

// trunc(value) reduced to its low 8 bits. Values out of the 64-bit range (all multiples of
// 256 there) and NaN give 0 instead of an undefined conversion.
std::uint32_t truncatedLowByte(double value) {
  constexpr double kLimit = 9223372036854775808.0;  // 2^63
  if (!(value > -kLimit && value < kLimit)) return 0;
  return static_cast<std::uint32_t>(static_cast<std::int64_t>(value)) & 0xFFu;
}

}  // namespace

LightSetup LightSetup::fromSettings(const RenderSettings& settings) {
  const Vec3 d = settings.lightDirection;
  return {d, std::sqrt(d.z * d.z + d.y * d.y + d.x * d.x), settings.lightColor, settings.ambient};
}

Color litColor(Color c, double nx, double ny, double nz, const LightSetup& light) {
  const Vec3& l = light.direction;
  double cosine =
      (nz * l.z + ny * l.y + nx * l.x) / (std::sqrt(nz * nz + ny * ny + nx * nx) * light.length);
  if (!(cosine > 0)) cosine = 0.0;
  const double brightness = cosine * (1 - light.ambient) + light.ambient;
  const std::uint32_t red = truncatedLowByte(redOf(c) * (brightness * light.factor.x));
  const std::uint32_t green = truncatedLowByte(greenOf(c) * (brightness * light.factor.y));
  const std::uint32_t blue = truncatedLowByte(blueOf(c) * (brightness * light.factor.z));
  return makeColor(red, green, blue);  // each already reduced to 8 bits
}

std::uint32_t drawableHead(const TerrainModel& model) {
  std::uint32_t k = 0;
  while (k < model.triangleCount && model.keys[k] > 0) ++k;
  return k;
}

bool lightTerrain(TerrainModel& model, const LightSetup& light, StageRun& run) {
  return lightLeadingTriangles(model, drawableHead(model), light, run);
}

bool lightLeadingTriangles(TerrainModel& model, std::uint32_t head, const LightSetup& light,
                           StageRun& run) {
  TerrainTriangle* triangles = model.triangles.get();
  auto lightOne = [&](std::uint32_t i) {
    const TerrainModel::Corners c = model.corners(triangles[i].cell);
    double nx, ny, nz;
    triangleNormal(model.cornerPosition(c, 0), model.cornerPosition(c, 1),
                   model.cornerPosition(c, 2), nx, ny, nz);
    triangles[i].color = litColor(triangles[i].color, nx, ny, nz, light);
  };
  return runItemsSplit(run, head, lightOne);
}

bool TerrainRenderer::applyLighting() {
  if (settings.ambient == 1.0 || framesLit_) return true;  // fully lit, or lit already
  StageRun run(feedback(), engine_text::kLighting, engine_text::kRenderingCancelled, polygonCount_);
  if (!lightTerrain(model_, LightSetup::fromSettings(settings), run)) return false;
  run.finish();
  return true;
}
