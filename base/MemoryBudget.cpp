// MemoryBudget: read from /proc and /sys on Linux; elsewhere nothing is known.

#include "base/MemoryBudget.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>

#if defined(__linux__)
#include <sys/resource.h>
#endif

namespace {

constexpr std::uint64_t kUnknown = UINT64_MAX;

// The first number of a file ("max" and unreadable files give kUnknown).
std::uint64_t readNumber(const std::string& path) {
  std::ifstream file(path);
  std::uint64_t value = 0;
  if (!(file >> value)) return kUnknown;
  return value;
}

std::uint64_t systemAvailable() {
  std::ifstream file("/proc/meminfo");
  std::string name;
  std::uint64_t kib = 0;
  std::string unit;
  while (file >> name >> kib) {
    std::getline(file, unit);
    if (name == "MemAvailable:") return kib * 1024;
  }
  return kUnknown;
}

// The room left under the limits of a control group and of every group above it.
std::uint64_t roomUpFrom(const std::string& root, std::string group, const char* limitFile,
                         const char* usageFile) {
  std::uint64_t room = kUnknown;
  for (;;) {
    const std::string folder = root + group;
    const std::uint64_t limit = readNumber(folder + "/" + limitFile);
    const std::uint64_t used = readNumber(folder + "/" + usageFile);
    if (limit != kUnknown && used != kUnknown)
      room = std::min(room, limit > used ? limit - used : 0);
    if (group.empty() || group == "/") return room;
    group.erase(group.rfind('/'));
  }
}

// Our groups are named in /proc/self/cgroup: "0::/path" for cgroup v2, "N:memory:/path"
// (the controller among others, comma-separated) for the memory controller of v1.
std::uint64_t cgroupRoom() {
  std::ifstream file("/proc/self/cgroup");
  std::string line;
  std::uint64_t room = kUnknown;
  while (std::getline(file, line)) {
    const std::size_t first = line.find(':');
    const std::size_t second = line.find(':', first + 1);
    if (first == std::string::npos || second == std::string::npos) continue;
    const std::string controllers = "," + line.substr(first + 1, second - first - 1) + ",";
    const std::string group = line.substr(second + 1);
    if (controllers == ",,") {
      room = std::min(room, roomUpFrom("/sys/fs/cgroup", group, "memory.max", "memory.current"));
    } else if (controllers.find(",memory,") != std::string::npos) {
      room = std::min(room, roomUpFrom("/sys/fs/cgroup/memory", group, "memory.limit_in_bytes",
                                       "memory.usage_in_bytes"));
    }
  }
  return room;
}

std::uint64_t addressSpaceRoom() {
#if defined(__linux__)
  rlimit limit{};
  if (getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return kUnknown;
  // VmSize of /proc/self/status is what already counts against the limit.
  std::ifstream file("/proc/self/status");
  std::string line;
  while (std::getline(file, line)) {
    if (line.rfind("VmSize:", 0) != 0) continue;
    std::istringstream fields(line.substr(7));
    std::uint64_t kib = 0;
    if (!(fields >> kib)) break;
    const std::uint64_t used = kib * 1024;
    return limit.rlim_cur > used ? limit.rlim_cur - used : 0;
  }
#endif
  return kUnknown;
}

}  // namespace

std::uint64_t availableMemoryBytes() {
  return std::min({systemAvailable(), cgroupRoom(), addressSpaceRoom()});
}
