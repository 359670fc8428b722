#pragma once
// FileBytes: reads a whole file into memory, refusing files larger than the caller allows
// before anything is allocated. It owns no decoding; readers take the bytes from here.

#include <cstdint>
#include <string>
#include <vector>

// The bytes of the file at path. False (bytes empty) when it cannot be opened or read,
// is no regular file's worth of bytes, is larger than maxSize or does not fit in memory.
bool readFileBytes(const std::string& path, std::uint64_t maxSize,
                   std::vector<std::uint8_t>& bytes);
