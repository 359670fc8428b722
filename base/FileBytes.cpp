#include "base/FileBytes.h"

#include <fstream>
#include <new>

bool readFileBytes(const std::string& path, std::uint64_t maxSize,
                   std::vector<std::uint8_t>& bytes) {
  bytes.clear();
  std::ifstream file(path, std::ios::binary | std::ios::ate);
  if (!file) return false;
  const std::streamoff size = file.tellg();
  if (size < 0 || static_cast<std::uint64_t>(size) > maxSize) return false;
  try {
    bytes.resize(static_cast<std::size_t>(size));
  } catch (const std::bad_alloc&) {
    return false;
  }
  file.seekg(0);
  if (!file.read(reinterpret_cast<char*>(bytes.data()), size)) {
    std::vector<std::uint8_t>().swap(bytes);
    return false;
  }
  return true;
}
