// Atomic replacement of a file: write a temporary file created with mkostemp in the
// target's folder, fsync it, close it (checking each step), then rename(2) it over the
// target. rename within one folder is atomic on POSIX file systems, so readers see the
// old file or the new one, never a mix; a failure at any step unlinks the temporary
// file and leaves the target alone.

#include "base/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <new>

namespace {

// Longest base name we give the temporary file: the 8 extra characters of ".X.XXXXXX"
// must still fit in NAME_MAX (255) when the target's own name is very long.
constexpr std::size_t kMaxTempBaseLength = 200;

// The mode a newly created file gets from open(2) with 0666: the process umask is read
// from /proc so that the umask itself is never changed (umask(2) is process-wide).
mode_t defaultNewFileMode() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("Umask:", 0) == 0) {
      const unsigned long mask = std::strtoul(line.c_str() + 6, nullptr, 8);
      return static_cast<mode_t>(0666 & ~mask);
    }
  }
  return 0644;
}

void syncFolder(const std::string& folder) {
  // Makes the rename itself durable; a failure here cannot undo the rename, so it is
  // not reported (the new contents are already in place and synced).
  const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    ::fsync(dirFd);
    ::close(dirFd);
  }
}

std::string folderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace

AtomicFileWriter::~AtomicFileWriter() { abandon(); }

bool AtomicFileWriter::fail(int error) {
  if (!failed_) error_ = error != 0 ? error : EIO;
  failed_ = true;
  return false;
}

bool AtomicFileWriter::open(const std::string& targetPath) {
  abandon();
  failed_ = false;
  error_ = 0;
  written_ = 0;
  diskFullAfter_ = UINT64_MAX;

  std::string target = targetPath;
  if (target.empty() || target.back() == '/') return fail(EISDIR);

  struct stat info {};
  bool exists = false;
  if (::lstat(target.c_str(), &info) == 0) {
    if (S_ISLNK(info.st_mode)) {
      // Replace the file the link names, keeping the link.
      char* resolved = ::realpath(target.c_str(), nullptr);
      if (resolved == nullptr) return fail(errno);
      target = resolved;
      std::free(resolved);
      if (::stat(target.c_str(), &info) != 0) return fail(errno);
    }
    if (!S_ISREG(info.st_mode)) return fail(S_ISDIR(info.st_mode) ? EISDIR : EINVAL);
    exists = true;
  } else if (errno != ENOENT) {
    return fail(errno);  // e.g. ENOTDIR: a parent is a regular file
  }

  const std::string folder = folderOf(target);
  std::string base = target.substr(target.find_last_of('/') + 1);
  if (base.size() > kMaxTempBaseLength) base.resize(kMaxTempBaseLength);
  std::string pattern = (folder == "/" ? std::string() : folder) + "/." + base + ".XXXXXX";

  buffer_.reset(new (std::nothrow) std::uint8_t[kBufferSize]);
  if (!buffer_) return fail(ENOMEM);

  const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
  if (fd < 0) {
    buffer_.reset();
    return fail(errno);
  }
  fd_ = fd;
  tempPath_ = pattern;
  targetPath_ = target;
  buffered_ = 0;

  // mkostemp creates mode 0600; give the new file the mode the old one had, or the
  // mode a plain newly created file would get.
  const mode_t mode = exists ? (info.st_mode & 07777) : defaultNewFileMode();
  if (::fchmod(fd_, mode) != 0) {
    const int error = errno;
    abandon();
    return fail(error);
  }
  return true;
}

bool AtomicFileWriter::writeAll(const std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    std::size_t chunk = size;
    if (written_ + chunk > diskFullAfter_)
      chunk = static_cast<std::size_t>(diskFullAfter_ - written_);
    ssize_t done = 0;
    if (chunk > 0) {
      done = ::write(fd_, data, chunk);
      if (done < 0) {
        if (errno == EINTR) continue;
        return fail(errno);
      }
    }
    if (done == 0) return fail(ENOSPC);  // simulated or a write(2) that made no progress
    written_ += static_cast<std::uint64_t>(done);
    data += done;
    size -= static_cast<std::size_t>(done);
  }
  return true;
}

bool AtomicFileWriter::flushBuffer() {
  if (buffered_ == 0) return true;
  const std::size_t count = buffered_;
  buffered_ = 0;
  return writeAll(buffer_.get(), count);
}

bool AtomicFileWriter::write(const void* data, std::size_t size) {
  if (fd_ < 0) return fail(EBADF);
  if (failed_) return false;
  if (size == 0) return true;
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  if (buffered_ + size <= kBufferSize) {
    std::memcpy(buffer_.get() + buffered_, bytes, size);
    buffered_ += size;
    return buffered_ < kBufferSize || flushBuffer();
  }
  // Top up the buffer, write it out, then send what is left straight through when it
  // is large and buffer it when it is small.
  const std::size_t head = kBufferSize - buffered_;
  std::memcpy(buffer_.get() + buffered_, bytes, head);
  buffered_ = kBufferSize;
  if (!flushBuffer()) return false;
  bytes += head;
  size -= head;
  if (size >= kBufferSize) return writeAll(bytes, size);
  std::memcpy(buffer_.get(), bytes, size);
  buffered_ = size;
  return true;
}

bool AtomicFileWriter::commit() {
  if (fd_ < 0) return fail(EBADF);
  bool ok = !failed_ && flushBuffer();
  if (ok && ::fsync(fd_) != 0) ok = fail(errno);
  const int fd = fd_;
  fd_ = -1;
  // close can report a delayed write error (NFS, quotas); even with EINTR the
  // descriptor is gone on Linux, so it is never closed twice.
  if (::close(fd) != 0 && ok) ok = fail(errno);
  if (ok && ::rename(tempPath_.c_str(), targetPath_.c_str()) != 0) ok = fail(errno);
  if (!ok) {
    abandon();
    return false;
  }
  syncFolder(folderOf(targetPath_));
  tempPath_.clear();
  targetPath_.clear();
  buffer_.reset();
  buffered_ = 0;
  return true;
}

void AtomicFileWriter::abandon() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  if (!tempPath_.empty()) {
    ::unlink(tempPath_.c_str());
    tempPath_.clear();
  }
  targetPath_.clear();
  buffer_.reset();
  buffered_ = 0;
}

bool writeFileAtomically(const std::string& path, const std::uint8_t* data, std::size_t size) {
  AtomicFileWriter writer;
  if (!writer.open(path)) return false;
  if (size > 0 && !writer.write(data, size)) return false;  // the destructor abandons
  return writer.commit();
}
