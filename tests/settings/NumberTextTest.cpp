// The settings dialog's number conversions: shown text and the strict reading back.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <optional>
#include <string>

#include "settings/NumberText.h"

TEST(NumberText, FormatsUnsignedAsDecimal) {
  EXPECT_EQ(formatUnsigned(0), "0");
  EXPECT_EQ(formatUnsigned(320), "320");
  EXPECT_EQ(formatUnsigned(4294967295u), "4294967295");
}

TEST(NumberText, FormatsDoublesWithFifteenSignificantDigits) {
  struct Case {
    const char* name;
    double value;
    const char* expected;
  };
  const Case cases[] = {
      {"whole number", 240.0, "240"},
      {"quarter", 0.25, "0.25"},
      {"zero", 0.0, "0"},
      {"negative zero", -0.0, "-0"},
      {"negative", -2.5, "-2.5"},
      {"one tenth rounds to 15 digits", 0.1, "0.1"},
      {"third", 1.0 / 3.0, "0.333333333333333"},
      {"large uses exponent", 1e20, "1e+20"},
      {"small uses exponent", 1e-7, "1e-07"},
      {"fifteen digits kept", 123456789012345.0, "123456789012345"},
      {"sixteen digits go to exponent", 1234567890123456.0, "1.23456789012346e+15"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(formatDouble(c.value), c.expected);
  }
}

TEST(NumberText, ReadsUnsignedByTheDialogRules) {
  struct Case {
    const char* name;
    std::string text;
    std::optional<std::uint32_t> expected;
  };
  const Case cases[] = {
      {"plain", "320", 320u},
      {"blanks and tabs around", " \t 42 \t", 42u},
      {"zero written as digit", "0", 0u},
      {"zero with blanks", "  0 ", 0u},
      {"leading zeros", "007", 7u},
      {"plus sign", "+5", 5u},
      {"plus zero is not the digit 0", "+0", std::nullopt},
      {"empty", "", std::nullopt},
      {"blanks only", "   ", std::nullopt},
      {"minus refused", "-5", std::nullopt},
      {"minus zero refused", "-0", std::nullopt},
      {"trailing letters", "12abc", std::nullopt},
      {"exponent is not an integer", "1e3", std::nullopt},
      {"decimal point", "1.5", std::nullopt},
      {"inner blank", "1 2", std::nullopt},
      {"largest", "4294967295", 4294967295u},
      {"out of range", "4294967296", std::nullopt},
      {"newline after is not a blank", "5\n", std::nullopt},
      {"only the first 31 characters are read", std::string(30, ' ') + "12", 1u},
      {"text beyond 31 characters is ignored", "5" + std::string(30, ' ') + "x", 5u},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(parseUnsigned(c.text), c.expected);
  }
}

TEST(NumberText, ReadsDoublesByTheDialogRules) {
  struct Case {
    const char* name;
    std::string text;
    std::optional<double> expected;
  };
  const Case cases[] = {
      {"whole", "240", 240.0},
      {"fraction", "0.25", 0.25},
      {"negative", "-2.5", -2.5},
      {"leading point", ".5", 0.5},
      {"exponent", "1e3", 1000.0},
      {"plus sign", "+1.5", 1.5},
      {"blanks and tabs around", "\t 3.5  ", 3.5},
      {"zero", "0", 0.0},
      {"zero with blanks", "  0 ", 0.0},
      {"zero point zero", "0.0", 0.0},
      {"zero with exponent", "0e5", 0.0},
      {"point zero refused", ".0", std::nullopt},
      {"minus zero refused", "-0", std::nullopt},
      {"minus zero point zero refused", "-0.0", std::nullopt},
      {"empty refused", "", std::nullopt},
      {"trailing letters refused", "12abc", std::nullopt},
      {"comma decimal refused", "1,5", std::nullopt},
      {"nan refused", "nan", std::nullopt},
      {"inf refused", "inf", std::nullopt},
      {"negative infinity refused", "-infinity", std::nullopt},
      {"overflow refused", "1e400", std::nullopt},
      {"underflow refused", "1e-400", std::nullopt},
      {"hexadecimal refused", "0x10", std::nullopt},
      {"only the first 31 characters are read", std::string(29, ' ') + "1.5", 1.0},
      {"31 digits then a letter", std::string(31, '1') + "x", 1111111111111111111111111111111.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(parseDouble(c.text), c.expected);
  }
}

TEST(NumberText, ReadsBackWhatItShows) {
  const double values[] = {240.0, 0.25, -1.0 / 3.0, 1e20, 1e-7, 255.5, -0.0001};
  for (double value : values) {
    SCOPED_TRACE(value);
    const std::optional<double> back = parseDouble(formatDouble(value));
    ASSERT_TRUE(back.has_value());
    // Fifteen digits: equal to the value or within its last digits.
    EXPECT_NEAR(*back, value, std::abs(value) * 1e-14);
  }
  EXPECT_EQ(parseUnsigned(formatUnsigned(4294967295u)), 4294967295u);
}
