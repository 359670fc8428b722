#pragma once
// AtomicFileWriter: writes a file so that the target either receives the complete new
// contents or stays exactly as it was. Streams through a 1 MiB buffer into a uniquely
// named temporary file in the target's own folder, checks every write, flush, fsync and
// close, and renames over the target on commit. Knows nothing about file formats.
//
// Targets that exist but are not regular files (devices such as /dev/full, pipes,
// folders) are refused by open(): renaming over them would replace the device node or
// fail anyway, and writing to them in place could not be atomic. A symbolic link is
// followed, so the file it names is replaced and the link stays.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

class AtomicFileWriter {
 public:
  AtomicFileWriter() = default;
  // Abandons the file (removes the temporary file) unless commit() succeeded.
  ~AtomicFileWriter();
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  // Creates the temporary file beside targetPath. False when the folder does not exist,
  // is not a folder, cannot be written, or the target exists and is not a regular file.
  // A writer that is already open is abandoned first.
  bool open(const std::string& targetPath);
  // Appends size bytes (buffered). False once any write has failed; after a failure
  // every later write and commit() fail too.
  bool write(const void* data, std::size_t size);
  // Flushes, syncs and closes the temporary file and renames it over the target.
  // False on any error; the target is then unchanged and the temporary file removed.
  bool commit();
  // Drops everything written so far and removes the temporary file. Safe to repeat.
  void abandon();

  // The errno of the first failure (0 when none), for messages.
  int lastError() const { return error_; }
  // The temporary file's path while open (empty otherwise).
  const std::string& temporaryPath() const { return tempPath_; }

  // Test hook: the file system behaves as full once this many bytes have reached the
  // temporary file (writes then fail with ENOSPC). Must be called after open().
  void simulateDiskFullAfter(std::uint64_t bytes) { diskFullAfter_ = bytes; }

 private:
  bool flushBuffer();
  bool writeAll(const std::uint8_t* data, std::size_t size);
  bool fail(int error);

  static constexpr std::size_t kBufferSize = std::size_t{1} << 20;

  std::unique_ptr<std::uint8_t[]> buffer_;
  std::size_t buffered_ = 0;
  int fd_ = -1;
  int error_ = 0;
  bool failed_ = false;
  std::string targetPath_;
  std::string tempPath_;
  std::uint64_t written_ = 0;
  std::uint64_t diskFullAfter_ = UINT64_MAX;
};

// Writes size bytes to path atomically (see AtomicFileWriter). False on any error, in
// which case an existing file at path is left untouched.
bool writeFileAtomically(const std::string& path, const std::uint8_t* data, std::size_t size);
