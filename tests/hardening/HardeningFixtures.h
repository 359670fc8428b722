#pragma once
// Hardening helpers: mounts undone when the test ends, a file system filled to the last
// byte, and qn-render run with its exit status and stderr captured.

#include <sys/mount.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/FileContents.h"
#include "support/TempFolder.h"
#include "support/TestTextures.h"

// Mount points made by a test (tmpfs, bind), unmounted in reverse order. Needs root: a test
// skips itself when mounting fails.
class Mounts {
 public:
  Mounts() = default;
  Mounts(const Mounts&) = delete;
  ~Mounts() {
    for (auto it = points_.rbegin(); it != points_.rend(); ++it) ::umount2(it->c_str(), MNT_DETACH);
  }
  bool tmpfs(const std::string& folder, const std::string& options) {
    std::filesystem::create_directories(folder);
    return add(::mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()), folder);
  }
  bool bind(const std::string& source, const std::string& target) {
    return add(::mount(source.c_str(), target.c_str(), nullptr, MS_BIND, nullptr), target);
  }

 private:
  bool add(int result, const std::string& point) {
    if (result == 0) points_.push_back(point);
    return result == 0;
  }
  std::vector<std::string> points_;
};

// Writes until the file system holding folder is full: the next write of any size fails.
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
inline RunResult runRender(const std::vector<std::string>& arguments,
                           const std::string& errorFile) {
  std::string command = "'" QN_RENDER_PATH "'";
  for (const std::string& argument : arguments) command += " '" + argument + "'";
  const int status = std::system((command + " >/dev/null 2>'" + errorFile + "'").c_str());
  RunResult result;
  if (status != -1 && WIFEXITED(status)) result.exitStatus = WEXITSTATUS(status);
  result.errorOutput = readText(errorFile);
  return result;
}
#endif
