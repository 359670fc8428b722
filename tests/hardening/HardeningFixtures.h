#pragma once
// Helpers for the hardening tests: mounts that are undone when the test ends, a file system
// filled to the last byte, and running qn-render with its exit status and stderr captured.
// Folders, file contents and textures come from tests/support.

#include <sys/mount.h>
#include <sys/wait.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/FileContents.h"
#include "support/TempFolder.h"
#include "support/TestTextures.h"

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
inline RunResult runRender(const std::vector<std::string>& arguments,
                           const std::string& errorFile) {
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
