// Regression tests of faults the fuzz targets found, one per fault.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "document/DocumentFile.h"
#include "settings/NumberText.h"
#include "settings/SettingsFields.h"

// fuzz_qnf: a name of exactly 1023 bytes was written, but reading fills the line by count
// and takes its CR LF as the next name, so the document reopened with shifted settings.
TEST(FuzzFindings, NameThatFillsTheReadLineIsNotStored) {
  EXPECT_EQ(encodeDocument(std::string(kMaxStoredNameLength, 'n'), "b.bmp", RenderSettings{}),
            std::nullopt);
  EXPECT_EQ(encodeDocument("s.bmp", std::string(kMaxStoredNameLength, 'n'), RenderSettings{}),
            std::nullopt);

  RenderSettings settings;
  settings.screenWidth = 640;
  const std::string longest(kMaxStoredNameLength - 1, 'n');
  const auto bytes = encodeDocument(longest, longest, settings);
  ASSERT_TRUE(bytes.has_value());
  const DocumentParseResult read = parseDocument(*bytes);
  ASSERT_EQ(read.status, DocumentParseStatus::Parsed);
  EXPECT_EQ(read.data.surfaceName, longest);
  EXPECT_EQ(read.data.bumpName, longest);
  EXPECT_EQ(read.data.settings, settings);
}

// fuzz_numbers, fuzz_set: the largest doubles were shown with 15 digits as
// "1.79769313486232e+308", which lies beyond the largest double and was refused when read
// back: a value the dialog showed could not be confirmed with OK.
TEST(FuzzFindings, LargestDoublesShowAsTextThatReadsBack) {
  const double largest = std::numeric_limits<double>::max();
  for (double value : {largest, -largest, std::nextafter(largest, 0.0)}) {
    SCOPED_TRACE(value);
    const std::string shown = formatDouble(value);
    EXPECT_EQ(parseDouble(shown), value) << shown;
  }
  // Everywhere else the 15-digit form stays.
  EXPECT_EQ(formatDouble(1.79769313486231e308), "1.79769313486231e+308");
  EXPECT_EQ(formatDouble(1e308), "1e+308");

  RenderSettings settings;
  ASSERT_FALSE(parseAssignment(settings, "distance=1.7976931348623157e308").has_value());
  RenderSettings again;
  EXPECT_FALSE(parseField(again, "distance", formatField(settings, "distance")).has_value());
  EXPECT_EQ(again.distance, settings.distance);
}
