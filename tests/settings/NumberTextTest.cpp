// The settings dialog's number text (shown, and read back strictly) and the render
// sequence's stored text.

#include <gtest/gtest.h>

#include <array>
#include <cfloat>
#include <cmath>
#include <optional>
#include <string>
#include <utility>

#include "settings/NumberText.h"
#include "settings/RenderSequence.h"

TEST(NumberText, FormatsInTheShortestFormThatReadsBack) {
  EXPECT_EQ(formatUnsigned(0), "0");
  EXPECT_EQ(formatUnsigned(320), "320");
  EXPECT_EQ(formatUnsigned(4294967295u), "4294967295");
  // Sixteen digits go to the exponent; the largest double needs 17 digits to read back.
  const std::pair<double, const char*> cases[] = {{240.0, "240"},
                                                  {0.25, "0.25"},
                                                  {0.0, "0"},
                                                  {-0.0, "-0"},
                                                  {-2.5, "-2.5"},
                                                  {0.1, "0.1"},
                                                  {0.33333333333333331, "0.333333333333333"},
                                                  {-0.33333333333333331, "-0.333333333333333"},
                                                  {1e20, "1e+20"},
                                                  {1e-7, "1e-07"},
                                                  {255.5, "255.5"},
                                                  {-0.0001, "-0.0001"},
                                                  {123456789012345.0, "123456789012345"},
                                                  {1234567890123456.0, "1.23456789012346e+15"},
                                                  {DBL_MAX, "1.7976931348623157e+308"}};
  for (const auto& [value, text] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(formatDouble(value), text);
    if (value == 0 && std::signbit(value)) continue;  // "-0" is refused on reading
    const std::optional<double> back = parseDouble(text);
    ASSERT_TRUE(back.has_value());
    EXPECT_NEAR(*back, value, std::abs(value) * 1e-14);
  }
}

// A zero must start with the digit 0; a newline is not a blank; only the first 31 characters
// are read.
TEST(NumberText, ReadsBackByTheDialogRules) {
  const std::pair<std::string, std::uint32_t> unsignedOk[] = {
      {"320", 320u}, {" \t 42 \t", 42u},         {"0", 0u}, {"  0 ", 0u}, {"007", 7u},
      {"+5", 5u},    {"4294967295", 4294967295u}};
  for (const auto& [text, value] : unsignedOk) EXPECT_EQ(parseUnsigned(text), value) << text;
  for (const char* text :
       {"+0", "", "   ", "-5", "-0", "12abc", "1e3", "1.5", "1 2", "4294967296", "5\n"})
    EXPECT_EQ(parseUnsigned(text), std::nullopt) << "'" << text << "'";
  EXPECT_EQ(parseUnsigned(std::string(30, ' ') + "12"), 1u);
  EXPECT_EQ(parseUnsigned("5" + std::string(30, ' ') + "x"), 5u);

  const std::pair<std::string, double> doubleOk[] = {
      {"240", 240.0},  {"0.25", 0.25}, {"-2.5", -2.5},    {".5", 0.5},
      {"1e3", 1000.0}, {"+1.5", 1.5},  {"\t 3.5  ", 3.5}, {"0", 0.0},
      {"  0 ", 0.0},   {"0.0", 0.0},   {"0e5", 0.0}};
  for (const auto& [text, value] : doubleOk) EXPECT_EQ(parseDouble(text), value) << text;
  for (const char* text : {".0", "-0", "-0.0", "", "12abc", "1,5", "nan", "inf", "-infinity",
                           "1e400", "1e-400", "0x10"})
    EXPECT_EQ(parseDouble(text), std::nullopt) << "'" << text << "'";
  EXPECT_EQ(parseDouble(std::string(29, ' ') + "1.5"), 1.0);
  EXPECT_EQ(parseDouble(std::string(31, '1') + "x"), 1111111111111111111111111111111.0);
}

// Read like sscanf("%d,%d,...") with its stops; written as eight signed decimals with the
// reserved places 0.
TEST(RenderSequence, ParsesUpToTheFirstMismatchAndFormatsSigned) {
  using Values = std::array<std::uint32_t, 5>;
  const Values defaults{2000, 20, 256, 50, 600};
  const struct {
    std::string text;
    int matched;
    Values values;
  } cases[] = {{"2000,20,256,50,600,0,0,0", 8, defaults},
               {"100,10,5", 3, {100, 10, 5, 50, 600}},
               {"", 0, defaults},
               {"abc,1,2", 0, defaults},
               {"1,2,x,4,5", 2, {1, 2, 256, 50, 600}},
               {"1 ,2", 1, {1, 20, 256, 50, 600}},
               {"1, +2, 3", 3, {1, 2, 3, 50, 600}},
               {"-1,20,256,50,600", 5, {4294967295u, 20, 256, 50, 600}},
               {"1,2,3,4,5,7,8,9,10,junk", 8, {1, 2, 3, 4, 5}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    RenderSequence s;
    EXPECT_EQ(parseRenderSequence(c.text, s), c.matched);
    EXPECT_EQ((Values{s.startDelay, s.drawInterval, s.drawCount, s.processCount, s.stopTime}),
              c.values);
  }
  EXPECT_EQ(formatRenderSequence(RenderSequence{}), "2000,20,256,50,600,0,0,0");
  const RenderSequence big{3000000000u, 1, 2, 3, 4};
  EXPECT_EQ(formatRenderSequence(big), "-1294967296,1,2,3,4,0,0,0");
  RenderSequence back;
  parseRenderSequence(formatRenderSequence(big), back);
  EXPECT_EQ(back, big);
}
