#include "settings/RenderSequence.h"

#include <array>
#include <cstdio>
#include <limits>

namespace {

bool isSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// One "%d": optional white space, optional sign, at least one digit. Advances pos past
// the number on success; leaves it unspecified on failure (parsing stops then anyway).
bool readInteger(std::string_view text, std::size_t& pos, std::int64_t& value) {
  while (pos < text.size() && isSpace(text[pos])) ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos] == '-';
    ++pos;
  }
  constexpr std::int64_t kLimit = std::numeric_limits<std::int64_t>::max();
  std::int64_t magnitude = 0;
  std::size_t digits = 0;
  for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos, ++digits) {
    const int digit = text[pos] - '0';
    // Saturate instead of overflowing, as strtol does.
    magnitude = magnitude > (kLimit - digit) / 10 ? kLimit : magnitude * 10 + digit;
  }
  if (digits == 0) return false;
  value = negative ? -magnitude : magnitude;
  return true;
}

}  // namespace

int parseRenderSequence(std::string_view text, RenderSequence& values) {
  std::array<std::uint32_t*, 8> places = {&values.startDelay,
                                          &values.drawInterval,
                                          &values.drawCount,
                                          &values.processCount,
                                          &values.stopTime,
                                          nullptr,
                                          nullptr,
                                          nullptr};
  std::size_t pos = 0;
  int matched = 0;
  for (std::uint32_t* place : places) {
    if (matched > 0) {
      if (pos >= text.size() || text[pos] != ',') break;
      ++pos;
    }
    std::int64_t value = 0;
    if (!readInteger(text, pos, value)) break;
    // The value is stored as an int, whose 32 bits the unsigned field keeps.
    if (place != nullptr) *place = static_cast<std::uint32_t>(static_cast<std::uint64_t>(value));
    ++matched;
  }
  return matched;
}

std::string formatRenderSequence(const RenderSequence& values) {
  char text[256];
  std::snprintf(
      text, sizeof text, "%d,%d,%d,%d,%d,%d,%d,%d", static_cast<std::int32_t>(values.startDelay),
      static_cast<std::int32_t>(values.drawInterval), static_cast<std::int32_t>(values.drawCount),
      static_cast<std::int32_t>(values.processCount), static_cast<std::int32_t>(values.stopTime), 0,
      0, 0);
  return text;
}
