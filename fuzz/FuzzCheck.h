#pragma once
// FuzzCheck: what the fuzz targets use to state what must hold after a parse. Unlike
// assert it stays on in optimised builds and names the failed condition before aborting,
// so libFuzzer records the input as a crash. Also a bitwise comparison of settings, since
// a document may hold NaN, which == never finds equal to itself.

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "settings/RenderSettings.h"

#define FUZZ_CHECK(condition)                                                            \
  do {                                                                                   \
    if (!(condition)) {                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                      \
    }                                                                                    \
  } while (false)

// Same bits in every field (NaN equals NaN, 0.0 differs from -0.0).
inline bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }
inline bool sameBits(const Vec3& a, const Vec3& b) {
  return sameBits(a.x, b.x) && sameBits(a.y, b.y) && sameBits(a.z, b.z);
}
inline bool sameBits(const RenderSettings& a, const RenderSettings& b) {
  return a.screenWidth == b.screenWidth && a.screenHeight == b.screenHeight &&
         sameBits(a.distance, b.distance) && sameBits(a.nearLimit, b.nearLimit) &&
         sameBits(a.viewpoint, b.viewpoint) && sameBits(a.lookAt, b.lookAt) &&
         sameBits(a.lightDirection, b.lightDirection) && sameBits(a.lightColor, b.lightColor) &&
         sameBits(a.ambient, b.ambient) && a.sliceEnabled == b.sliceEnabled &&
         a.sliceMin == b.sliceMin && a.sliceMax == b.sliceMax &&
         a.subdivisionMode == b.subdivisionMode && sameBits(a.emphasisRate, b.emphasisRate) &&
         a.wireframe == b.wireframe;
}
