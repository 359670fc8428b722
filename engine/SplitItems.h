#pragma once
// runItemsSplit: a stage's per-item loop shared with a second thread on large models. This
// thread keeps the whole progress and cancel protocol (a position every 5000 items, a poll
// before every item, in item order) and does the first half of the items; a helper does the
// second half meanwhile. Only for items that are independent of each other; it never
// decides what an item is.

#include <atomic>
#include <cstdint>
#include <system_error>
#include <thread>

#include "engine/StageRun.h"

// Models at least this large are worth a second thread.
constexpr std::uint32_t kSplitItemsFrom = 1u << 20;

// Calls item(i) once for every i in [0, count) and run.beforeItem(i) before each on this
// thread, in order. The helper takes the items from helperFrom on (the second half when
// not given), in order too. False when cancelled: the helper stops at its next chunk and has been
// joined; items of either half may then be done or not (the caller discards the model).
template <class Item>
bool runItemsSplit(StageRun& run, std::uint32_t count, Item item,
                   std::uint32_t helperFrom = UINT32_MAX) {
  constexpr std::uint32_t kHelperChunk = 4096;  // items between two looks at the stop flag
  std::uint32_t split = count;
  std::atomic<bool> stop{false};
  std::thread helper;
  if (count >= kSplitItemsFrom) {
    const std::uint32_t half = helperFrom < count ? helperFrom : count / 2;
    try {
      helper = std::thread([&stop, &item, half, count] {
        for (std::uint32_t first = half; first < count; first += kHelperChunk) {
          if (stop.load(std::memory_order_relaxed)) return;
          const std::uint32_t last = count - first < kHelperChunk ? count : first + kHelperChunk;
          for (std::uint32_t i = first; i < last; ++i) item(i);
        }
      });
      split = half;
    } catch (const std::system_error&) {
      // No second thread: this one does every item.
    }
  }
  bool finished = true;
  for (std::uint32_t i = 0; i < count; ++i) {
    if (!run.beforeItem(i)) {
      finished = false;
      break;
    }
    if (i < split) item(i);
  }
  stop.store(!finished, std::memory_order_relaxed);
  if (helper.joinable()) helper.join();
  return finished;
}
