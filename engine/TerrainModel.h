#pragma once
// TerrainModel: the terrain as the stages see it, kept compact so that rasters of many
// thousand points a side fit in memory. It owns the grid (a height and a colour per point,
// and after the transform a screen position and depth per point) and 16 bytes per
// triangle: which half of which cell it is and its flat colour, and apart from them (so
// that the sort scans them densely) its depth key. A
// triangle's corners and normal follow from the grid and the cell's split, and are
// recomputed by the same formulas whenever they are needed, so they are the same doubles a
// stored record would hold. It runs no stage and talks to no one.
//
// Each grid cell with top-left point (x, y) has the corners
//   P0 (x, y+1) bottom-left, P1 (x, y) top-left, P2 (x+1, y) top-right, P3 (x+1, y+1)
// and is cut along one diagonal into two triangles:
//   split A (P0-P2): (V0, V1, V2), (V2, V3, V0);   split B (P1-P3): (V1, V2, V3), (V3, V0, V1).
// Both triangles of a split wind the same way, so on level ground the normal
// (c - b) x (a - b) points up.

#include <cstdint>
#include <cstdlib>
#include <optional>

#include "base/LargeBlock.h"
#include "engine/TerrainPolygon.h"
#include "engine/ViewCamera.h"
#include "raster/Color.h"

// One triangle of the model. cell is 2 x (cell index) + the half (0 the first triangle of
// the cell's split, 1 the second); the cell index counts cells row by row.
struct TerrainTriangle {
  std::uint32_t cell;
  Color color;  // the first corner's colour, then the average, then lit
};

// A projected grid point, its coordinates truncated to pixels as drawing uses them; (0, 0)
// for a point that is not kept.
struct ScreenPoint {
  std::int32_t x;
  std::int32_t y;
};

// Automatic mode cuts along the diagonal whose ends differ less in height; a tie cuts
// along P0-P2. Heights before emphasis; in automatic mode a cell with a point without data
// (NaN) cuts along P1-P3 (the triangles that touch that point are not in the model).
inline bool chooseSplitA(std::int32_t mode, double h0, double h1, double h2, double h3) {
  if (mode == 0) return std::abs(h0 - h2) <= std::abs(h1 - h3);
  return mode == 1;
}

// The normal (c - b) x (a - b) of a triangle, not normalised.
inline void triangleNormal(const TerrainVertex& a, const TerrainVertex& b, const TerrainVertex& c,
                           double& nx, double& ny, double& nz) {
  nx = (a.z - b.z) * (c.y - b.y) - (a.y - b.y) * (c.z - b.z);
  ny = (a.x - b.x) * (c.z - b.z) - (a.z - b.z) * (c.x - b.x);
  nz = (a.y - b.y) * (c.x - b.x) - (a.x - b.x) * (c.y - b.y);
}

struct TerrainModel {
  // The grid: points per row and rows; cells are one fewer each way.
  std::uint32_t gridWidth = 0;
  std::uint32_t gridHeight = 0;
  double cellsPerRowInverse = 0.0;  // 1 / (gridWidth - 1)
  // What the grid was built with: split rule, height scale, and whether colours were read.
  std::int32_t subdivisionMode = 0;
  double emphasis = 1.0;
  bool surfaceRead = false;

  // The height per point, row by row: the bump's red channel, or for a bump with fine
  // heights (DibImage::fineHeights) those instead, NaN where it has no data.
  LargeArray<std::uint8_t> heights;
  LargeArray<float> fineHeights;
  LargeArray<Color> pointColors;  // surface colour per point, only when surfaceRead
  LargeArray<TerrainTriangle> triangles;
  // Per triangle: before the transform the height of its first corner, afterwards its
  // depth key.
  LargeArray<double> keys;
  std::uint32_t triangleCount = 0;

  // After a transform: the camera it used, each point's screen position and (until the
  // sort) its depth, 0 when not kept.
  std::optional<ViewCamera> camera;
  LargeArray<ScreenPoint> screenPoints;
  LargeArray<double> depths;

  void clear() {
    heights.release();
    fineHeights.release();
    pointColors.release();
    triangles.release();
    keys.release();
    screenPoints.release();
    depths.release();
    camera.reset();
    gridWidth = gridHeight = 0;
    triangleCount = 0;
  }

  // Room for the transform's screen positions and depths (kept when already there).
  // With prefault, helpers fault the pages in meanwhile (see LargeBlock).
  bool allocateScreen(bool prefault = false) {
    const std::size_t points = std::size_t(gridWidth) * gridHeight;
    return (screenPoints || screenPoints.allocate(points, prefault)) &&
           (depths || depths.allocate(points, prefault));
  }

  std::uint32_t pointIndex(std::uint32_t x, std::uint32_t y) const { return y * gridWidth + x; }
  double height(std::uint32_t point) const {
    return fineHeights ? static_cast<double>(fineHeights[point]) : heights[point];
  }
  // The row of a cell index. Every stage asks it for every triangle, and an integer
  // division costs more than the rest of some stages' work: the quotient is taken from the
  // reciprocal instead and corrected by one where rounding put it off.
  std::uint32_t rowOfCellIndex(std::uint32_t index) const {
    const std::uint64_t perRow = gridWidth - 1;
    std::uint64_t row = static_cast<std::uint64_t>(index * cellsPerRowInverse);
    if (row * perRow > index)
      --row;
    else if ((row + 1) * perRow <= index)
      ++row;
    return static_cast<std::uint32_t>(row);
  }
  std::uint32_t cellRow(std::uint32_t cell) const { return rowOfCellIndex(cell >> 1); }

  // The grid point at the top left of a triangle's cell.
  std::uint32_t topLeftPoint(std::uint32_t cell) const {
    const std::uint32_t index = cell >> 1;
    return index + rowOfCellIndex(index);  // one more point than cells per row
  }

  // Asks for the cache lines a triangle's corners will read: in painting order the
  // triangles jump about the grid, and a cache miss costs more than the work on it.
  void prefetchCorners(std::uint32_t cell) const {
    const std::uint32_t point = topLeftPoint(cell);
    if (fineHeights) {
      __builtin_prefetch(&fineHeights[point]);
      __builtin_prefetch(&fineHeights[point + gridWidth]);
    } else {
      __builtin_prefetch(&heights[point]);
      __builtin_prefetch(&heights[point + gridWidth]);
    }
    __builtin_prefetch(&screenPoints[point]);
    __builtin_prefetch(&screenPoints[point + gridWidth]);
  }

  // A triangle's corners in its vertex order: their grid points and grid positions.
  struct Corners {
    std::uint32_t point[3];
    std::uint32_t x[3];
    std::uint32_t y[3];
  };
  Corners corners(std::uint32_t cell) const {
    const std::uint32_t index = cell >> 1;
    const std::uint32_t y = rowOfCellIndex(index);
    const std::uint32_t x = index - y * (gridWidth - 1);
    // Corner k of the cell (P0..P3) is at (x + kDx[k], y + kDy[k]).
    static constexpr std::uint32_t kDx[4] = {0, 0, 1, 1}, kDy[4] = {1, 0, 0, 1};
    const std::uint32_t p1 = pointIndex(x, y), p0 = p1 + gridWidth;
    const std::uint32_t p2 = p1 + 1, p3 = p0 + 1;
    const std::uint32_t second = cell & 1;
    // Split A: (V0, V1, V2), (V2, V3, V0); split B: (V1, V2, V3), (V3, V0, V1).
    const std::uint32_t first =
        chooseSplitA(subdivisionMode, height(p0), height(p1), height(p2), height(p3)) ? 0 : 1;
    const std::uint32_t start = first + 2 * second;
    const std::uint32_t cellPoints[4] = {p0, p1, p2, p3};
    Corners c;
    for (std::uint32_t k = 0; k < 3; ++k) {
      const std::uint32_t corner = (start + k) & 3;
      c.point[k] = cellPoints[corner];
      c.x[k] = x + kDx[corner];
      c.y[k] = y + kDy[corner];
    }
    return c;
  }

  Color pointColor(std::uint32_t point) const { return surfaceRead ? pointColors[point] : kWhite; }

  // Corner k in terrain coordinates; with its surface colour, or colour 0.
  TerrainVertex cornerPosition(const Corners& c, int k) const {
    return {static_cast<double>(c.x[k]), static_cast<double>(c.y[k]), height(c.point[k]) * emphasis,
            0};
  }
  TerrainVertex cornerVertex(const Corners& c, int k) const {
    TerrainVertex v = cornerPosition(c, k);
    v.color = pointColor(c.point[k]);
    return v;
  }

  // The full record of triangle i, as the stages so far have made it.
  TerrainPolygon polygon(std::uint32_t i) const {
    const TerrainTriangle& t = triangles[i];
    const Corners c = corners(t.cell);
    TerrainPolygon p;
    for (int k = 0; k < 3; ++k) p.v[k] = cornerVertex(c, k);
    triangleNormal(p.v[0], p.v[1], p.v[2], p.nx, p.ny, p.nz);
    if (camera) {
      for (TerrainVertex& v : p.v) {
        double sx, sy, depth;
        if (camera->project(v.x, v.y, v.z, sx, sy, depth)) {
          v.x = sx;
          v.y = sy;
          v.z = depth;
        } else {
          v.x = v.y = v.z = 0.0;
        }
      }
    }
    p.v[0].z = keys[i];
    p.v[0].color = t.color;
    return p;
  }
};
