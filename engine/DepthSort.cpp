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
// sides of the first partition on two threads. The partition itself lists a block of
// keys' stops at a time, without a branch per key (the idea of BlockQuicksort: Edelkamp
// and Weiss, "BlockQuicksort: Avoiding Branch Mispredictions in Quicksort", 2016), with
// exactly the swaps of the loop above.

#include "engine/DepthSort.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace {

// Keys and triangles in two flat arrays: the scans read only the dense keys, every swap
// moves both.
struct KeyedTriangles {
  double* keys;
  TerrainTriangle* triangles;
  double key(std::ptrdiff_t i) const { return keys[i]; }
  void swap(std::ptrdiff_t i, std::ptrdiff_t j) const {
    std::swap(keys[i], keys[j]);
    std::swap(triangles[i], triangles[j]);
  }
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
template <int kBlock, class Items>
std::ptrdiff_t partitionKeys(const Items& items, std::ptrdiff_t lo, std::ptrdiff_t hi) {
  items.swap(lo, lo + (hi - lo) / 2);  // the middle, rounded down
  const double x = items.key(lo);
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
        leftCount += !(items.key(leftBase + t) > x);
      }
      leftScan += kBlock;
    }
    if (rightFirst == rightCount) {
      if (rightScan - leftScan + 1 < kBlock) break;
      rightBase = rightScan;
      rightFirst = rightCount = 0;
      for (int t = 0; t < kBlock; ++t) {
        rightStops[rightCount] = static_cast<std::uint8_t>(t);
        rightCount += !(items.key(rightBase - t) < x);
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
  // Blocks of a quarter of the range or less; the scans of a few keys are cheap anyway.
  if (hi - lo >= 256) return partitionKeys<64>(items, lo, hi);
  if (hi - lo >= 32) return partitionKeys<16>(items, lo, hi);
  return partitionAroundMiddle(items, lo, hi);
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

// Large inputs are sorted on two threads. The sides of a partition are disjoint, and the
// middle pivot often splits them far from evenly, so instead of one side per thread the
// work is shared as it comes: whenever one thread has run out, the other hands it the
// larger side of its next partition. Who sorts which range never changes the result.
constexpr std::ptrdiff_t kParallelSort = 1 << 20;
constexpr std::ptrdiff_t kShareAbove = 1 << 15;  // smaller ranges are not worth a hand-off

struct Range {
  std::ptrdiff_t lo, hi;
};

class SharedRanges {
 public:
  SharedRanges(Range all, int threads) : pending_{all}, busy_(threads) {}

  // True when a thread waits for work.
  bool hungry() const { return hungry_.load(std::memory_order_relaxed); }

  void give(Range r) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      pending_.push_back(r);
      hungry_.store(false, std::memory_order_relaxed);
    }
    ready_.notify_one();
  }

  // A thread that will never take a range.
  void leave() {
    std::lock_guard<std::mutex> lock(mutex_);
    --busy_;
  }

  // The next range to sort; false when every range is sorted.
  bool take(Range& r) {
    std::unique_lock<std::mutex> lock(mutex_);
    --busy_;
    for (;;) {
      if (!pending_.empty()) {
        r = pending_.back();
        pending_.pop_back();
        ++busy_;
        return true;
      }
      if (busy_ == 0) {
        ready_.notify_all();
        return false;
      }
      hungry_.store(true, std::memory_order_relaxed);
      ready_.wait(lock);
    }
  }

 private:
  std::mutex mutex_;
  std::condition_variable ready_;
  std::vector<Range> pending_;
  int busy_;
  std::atomic<bool> hungry_{false};
};

template <class Items>
void quicksortShared(const Items& items, std::ptrdiff_t lo, std::ptrdiff_t hi,
                     SharedRanges& shared) {
  while (hi - lo >= kShareAbove) {
    const std::ptrdiff_t j = partitionStep(items, lo, hi);
    Range left{lo, j - 1}, right{j + 1, hi};
    if (left.hi - left.lo > right.hi - right.lo) std::swap(left, right);  // left: smaller
    if (shared.hungry()) {
      shared.give(right);
      lo = left.lo;
      hi = left.hi;
    } else {
      quicksortShared(items, left.lo, left.hi, shared);
      lo = right.lo;
      hi = right.hi;
    }
  }
  quicksortDescending(items, lo, hi);
}

}  // namespace

void sortTrianglesByDepth(double* keys, TerrainTriangle* triangles, std::size_t count) {
  if (count < 2) return;
  const KeyedTriangles items{keys, triangles};
  const auto hi = static_cast<std::ptrdiff_t>(count) - 1;
  if (hi < kParallelSort) {
    quicksortDescending(items, 0, hi);
    return;
  }
  SharedRanges shared({0, hi}, 2);
  auto work = [&] {
    for (Range r; shared.take(r);) quicksortShared(items, r.lo, r.hi, shared);
  };
  std::thread helper;
  try {
    helper = std::thread(work);
  } catch (const std::system_error&) {
    shared.leave();  // one thread: it takes every range itself
  }
  work();
  if (helper.joinable()) helper.join();
}
