#pragma once
// DepthSort: the painter's order of the triangles. A quicksort into descending depth key
// (v[0].z), far triangles first. Triangles with equal keys end up in the order this very
// algorithm leaves them, which decides which of two is painted last, so no other sort may
// stand in for it. Works in place; allocates only scratch that it can do without.

#include <cstddef>
#include <cstdint>

#include "base/LargeBlock.h"
#include "engine/TerrainPolygon.h"

// Sorts keys[0 .. count) into descending order and applies every swap to order too, so
// that afterwards order[k] is the original position of the k-th key.
void sortKeysDescending(double* keys, std::uint32_t* order, std::size_t count);

// Sorts the records by key v[0].z, descending. The result is exactly that of running the
// quicksort on whole records; the sort itself moves (key, index) pairs and then permutes
// the records once in place. Falls back to moving whole records when the pair scratch
// cannot be allocated, so it never fails.
void sortPolygonsByDepth(TerrainPolygon* polygons, std::size_t count);

// The same, with keys[i] == polygons[i].v[0].z for every i < count already at hand (the
// vertex transform writes them as it goes). The keys are used as scratch and released as
// soon as the order is known, to make room for the placement. Returns how many of the
// sorted records come before the first whose key is not positive (the drawable head).
std::size_t sortPolygonsByKeys(TerrainPolygon* polygons, LargeArray<double>& keys,
                               std::size_t count);

// The quicksort on whole records, kept as the fallback of sortPolygonsByDepth.
void sortPolygonRecordsByDepth(TerrainPolygon* polygons, std::size_t count);
