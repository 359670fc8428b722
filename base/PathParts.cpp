// Path splitting on '/', the one separator of this platform.

#include "base/PathParts.h"

std::string GetFileNamePart(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string GetDirectoryPart(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? std::string_view() : path.substr(0, slash));
}

std::string PathBeside(std::string_view documentPath, std::string_view name) {
  const std::size_t slash = documentPath.rfind('/');
  // Keeping the separator makes "/a.qnf" resolve in the root folder and "a.qnf" in the
  // current one, where joining an empty folder part with '/' would point at the root.
  if (slash == std::string_view::npos) return std::string(name);
  return std::string(documentPath.substr(0, slash + 1)) + std::string(name);
}
