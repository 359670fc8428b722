// LargeBlock: big blocks are mapped anonymously, with huge pages advised; their prefault helper
// asks the kernel to make them present (MADV_POPULATE_WRITE) a chunk at a time from the front,
// which leaves the bytes as they are, so it may run while the owner writes. Elsewhere, and for
// small blocks, memory comes from operator new and nothing is prefaulted.

#include "base/LargeBlock.h"

#include <cstdint>
#include <functional>
#include <new>
#include <system_error>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace {

#if defined(__linux__)
// Below this, a block comes from operator new: a helper thread would not pay for itself,
// and the sanitizers keep watching small arrays, which tests use.
constexpr std::size_t kMapAbove = std::size_t{32} << 20;
// One huge page at a time: a stop (a cancelled stage releasing its model) waits for one.
constexpr std::size_t kPrefaultChunk = std::size_t{2} << 20;

void* mapAnonymous(std::size_t bytes) {
  void* block = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (block == MAP_FAILED) return nullptr;
#if defined(MADV_HUGEPAGE)
  // Where the system offers transparent huge pages on request, a first touch faults in 2 MiB
  // at a time instead of 4 KiB: several times less kernel time for a model of gigabytes.
  // Refused advice changes nothing.
  madvise(block, bytes, MADV_HUGEPAGE);
#endif
  return block;
}

// Pages already present (written by the owner) are left alone; a kernel without the
// advice refuses it, and the owner's own writes fault the pages in as usual.
void prefaultFront(char* block, std::size_t bytes, const std::atomic<bool>& stop) {
#if defined(MADV_POPULATE_WRITE)
  for (std::size_t done = 0; done < bytes && !stop.load(std::memory_order_relaxed);
       done += kPrefaultChunk) {
    const std::size_t length = bytes - done < kPrefaultChunk ? bytes - done : kPrefaultChunk;
    if (madvise(block + done, length, MADV_POPULATE_WRITE) != 0) return;
  }
#else
  (void)block;
  (void)bytes;
  (void)stop;
#endif
}
#endif

}  // namespace

bool LargeBlock::allocate(std::size_t bytes, bool prefault) {
  release();
#if defined(__linux__)
  if (bytes >= kMapAbove) {
    data_ = mapAnonymous(bytes);
    if (data_ == nullptr) return false;
    mapped_ = bytes;
    if (prefault) {
      stopPrefault_.store(false);
      try {
        prefaulter_ =
            std::thread(prefaultFront, static_cast<char*>(data_), bytes, std::cref(stopPrefault_));
      } catch (const std::system_error&) {
        // No thread: the owner's writes fault the pages in themselves.
      }
    }
    return true;
  }
#endif
  (void)prefault;
  data_ = ::operator new(bytes == 0 ? 1 : bytes, std::nothrow);
  return data_ != nullptr;
}

void LargeBlock::stopPrefault() {
  if (!prefaulter_.joinable()) return;
  stopPrefault_.store(true);
  prefaulter_.join();
}

void LargeBlock::release() {
  stopPrefault();
  if (data_ == nullptr) return;
#if defined(__linux__)
  if (mapped_ != 0) {
    munmap(data_, mapped_);
    data_ = nullptr;
    mapped_ = 0;
    return;
  }
#endif
  ::operator delete(data_);
  data_ = nullptr;
}
