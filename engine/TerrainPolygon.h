#pragma once
// The triangle records of the terrain model, shared by every stage and the DXF export.
// A triangle's flat colour lives in v[0].color (after colour averaging and lighting)
// and its depth key in v[0].z (after the transform): every stage relies on this.

#include <cstdint>

struct TerrainVertex {
  double x;             // terrain column; after the transform, screen x in pixels
  double y;             // terrain row (downwards); after the transform, screen y
  double z;             // height (bump x emphasis); after the transform, depth
  std::uint32_t color;  // colour value, red in the low byte
};

struct TerrainPolygon {
  TerrainVertex v[3];
  double nx, ny, nz;  // (v[2] - v[1]) x (v[0] - v[1]) in terrain coordinates, not normalised
};
