#pragma once
// Helpers for the hardening tests: a scratch folder, whole-file reads and writes, small
// textures, mounts that are undone when the test ends, and running qn-render with its
// exit status and stderr captured.

#include <sys/mount.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "raster/DibImage.h"

class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "qn_hard_XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~ScratchFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  std::string path() const { return path_.string(); }
  std::string file(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// Names in a folder (sorted), to show that no temporary file was left behind.
inline std::vector<std::string> folderEntries(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

inline std::vector<std::uint8_t> readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline bool writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out.flush());
}

// A width x height texture whose red channel (the height of a bump texture) rises to the
// right and whose green channel rises downwards.
inline DibImage gradientTexture(int width, int height) {
  DibImage image;
  if (!image.create(width, height)) return image;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      image.pixels()[std::size_t(y) * std::size_t(width) + std::size_t(x)] =
          makeColor(std::uint32_t(x * 255 / (width > 1 ? width - 1 : 1)),
                    std::uint32_t(y * 255 / (height > 1 ? height - 1 : 1)), 128);
  return image;
}

// Mount points made by a test (a tmpfs, a bind mount), unmounted in reverse order at the
// end. Mounting needs root; a test skips itself when mount() fails.
class Mounts {
 public:
  Mounts() = default;
  ~Mounts() {
    for (auto it = points_.rbegin(); it != points_.rend(); ++it) ::umount2(it->c_str(), MNT_DETACH);
  }
  Mounts(const Mounts&) = delete;
  Mounts& operator=(const Mounts&) = delete;

  bool tmpfs(const std::string& folder, const std::string& options) {
    std::filesystem::create_directories(folder);
    return add(::mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()), folder);
  }
  bool bind(const std::string& source, const std::string& target) {
    return add(::mount(source.c_str(), target.c_str(), nullptr, MS_BIND, nullptr), target);
  }

 private:
  bool add(int result, const std::string& point) {
    if (result != 0) return false;
    points_.push_back(point);
    return true;
  }
  std::vector<std::string> points_;
};

// Fills the file system holding folder until a write fails, so that the next write of
// any size fails with ENOSPC.
inline void fillFileSystem(const std::string& folder) {
  std::ofstream filler(folder + "/filler", std::ios::binary);
  const std::vector<char> block(4096, 'x');
  for (int i = 0; i < 1 << 16 && filler.write(block.data(), block.size()); ++i) {
  }
  filler.close();
  std::ofstream crumbs(folder + "/crumbs", std::ios::binary);
  for (int i = 0; i < 4096 && crumbs.put('x') && crumbs.flush(); ++i) {
  }
}

struct RunResult {
  int exitStatus = -1;  // -1 when the program did not exit normally
  std::string errorOutput;
};

#ifdef QN_RENDER_PATH
// Runs qn-render with arguments (each quoted for the shell) and captures stderr.
inline RunResult runRender(const std::vector<std::string>& arguments, const std::string& errorFile) {
  std::string command = "'" QN_RENDER_PATH "'";
  for (const std::string& argument : arguments) command += " '" + argument + "'";
  command += " >/dev/null 2>'" + errorFile + "'";
  const int status = std::system(command.c_str());
  RunResult result;
  if (status != -1 && WIFEXITED(status)) result.exitStatus = WEXITSTATUS(status);
  const std::vector<std::uint8_t> error = readBytes(errorFile);
  result.errorOutput.assign(error.begin(), error.end());
  return result;
}
#endif
