#pragma once
// Whole-file reads and writes for tests: bytes or text in, bytes or text out, no parsing.
// A file that cannot be read reads as empty; writes report whether every byte reached the file.

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

inline std::vector<std::uint8_t> readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline std::string readText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline bool writeText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  return static_cast<bool>(out.flush());
}

inline bool writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  return writeText(path, std::string(bytes.begin(), bytes.end()));
}
