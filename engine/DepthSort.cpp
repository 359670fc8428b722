// The depth sort: a quicksort with the middle element as pivot, moved to the front.
//
//   sort(lo, hi), while lo < hi:
//     m = (lo + hi) / 2; swap lo and m; x = key(lo)
//     i = lo, j = hi + 1; repeat: ++i, then advance i while key(i) > x (at most to hi + 1);
//       --j, then retreat j while key(j) < x (the pivot at lo stops it);
//       stop when i >= j, otherwise swap i and j
//     swap lo and j; sort both sides of j.
//
// The two sides of j are disjoint, so sorting them in either order gives the same result;
// we recurse into the smaller side and loop on the larger one, which bounds the stack depth
// by log2(count) whatever the keys.

#include "engine/DepthSort.h"

#include <algorithm>
#include <memory>
#include <new>
#include <utility>

namespace {

// Keys and original positions in two flat arrays: the scans read only the dense keys.
struct KeyPairs {
  double* keys;
  std::uint32_t* order;
  double key(std::ptrdiff_t i) const { return keys[i]; }
  void swap(std::ptrdiff_t i, std::ptrdiff_t j) const {
    std::swap(keys[i], keys[j]);
    std::swap(order[i], order[j]);
  }
};

struct WholeRecords {
  TerrainPolygon* polygons;
  double key(std::ptrdiff_t i) const { return polygons[i].v[0].z; }
  void swap(std::ptrdiff_t i, std::ptrdiff_t j) const { std::swap(polygons[i], polygons[j]); }
};

template <class Items>
void quicksortDescending(const Items& items, std::ptrdiff_t lo, std::ptrdiff_t hi) {
  while (lo < hi) {
    items.swap(lo, lo + (hi - lo) / 2);  // the middle, rounded down
    const double x = items.key(lo);
    std::ptrdiff_t i = lo;
    std::ptrdiff_t j = hi + 1;
    for (;;) {
      ++i;
      while (i <= hi && items.key(i) > x) ++i;
      --j;
      while (items.key(j) < x) --j;
      if (i >= j) break;
      items.swap(i, j);
    }
    items.swap(lo, j);
    if (j - lo < hi - j) {
      quicksortDescending(items, lo, j - 1);
      lo = j + 1;
    } else {
      quicksortDescending(items, j + 1, hi);
      hi = j - 1;
    }
  }
}

// Moves record order[k] to position k for every k, following each cycle of the
// permutation once; order[k] = k marks a position as done.
void permuteInPlace(TerrainPolygon* polygons, std::uint32_t* order, std::size_t count) {
  for (std::size_t start = 0; start < count; ++start) {
    if (order[start] == start) continue;
    const TerrainPolygon first = polygons[start];
    std::size_t target = start;
    for (;;) {
      const std::size_t source = order[target];
      order[target] = static_cast<std::uint32_t>(target);
      if (source == start) {
        polygons[target] = first;
        break;
      }
      polygons[target] = polygons[source];
      target = source;
    }
  }
}

}  // namespace

void sortKeysDescending(double* keys, std::uint32_t* order, std::size_t count) {
  if (count < 2) return;
  quicksortDescending(KeyPairs{keys, order}, 0, static_cast<std::ptrdiff_t>(count) - 1);
}

void sortPolygonRecordsByDepth(TerrainPolygon* polygons, std::size_t count) {
  if (count < 2) return;
  quicksortDescending(WholeRecords{polygons}, 0, static_cast<std::ptrdiff_t>(count) - 1);
}

void sortPolygonsByDepth(TerrainPolygon* polygons, std::size_t count) {
  if (count < 2) return;
  std::unique_ptr<double[]> keys(new (std::nothrow) double[count]);
  std::unique_ptr<std::uint32_t[]> order(new (std::nothrow) std::uint32_t[count]);
  if (!keys || !order || count > UINT32_MAX) {
    sortPolygonRecordsByDepth(polygons, count);
    return;
  }
  for (std::size_t i = 0; i < count; ++i) {
    keys[i] = polygons[i].v[0].z;
    order[i] = static_cast<std::uint32_t>(i);
  }
  sortKeysDescending(keys.get(), order.get(), count);
  keys.reset();
  permuteInPlace(polygons, order.get(), count);
}
