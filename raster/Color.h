#pragma once
// Colour values as the whole program passes them: 32 bits, red in bits 0-7, green in
// bits 8-15, blue in bits 16-23, bits 24-31 zero. Owns nothing; pure helpers only.

#include <cstdint>

using Color = std::uint32_t;

// What a pixel read outside an image returns (all 32 bits set).
inline constexpr Color kInvalidColor = 0xFFFFFFFFu;
inline constexpr Color kBlack = 0x000000u;
inline constexpr Color kWhite = 0xFFFFFFu;
inline constexpr Color kGrey = 0x808080u;  // the outlines of wireframe pictures

constexpr Color makeColor(std::uint32_t red, std::uint32_t green, std::uint32_t blue) {
  return (red & 0xFFu) | ((green & 0xFFu) << 8) | ((blue & 0xFFu) << 16);
}
constexpr std::uint32_t redOf(Color c) { return c & 0xFFu; }
constexpr std::uint32_t greenOf(Color c) { return (c >> 8) & 0xFFu; }
constexpr std::uint32_t blueOf(Color c) { return (c >> 16) & 0xFFu; }
