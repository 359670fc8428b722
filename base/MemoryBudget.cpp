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

// cgroup v2: the line "0::/path" of /proc/self/cgroup names our group.
std::uint64_t cgroupRoom() {
  std::ifstream file("/proc/self/cgroup");
  std::string line;
  while (std::getline(file, line)) {
    if (line.rfind("0::", 0) != 0) continue;
    const std::string folder = "/sys/fs/cgroup" + line.substr(3);
    const std::uint64_t limit = readNumber(folder + "/memory.max");
    const std::uint64_t used = readNumber(folder + "/memory.current");
    if (limit == kUnknown || used == kUnknown) return kUnknown;
    return limit > used ? limit - used : 0;
  }
  return kUnknown;
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
