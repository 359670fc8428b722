#pragma once
// LargeBlock: one uninitialised block of memory for the engine's big flat arrays (the
// triangle model, the depth sort's scratch). Blocks of many megabytes are mapped on their
// own, and can have their pages faulted in by a helper thread while the owner fills them
// front to back, which takes the kernel's page zeroing off the filling thread. It never
// constructs or copies what it holds.

#include <atomic>
#include <cstddef>
#include <thread>

class LargeBlock {
 public:
  LargeBlock() = default;
  ~LargeBlock() { release(); }
  LargeBlock(const LargeBlock&) = delete;
  LargeBlock& operator=(const LargeBlock&) = delete;

  // Replaces the block by bytes fresh bytes (aligned for any scalar). With prefault, a
  // helper thread makes the pages present from the front while the caller writes; the
  // contents are never touched by it. False, with no block held, when the memory cannot be
  // had; never throws.
  bool allocate(std::size_t bytes, bool prefault = false);
  // Stops and joins the prefault helper, if any. The block stays.
  void stopPrefault();
  void release();

  void* data() const { return data_; }
  explicit operator bool() const { return data_ != nullptr; }

 private:
  void* data_ = nullptr;
  std::size_t mapped_ = 0;  // bytes mapped on their own, 0 when from operator new
  std::thread prefaulter_;
  std::atomic<bool> stopPrefault_{false};
};

// A LargeBlock viewed as count items of a trivial type T. The items start uninitialised.
template <class T>
class LargeArray {
 public:
  bool allocate(std::size_t count, bool prefault = false) {
    if (count > static_cast<std::size_t>(-1) / sizeof(T)) {
      block_.release();
      return false;
    }
    return block_.allocate(count * sizeof(T), prefault);
  }
  void stopPrefault() { block_.stopPrefault(); }
  void release() { block_.release(); }
  T* get() const { return static_cast<T*>(block_.data()); }
  T& operator[](std::size_t i) const { return get()[i]; }
  explicit operator bool() const { return static_cast<bool>(block_); }

 private:
  LargeBlock block_;
};
