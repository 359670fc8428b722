#pragma once
// IndexedMesh: the terrain mesh as shared vertices and triangles of vertex indices, for the
// exports of today's 3-D formats, and its optional simplification (meshoptimizer). It owns
// plain arrays; it reads the model once and never touches the engine afterwards.
//
// Coordinates stay in terrain axes (x the column, y the row downwards, z the height times
// the emphasis); each format maps them to its own axes (MeshFormats.h). The triangles of
// the model are wound clockwise in those axes seen from above (they are a mirror image of
// the right-handed frames of the formats), so the indices keep each triangle's corners in
// the order a, c, b: counter-clockwise seen from above once mapped, normals up.

#include <cstdint>
#include <vector>

#include "engine/TerrainModel.h"
#include "raster/Color.h"

struct IndexedMesh {
  std::vector<float> positions;        // x, y, z per vertex
  std::vector<Color> colors;           // the grid point's surface colour (white in wireframe)
  std::vector<std::uint32_t> indices;  // three per triangle
  std::uint32_t gridWidth = 0;         // the grid the vertices come from
  std::uint32_t gridHeight = 0;

  std::uint32_t vertexCount() const { return static_cast<std::uint32_t>(colors.size()); }
  std::uint32_t triangleCount() const { return static_cast<std::uint32_t>(indices.size() / 3); }
};

// The model's first `count` triangles as an indexed mesh: one vertex per grid point that a
// triangle uses, in grid order. False (mesh empty) when it does not fit in memory.
bool extractIndexedMesh(const TerrainModel& model, std::uint32_t count, IndexedMesh& mesh);

// Reduces the mesh with meshoptimizer until removing more would move the surface by more
// than maxError (in terrain units: grid cells and height units), keeping every vertex on
// the mesh's border (edges of one triangle) where it is, then drops unused vertices. False
// (mesh unchanged) when there is not memory for it.
bool simplifyIndexedMesh(IndexedMesh& mesh, double maxError);
