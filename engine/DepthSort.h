#pragma once
// DepthSort: the painter's order of the triangles, far ones first. The order is that of one
// particular quicksort into descending key: triangles with equal keys end up in the order
// this very algorithm leaves them, which decides which of two is painted last, so no other
// sort may stand in for it (equal keys are common: flat water and regular grids give many).
// Works in place and allocates nothing.

#include <cstddef>

#include "engine/TerrainModel.h"

// Sorts keys[0 .. count) into descending order and applies every swap to triangles too.
void sortTrianglesByDepth(double* keys, TerrainTriangle* triangles, std::size_t count);
