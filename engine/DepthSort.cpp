// The depth sort: a quicksort with the middle element as pivot, moved to the front.
//
//   sort(lo, hi), while lo < hi:
//     m = (lo + hi) / 2; swap lo and m; x = key(lo)
//     i = lo, j = hi + 1; repeat: ++i, then advance i while key(i) > x (at most to hi + 1);
//       --j, then retreat j while key(j) < x (the pivot at lo stops it);
//       stop when i >= j, otherwise swap i and j
//     swap lo and j; sort both sides of j.
//
// The two sides of j are disjoint, so sorting them in either order, or at the same time,
// gives the same result; we recurse into the smaller side and loop on the larger one, which
// bounds the stack depth by log2(count) whatever the keys, and large inputs sort the two
// sides of the first partition on two threads.

#include "engine/DepthSort.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <new>
#include <system_error>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

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

// Hoare's loop, continued from the last swapped pair (i, j), or from (lo, hi + 1).
template <class Items>
std::ptrdiff_t finishPartition(const Items& items, double x, std::ptrdiff_t lo, std::ptrdiff_t hi,
                               std::ptrdiff_t i, std::ptrdiff_t j) {
  for (;;) {
    ++i;
    while (i <= hi && items.key(i) > x) ++i;
    --j;
    while (items.key(j) < x) --j;
    if (i >= j) break;
    items.swap(i, j);
  }
  items.swap(lo, j);
  return j;
}

template <class Items>
std::ptrdiff_t partitionAroundMiddle(const Items& items, std::ptrdiff_t lo, std::ptrdiff_t hi) {
  items.swap(lo, lo + (hi - lo) / 2);  // the middle, rounded down
  return finishPartition(items, items.key(lo), lo, hi, lo, hi + 1);
}

// The same partition with the same swaps, found without a branch per key. Hoare's loop
// swaps the m-th key from the left that is not greater than x (a left stop) with the m-th
// key from the right that is not less than x (a right stop) for as long as the first lies
// left of the second. While both come from blocks of not yet scanned keys on either side,
// they are certainly in that order and still hold their first values, so the stops of a
// whole block are listed at once and paired in order. Near the middle, Hoare's own loop
// takes over from the last swapped pair, exactly where it would stand.
template <int kBlock>
std::ptrdiff_t partitionKeys(const KeyPairs& items, std::ptrdiff_t lo, std::ptrdiff_t hi) {
  items.swap(lo, lo + (hi - lo) / 2);  // the middle, rounded down
  const double* keys = items.keys;
  const double x = keys[lo];
  std::ptrdiff_t i = lo;  // the last swapped pair, as Hoare's loop holds them
  std::ptrdiff_t j = hi + 1;
  std::ptrdiff_t leftScan = lo + 1;  // unscanned keys: leftScan .. rightScan
  std::ptrdiff_t rightScan = hi;
  std::uint8_t leftStops[kBlock];   // offsets from leftBase, increasing
  std::uint8_t rightStops[kBlock];  // offsets back from rightBase, increasing
  std::ptrdiff_t leftBase = 0, rightBase = 0;
  int leftFirst = 0, leftCount = 0, rightFirst = 0, rightCount = 0;
  for (;;) {
    if (leftFirst == leftCount) {
      if (rightScan - leftScan + 1 < kBlock) break;
      leftBase = leftScan;
      leftFirst = leftCount = 0;
      for (int t = 0; t < kBlock; ++t) {
        leftStops[leftCount] = static_cast<std::uint8_t>(t);
        leftCount += !(keys[leftBase + t] > x);
      }
      leftScan += kBlock;
    }
    if (rightFirst == rightCount) {
      if (rightScan - leftScan + 1 < kBlock) break;
      rightBase = rightScan;
      rightFirst = rightCount = 0;
      for (int t = 0; t < kBlock; ++t) {
        rightStops[rightCount] = static_cast<std::uint8_t>(t);
        rightCount += !(keys[rightBase - t] < x);
      }
      rightScan -= kBlock;
    }
    const int pairs = std::min(leftCount - leftFirst, rightCount - rightFirst);
    if (pairs == 0) continue;
    for (int k = 0; k < pairs; ++k) {
      items.swap(leftBase + leftStops[leftFirst + k], rightBase - rightStops[rightFirst + k]);
    }
    leftFirst += pairs;
    rightFirst += pairs;
    i = leftBase + leftStops[leftFirst - 1];
    j = rightBase - rightStops[rightFirst - 1];
  }
  return finishPartition(items, x, lo, hi, i, j);
}

template <class Items>
std::ptrdiff_t partitionStep(const Items& items, std::ptrdiff_t lo, std::ptrdiff_t hi) {
  if constexpr (std::is_same_v<Items, KeyPairs>) {
    // Blocks of a quarter of the range or less; the scans of a few keys are cheap anyway.
    if (hi - lo >= 256) return partitionKeys<64>(items, lo, hi);
    if (hi - lo >= 32) return partitionKeys<16>(items, lo, hi);
    return partitionAroundMiddle(items, lo, hi);
  } else {
    return partitionAroundMiddle(items, lo, hi);
  }
}

template <class Items>
void quicksortDescending(const Items& items, std::ptrdiff_t lo, std::ptrdiff_t hi) {
  while (lo < hi) {
    const std::ptrdiff_t j = partitionStep(items, lo, hi);
    if (j - lo < hi - j) {
      quicksortDescending(items, lo, j - 1);
      lo = j + 1;
    } else {
      quicksortDescending(items, j + 1, hi);
      hi = j - 1;
    }
  }
}

// Runs first() on a second thread and second() here, or both here when no thread can be
// started. Used only on disjoint ranges, so the result never depends on it.
template <class First, class Second>
void runSideBySide(First first, Second second) {
  std::thread worker;
  try {
    worker = std::thread(first);
  } catch (const std::system_error&) {
    first();
  }
  second();
  if (worker.joinable()) worker.join();
}

// Large inputs: the two sides of the first partition are sorted on two threads.
constexpr std::ptrdiff_t kParallelSort = 1 << 20;

// Moves record order[k] to position k for every k, following each cycle of the
// permutation once; order[k] = k marks a position as done. Chases one random record per
// step, so it is the slow fallback for when placeRecords has no room for its array.
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

// Ranges of at most this many records are placed by following cycles: 15 MB, which stay
// in the last-level cache right after the distribution that completed them.
constexpr std::size_t kDirectPlacement = std::size_t{1} << 17;
constexpr unsigned kBucketBits = 8;  // at most 256 ranges a distribution pass
constexpr std::size_t kPrefetchAhead = 4;

// Asks for the cache lines of record p (its 120 bytes span up to three).
void prefetchRecord(const TerrainPolygon* p) {
  const char* bytes = reinterpret_cast<const char*>(p);
  __builtin_prefetch(bytes, 1);
  __builtin_prefetch(bytes + 64, 1);
  __builtin_prefetch(bytes + sizeof(TerrainPolygon) - 1, 1);
}

// Places a range of at most kDirectPlacement records: source[k] = the record that goes to
// k, then each cycle is followed once, so every record is copied a single time. The
// destinations are left as they were.
void placeByCycles(TerrainPolygon* polygons, const std::uint32_t* dest, std::size_t n,
                   std::size_t base, std::uint32_t* source) {
  for (std::size_t i = 0; i < n; ++i) source[dest[i] - base] = static_cast<std::uint32_t>(i);
  for (std::size_t start = 0; start < n; ++start) {
    if (source[start] == start) continue;
    const TerrainPolygon first = polygons[start];
    std::size_t k = start;
    for (;;) {
      const std::size_t from = source[k];
      source[k] = static_cast<std::uint32_t>(k);
      if (from == start) break;
      polygons[k] = polygons[from];
      k = from;
    }
    polygons[k] = first;
  }
}

// Hands the ranges that a distribution pass has completed to whichever thread is free, in
// order. A completed range is never touched by the pass again, so it can be placed while
// the pass goes on.
class CompletedRanges {
 public:
  explicit CompletedRanges(std::size_t count) : count_(count) {}
  void complete(std::size_t range) {
    completed_.store(range + 1, std::memory_order_release);
    completed_.notify_all();
  }
  std::size_t waiting() const {
    return completed_.load(std::memory_order_acquire) - next_.load(std::memory_order_relaxed);
  }
  // Claims the next completed range; false when none is complete yet (or none is left).
  bool tryClaim(std::size_t& range) {
    return claimBelow(completed_.load(std::memory_order_acquire), range);
  }
  // Claims the next range, waiting for it to be completed; false when none is left.
  bool claim(std::size_t& range) {
    for (;;) {
      const std::size_t completed = completed_.load(std::memory_order_acquire);
      if (claimBelow(completed, range)) return true;
      if (completed >= count_) return false;  // all complete, all claimed
      completed_.wait(completed, std::memory_order_acquire);
    }
  }

 private:
  bool claimBelow(std::size_t completed, std::size_t& range) {
    std::size_t next = next_.load(std::memory_order_relaxed);
    while (next < completed) {
      if (next_.compare_exchange_weak(next, next + 1, std::memory_order_relaxed)) {
        range = next;
        return true;
      }
    }
    return false;
  }

  std::size_t count_;
  std::atomic<std::size_t> completed_{0};
  std::atomic<std::size_t> next_{0};
};

// Puts record i (of n, with destination dest[i] in base .. base + n - 1) at position
// dest[i] - base. An in-place radix distribution on the destination (American flag sort):
// records are swapped into at most 256 contiguous ranges of 2^shift destinations whose
// write heads advance sequentially, so memory is streamed instead of chased record by
// record. Each range is placed further as soon as it is complete, while its records are
// still in the cache; when parallel, a second thread takes completed ranges as they come.
// source is scratch for kDirectPlacement entries.
void placeRecords(TerrainPolygon* polygons, std::uint32_t* dest, std::size_t n, std::size_t base,
                  bool parallel, std::uint32_t* source) {
  if (n <= kDirectPlacement) {
    placeByCycles(polygons, dest, n, base, source);
    return;
  }
  unsigned shift = 0;
  while ((n - 1) >> shift >= (std::size_t{1} << kBucketBits)) ++shift;
  const std::size_t buckets = ((n - 1) >> shift) + 1;
  const std::size_t width = std::size_t{1} << shift;
  auto bucketEnd = [&](std::size_t b) { return std::min(n, (b + 1) * width); };
  auto placeBucket = [&](std::size_t b, std::uint32_t* scratch) {
    const std::size_t start = b * width;
    placeRecords(polygons + start, dest + start, bucketEnd(b) - start, base + start, false,
                 scratch);
  };

  CompletedRanges completed(buckets);
  std::unique_ptr<std::uint32_t[]> helperSource;
  std::thread helper;
  if (parallel) {
    helperSource.reset(new (std::nothrow) std::uint32_t[kDirectPlacement]);
    if (helperSource) {
      try {
        helper = std::thread([&] {
          for (std::size_t b; completed.claim(b);) placeBucket(b, helperSource.get());
        });
      } catch (const std::system_error&) {
      }
    }
  }

  std::size_t head[std::size_t{1} << kBucketBits];
  for (std::size_t b = 0; b < buckets; ++b) head[b] = b * width;
  for (std::size_t b = 0; b < buckets; ++b) {
    const std::size_t end = bucketEnd(b);
    while (head[b] < end) {
      const std::size_t i = head[b];
      const std::size_t target = (dest[i] - base) >> shift;
      if (target == b) {
        ++head[b];
        continue;
      }
      const std::size_t j = head[target]++;
      // The next record's destination is read from j; ask for that bucket's following
      // records now, so the chain of reads does not wait on memory at every step.
      if (j + kPrefetchAhead < n) {
        prefetchRecord(&polygons[j + kPrefetchAhead]);
        __builtin_prefetch(&dest[j + kPrefetchAhead], 1);
      }
      std::swap(polygons[i], polygons[j]);
      std::swap(dest[i], dest[j]);
    }
    completed.complete(b);
    // Without a helper every range is placed here at once; with one, only when it lags.
    std::size_t range;
    while ((!helper.joinable() || completed.waiting() >= 2) && completed.tryClaim(range)) {
      placeBucket(range, source);
    }
  }
  for (std::size_t range; completed.tryClaim(range);) placeBucket(range, source);
  if (helper.joinable()) helper.join();
}

std::size_t leadingPositive(const double* keys, std::size_t count) {
  std::size_t k = 0;
  while (k < count && keys[k] > 0) ++k;
  return k;
}

std::size_t leadingPositive(const TerrainPolygon* polygons, std::size_t count) {
  std::size_t k = 0;
  while (k < count && polygons[k].v[0].z > 0) ++k;
  return k;
}

}  // namespace

void sortKeysDescending(double* keys, std::uint32_t* order, std::size_t count) {
  if (count < 2) return;
  const KeyPairs items{keys, order};
  const auto hi = static_cast<std::ptrdiff_t>(count) - 1;
  if (hi < kParallelSort) {
    quicksortDescending(items, 0, hi);
    return;
  }
  const std::ptrdiff_t j = partitionStep(items, 0, hi);
  runSideBySide([&] { quicksortDescending(items, 0, j - 1); },
                [&] { quicksortDescending(items, j + 1, hi); });
}

void sortPolygonRecordsByDepth(TerrainPolygon* polygons, std::size_t count) {
  if (count < 2) return;
  quicksortDescending(WholeRecords{polygons}, 0, static_cast<std::ptrdiff_t>(count) - 1);
}

void sortPolygonsByDepth(TerrainPolygon* polygons, std::size_t count) {
  if (count < 2) return;
  LargeArray<double> keys;
  if (!keys.allocate(count)) {
    sortPolygonRecordsByDepth(polygons, count);
    return;
  }
  for (std::size_t i = 0; i < count; ++i) keys[i] = polygons[i].v[0].z;
  sortPolygonsByKeys(polygons, keys, count);
}

std::size_t sortPolygonsByKeys(TerrainPolygon* polygons, LargeArray<double>& keys,
                               std::size_t count) {
  if (count < 2) return leadingPositive(keys.get(), count);
  std::unique_ptr<std::uint32_t[]> order(new (std::nothrow) std::uint32_t[count]);
  if (!order || count > UINT32_MAX) {
    sortPolygonRecordsByDepth(polygons, count);
    return leadingPositive(polygons, count);
  }
  for (std::size_t i = 0; i < count; ++i) order[i] = static_cast<std::uint32_t>(i);
  sortKeysDescending(keys.get(), order.get(), count);
  const std::size_t drawable = leadingPositive(keys.get(), count);
  keys.release();
  std::unique_ptr<std::uint32_t[]> dest(new (std::nothrow) std::uint32_t[count]);
  std::unique_ptr<std::uint32_t[]> source(new (std::nothrow)
                                              std::uint32_t[std::min(count, kDirectPlacement)]);
  if (!dest || !source) {
    permuteInPlace(polygons, order.get(), count);
    return drawable;
  }
  for (std::size_t k = 0; k < count; ++k) dest[order[k]] = static_cast<std::uint32_t>(k);
  order.reset();
  const bool parallel = count >= static_cast<std::size_t>(kParallelSort);
  placeRecords(polygons, dest.get(), count, 0, parallel, source.get());
  return drawable;
}
