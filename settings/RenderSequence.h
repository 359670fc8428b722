#pragma once
// RenderSequence: the five pacing values of incremental painting and their stored text
// "startDelay,drawInterval,drawCount,processCount,stopTime,0,0,0" (eight signed decimals).
// Plain data and text conversion only: who holds the values (the render view and the
// engine) and where the text is stored (the settings store) are the callers' business.

#include <cstdint>
#include <string>
#include <string_view>

struct RenderSequence {
  std::uint32_t startDelay = 2000;  // ms from the start command to the first tick
  std::uint32_t drawInterval = 20;  // ms between ticks inside a burst
  std::uint32_t drawCount = 256;    // triangles painted per drawing tick
  std::uint32_t processCount = 50;  // drawing ticks per burst; 0 = no pauses
  std::uint32_t stopTime = 600;     // ms pause between bursts; 0 = no pauses

  friend bool operator==(const RenderSequence&, const RenderSequence&) = default;
};

// The text used when nothing is stored.
inline constexpr std::string_view kDefaultRenderSequenceText = "2000,20,256,50,600,0,0,0";

// Reads the eight comma-separated integers into values, in the stored order, like
// sscanf("%d,%d,...") does: each number may be preceded by white space and a sign,
// commas must follow immediately, and reading stops at the first place that does not
// match, leaving that value and every later one as they were. The three reserved places
// are read and ignored; text after the eighth integer is ignored. Each number is taken
// as a signed 32-bit value and kept as its 32 bits (so "-1" gives 0xFFFFFFFF); numbers
// beyond the 64-bit range saturate first. Returns how many places matched (0..8).
int parseRenderSequence(std::string_view text, RenderSequence& values);

// The stored text: the five values as signed decimals, then 0,0,0.
std::string formatRenderSequence(const RenderSequence& values);
