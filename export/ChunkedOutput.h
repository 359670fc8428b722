#pragma once
// ChunkedOutput: collects the bytes of an export and hands them to an AtomicFileWriter in
// large pieces. It owns one buffer; it never opens, commits or abandons the file.

#include <algorithm>
#include <cstddef>
#include <memory>
#include <string_view>

#include "base/AtomicFile.h"

inline constexpr std::size_t kChunkBytes = 256 * 1024;  // text collected before each write

// Collects formatted text and hands it to the writer in large pieces, so the writer is
// called a few thousand times for a file of gigabytes, not once per number.
class ChunkedOutput {
 public:
  explicit ChunkedOutput(AtomicFileWriter& writer)
      : writer_(writer), chunk_(std::make_unique<char[]>(kChunkBytes)) {}

  // Room for at least `bytes` more; false once a write has failed.
  bool reserve(std::size_t bytes) { return used_ + bytes <= kChunkBytes || flush(); }
  char* end() { return chunk_.get() + used_; }
  void advance(std::size_t bytes) { used_ += bytes; }
  bool append(std::string_view text) {
    if (!reserve(text.size())) return false;
    std::copy(text.begin(), text.end(), end());
    advance(text.size());
    return true;
  }
  bool flush() {
    const bool ok = writer_.write(chunk_.get(), used_);
    used_ = 0;
    return ok;
  }

 private:
  AtomicFileWriter& writer_;
  std::unique_ptr<char[]> chunk_;
  std::size_t used_ = 0;
};
