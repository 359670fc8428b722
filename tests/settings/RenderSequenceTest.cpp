// The render sequence's stored text: read like sscanf("%d,%d,...") with its stops, written
// as eight signed decimals with the reserved places 0.

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "settings/RenderSequence.h"

namespace {

// startDelay, drawInterval, drawCount, processCount, stopTime.
using Values = std::array<std::uint32_t, 5>;

Values valuesOf(const RenderSequence& s) {
  return {s.startDelay, s.drawInterval, s.drawCount, s.processCount, s.stopTime};
}

}  // namespace

TEST(RenderSequence, ParsingStopsAtTheFirstPlaceThatDoesNotMatch) {
  struct Case {
    const char* name;
    std::string text;
    int matched;
    Values values;
  };
  const Values defaults{2000, 20, 256, 50, 600};
  const Case cases[] = {
      {"default text", "2000,20,256,50,600,0,0,0", 8, defaults},
      {"three values", "100,10,5", 3, {100, 10, 5, 50, 600}},
      {"empty", "", 0, defaults},
      {"not a number", "abc,1,2", 0, defaults},
      {"stops at a bad place", "1,2,x,4,5", 2, {1, 2, 256, 50, 600}},
      {"space before a comma stops", "1 ,2", 1, {1, 20, 256, 50, 600}},
      {"space and sign before a number", "1, +2, 3", 3, {1, 2, 3, 50, 600}},
      {"negative keeps 32 bits", "-1,20,256,50,600", 5, {4294967295u, 20, 256, 50, 600}},
      {"text after the eighth ignored", "1,2,3,4,5,7,8,9,10,junk", 8, {1, 2, 3, 4, 5}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RenderSequence sequence;
    EXPECT_EQ(parseRenderSequence(c.text, sequence), c.matched);
    EXPECT_EQ(valuesOf(sequence), c.values);
  }
}

TEST(RenderSequence, FormatWritesSignedValuesAndZeroReserves) {
  EXPECT_EQ(formatRenderSequence(RenderSequence{}), "2000,20,256,50,600,0,0,0");
  const RenderSequence big{3000000000u, 1, 2, 3, 4};
  const std::string text = formatRenderSequence(big);
  EXPECT_EQ(text, "-1294967296,1,2,3,4,0,0,0");
  RenderSequence back;
  parseRenderSequence(text, back);
  EXPECT_EQ(back, big);
}
