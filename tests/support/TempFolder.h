#pragma once
// TempFolder: a fresh folder under the system temp folder for one test, removed with its
// contents when the test ends, and folderEntries() to show that no temporary file was left
// behind. Test code only; it never touches anything outside its own folder.

#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

// Names of everything in folder, sorted; empty when the folder cannot be read.
inline std::vector<std::string> folderEntries(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class TempFolder {
 public:
  TempFolder() : path_((std::filesystem::temp_directory_path() / "qn_test_XXXXXX").string()) {
    if (::mkdtemp(path_.data()) == nullptr) path_.clear();  // empty: the folder was not made
  }
  ~TempFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  std::vector<std::string> entries() const { return folderEntries(path_); }

 private:
  std::string path_;
};
