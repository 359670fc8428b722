// The DXF text formatting: numbers identical to "%d" and "%.2f", the face layout, and
// the coordinate conversion's guard against values that have no 32-bit integer.

#include "export/DxfFormat.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>

namespace {

std::string fixed2(double value) {
  char text[kMaxFixed2Bytes];
  return std::string(text, formatFixed2(text, value));
}

std::string printfFixed2(double value) {
  char text[400];
  const int length = std::snprintf(text, sizeof text, "%.2f", value);
  return std::string(text, static_cast<std::size_t>(length));
}

std::string integer(std::int32_t value) {
  char text[16];
  return std::string(text, formatInteger(text, value));
}

std::string face(const TerrainPolygon& polygon) {
  std::string text(kMaxDxfFaceBytes, '\0');
  text.resize(formatDxfFace(polygon, text.data()));
  return text;
}

TEST(DxfFormat, Fixed2MatchesPrintfOnNamedCases) {
  struct Case {
    const char* name;
    double value;
  };
  const Case cases[] = {
      {"zero", 0.0},
      {"negative zero", -0.0},
      {"63.75 x 100", 63.75 * 100.0},
      {"255 x 0.25 x 100", 255 * 0.25 * 100.0},
      {"tie rounds to even down", 0.125},
      {"tie rounds to even up", 0.375},
      {"not a tie in binary", 0.005},
      {"1.005 lies below the tie", 1.005},
      {"2.675 lies below the tie", 2.675},
      {"1.015 lies above the tie", 1.015},
      {"small negative rounds to -0.00", -0.001},
      {"negative tie", -0.125},
      {"just below one", 0.999},
      {"smallest subnormal", std::numeric_limits<double>::denorm_min()},
      {"smallest normal", std::numeric_limits<double>::min()},
      {"2^53", 9007199254740992.0},
      {"2^63", 9223372036854775808.0},
      {"2^64 (slow path)", 18446744073709551616.0},
      {"largest double", std::numeric_limits<double>::max()},
      {"most negative double", -std::numeric_limits<double>::max()},
      {"half below 2^52", 4503599627370495.5},
      {"infinity", std::numeric_limits<double>::infinity()},
      {"negative infinity", -std::numeric_limits<double>::infinity()},
      {"nan", std::numeric_limits<double>::quiet_NaN()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(fixed2(c.value), printfFixed2(c.value));
  }
}

TEST(DxfFormat, Fixed2MatchesPrintfOnRandomValues) {
  std::mt19937_64 random(20240611);
  std::uniform_real_distribution<double> heights(-30000.0, 30000.0);
  std::uniform_int_distribution<std::int64_t> hundredths(-10000000, 10000000);
  std::uniform_int_distribution<int> exponents(-1074, 1023);
  for (int i = 0; i < 50000; ++i) {
    const double candidates[] = {
        heights(random),
        static_cast<double>(hundredths(random)) / 100.0,            // near the ties
        static_cast<double>(hundredths(random)) / 1000.0 + 0.0005,  // odd thousandths
        std::ldexp(static_cast<double>(random() >> 11), exponents(random) - 52),
        std::bit_cast<double>(random()),  // any bit pattern, NaNs included
        static_cast<double>(hundredths(random) % 256) * 0.25 * 100.0,  // what buildMesh gives
    };
    for (double value : candidates) {
      ASSERT_EQ(fixed2(value), printfFixed2(value)) << std::hexfloat << value;
    }
  }
}

TEST(DxfFormat, IntegerMatchesPrintf) {
  std::mt19937 random(7);
  std::vector<std::int32_t> values = {0, 1, -1, 9, 10, 99, 100, -100, 12345, INT32_MAX, INT32_MIN};
  for (int i = 0; i < 100000; ++i) values.push_back(static_cast<std::int32_t>(random()));
  for (std::int32_t value : values) {
    char expected[16];
    std::snprintf(expected, sizeof expected, "%d", value);
    ASSERT_EQ(integer(value), expected);
  }
}

TEST(DxfFormat, CoordinateTruncatesTowardZeroAndGuardsTheRange) {
  struct Case {
    const char* name;
    double value;
    std::int32_t expected;
  };
  const Case cases[] = {
      {"column 3", 3.0, 300},
      {"fraction truncated", 1.239, 123},
      {"negative truncated toward zero", -1.239, -123},
      {"largest that fits", 21474836.47, 2147483647},
      {"just beyond the top", 21474836.48, INT32_MAX},
      {"far beyond the top", 1e300, INT32_MAX},
      {"most negative that fits", -21474836.48, INT32_MIN},
      {"beyond the bottom", -1e300, INT32_MIN},
      {"infinity", std::numeric_limits<double>::infinity(), INT32_MAX},
      {"negative infinity", -std::numeric_limits<double>::infinity(), INT32_MIN},
      {"nan", std::numeric_limits<double>::quiet_NaN(), 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(dxfCoordinate(c.value), c.expected);
  }
}

TEST(DxfFormat, FaceHasThirtyLinesAndRepeatsTheThirdCorner) {
  TerrainPolygon polygon{};
  polygon.v[0] = {3.0, 7.0, 50.25, 0};
  polygon.v[1] = {4.0, 7.0, 63.75, 0};
  polygon.v[2] = {4.0, 8.0, -0.001, 0};
  EXPECT_EQ(face(polygon),
            "0\r\n3DFACE\r\n8\r\nQN Object\r\n62\r\n8\r\n"
            "10\r\n300\r\n20\r\n700\r\n30\r\n5025.00\r\n"
            "11\r\n400\r\n21\r\n700\r\n31\r\n6375.00\r\n"
            "12\r\n400\r\n22\r\n800\r\n32\r\n-0.10\r\n"
            "13\r\n400\r\n23\r\n800\r\n33\r\n-0.10\r\n");
}

TEST(DxfFormat, LongestFaceFitsItsBound) {
  TerrainPolygon polygon{};
  for (TerrainVertex& v : polygon.v) v = {-1e300, -1e300, -std::numeric_limits<double>::max(), 0};
  EXPECT_LE(face(polygon).size(), kMaxDxfFaceBytes);
}

}  // namespace
