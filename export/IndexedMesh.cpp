// The indexed terrain mesh: vertices shared between triangles, and their simplification.

#include "export/IndexedMesh.h"

#include <meshoptimizer.h>

#include <new>

#include "base/MemoryBudget.h"

namespace {

constexpr std::uint32_t kUnused = UINT32_MAX;

// Bytes the mesh of `vertices` and `triangles` takes, with the grid's remap table.
std::uint64_t meshBytes(std::uint64_t points, std::uint64_t vertices, std::uint64_t triangles) {
  return points * sizeof(std::uint32_t) + vertices * (3 * sizeof(float) + sizeof(Color)) +
         triangles * 3 * sizeof(std::uint32_t);
}

}  // namespace

bool extractIndexedMesh(const TerrainModel& model, std::uint32_t count, IndexedMesh& mesh) {
  mesh = IndexedMesh{};
  const std::uint64_t points = std::uint64_t(model.gridWidth) * model.gridHeight;
  if (meshBytes(points, points, count) > availableMemoryBytes()) return false;
  try {
    // Which grid points a triangle uses: they become the vertices, in grid order.
    std::vector<std::uint32_t> vertexOf(static_cast<std::size_t>(points), kUnused);
    for (std::uint32_t i = 0; i < count; ++i) {
      const TerrainModel::Corners c = model.corners(model.triangles[i].cell);
      for (const std::uint32_t p : c.point) vertexOf[p] = 0;
    }
    std::uint32_t vertices = 0;
    for (std::uint32_t& v : vertexOf)
      if (v != kUnused) v = vertices++;
    mesh.positions.reserve(std::size_t(vertices) * 3);
    mesh.colors.reserve(vertices);
    for (std::uint32_t p = 0; p < points; ++p) {
      if (vertexOf[p] == kUnused) continue;
      mesh.positions.push_back(static_cast<float>(p % model.gridWidth));
      mesh.positions.push_back(static_cast<float>(p / model.gridWidth));
      mesh.positions.push_back(static_cast<float>(model.height(p) * model.emphasis));
      mesh.colors.push_back(model.pointColor(p));
    }
    mesh.indices.resize(std::size_t(count) * 3);
    for (std::uint32_t i = 0; i < count; ++i) {
      const TerrainModel::Corners c = model.corners(model.triangles[i].cell);
      mesh.indices[3 * std::size_t(i)] = vertexOf[c.point[0]];
      mesh.indices[3 * std::size_t(i) + 1] = vertexOf[c.point[2]];
      mesh.indices[3 * std::size_t(i) + 2] = vertexOf[c.point[1]];
    }
  } catch (const std::bad_alloc&) {
    mesh = IndexedMesh{};
    return false;
  }
  mesh.gridWidth = model.gridWidth;
  mesh.gridHeight = model.gridHeight;
  return true;
}

bool simplifyIndexedMesh(IndexedMesh& mesh, double maxError) {
  const std::size_t vertices = mesh.vertexCount();
  if (vertices == 0 || mesh.indices.empty()) return true;
  try {
    std::vector<std::uint32_t> kept(mesh.indices.size());
    // meshoptimizer measures error relative to the mesh's extent.
    const float scale = meshopt_simplifyScale(mesh.positions.data(), vertices, 3 * sizeof(float));
    const float relative = scale > 0.0f ? static_cast<float>(maxError / scale) : 0.0f;
    float reached = 0.0f;
    kept.resize(meshopt_simplify(kept.data(), mesh.indices.data(), mesh.indices.size(),
                                 mesh.positions.data(), vertices, 3 * sizeof(float), 0, relative,
                                 meshopt_SimplifyLockBorder, &reached));
    // Only the vertices the kept triangles use remain, in their old order.
    std::vector<std::uint32_t> vertexOf(vertices, kUnused);
    for (const std::uint32_t v : kept) vertexOf[v] = 0;
    std::uint32_t next = 0;
    for (std::size_t v = 0; v < vertices; ++v) {
      if (vertexOf[v] == kUnused) continue;
      vertexOf[v] = next;
      for (int k = 0; k < 3; ++k) mesh.positions[3 * next + k] = mesh.positions[3 * v + k];
      mesh.colors[next] = mesh.colors[v];
      ++next;
    }
    mesh.positions.resize(std::size_t(next) * 3);
    mesh.colors.resize(next);
    for (std::uint32_t& v : kept) v = vertexOf[v];
    mesh.indices = std::move(kept);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}
