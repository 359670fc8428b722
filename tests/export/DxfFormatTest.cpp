// The DXF text formatting: numbers identical to "%d" and "%.2f", the face layout, and the
// coordinate conversion's guard against values that have no 32-bit integer.

#include "export/DxfFormat.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <random>

using Limits = std::numeric_limits<double>;

TEST(DxfFormat, NumbersMatchPrintf) {
  auto expectFixed2 = [](double value) {
    char text[kMaxFixed2Bytes], expected[400];
    std::snprintf(expected, sizeof expected, "%.2f", value);
    ASSERT_EQ(std::string(text, formatFixed2(text, value)), expected) << std::hexfloat << value;
  };
  // Ties to even and not (0.125, 0.375; 0.005, 1.005 and 2.675 below, 1.015 above), -0.00,
  // subnormals, 2^53, 2^63, 2^64 (the slow path), half below 2^52, the largest, inf and NaN.
  for (double value : {0.0,
                       -0.0,
                       63.75 * 100.0,
                       255 * 0.25 * 100.0,
                       0.125,
                       0.375,
                       0.005,
                       1.005,
                       2.675,
                       1.015,
                       -0.001,
                       -0.125,
                       0.999,
                       Limits::denorm_min(),
                       Limits::min(),
                       9007199254740992.0,
                       9223372036854775808.0,
                       18446744073709551616.0,
                       Limits::max(),
                       -Limits::max(),
                       4503599627370495.5,
                       Limits::infinity(),
                       -Limits::infinity(),
                       Limits::quiet_NaN()})
    expectFixed2(value);
  std::mt19937_64 random(20240611);
  std::uniform_real_distribution<double> heights(-30000.0, 30000.0);
  std::uniform_int_distribution<std::int64_t> hundredths(-10000000, 10000000);
  std::uniform_int_distribution<int> exponents(-1074, 1023);
  for (int i = 0; i < 50000 && !HasFatalFailure(); ++i) {
    expectFixed2(heights(random));
    expectFixed2(double(hundredths(random)) / 100.0);            // near the ties
    expectFixed2(double(hundredths(random)) / 1000.0 + 0.0005);  // odd thousandths
    expectFixed2(std::ldexp(double(random() >> 11), exponents(random) - 52));
    expectFixed2(std::bit_cast<double>(random()));  // any bit pattern, NaNs included
    expectFixed2(double(hundredths(random) % 256) * 0.25 * 100.0);  // as buildMesh gives
  }
  std::vector<std::int32_t> integers = {0,   1,    -1,    9,         10,       99,
                                        100, -100, 12345, INT32_MAX, INT32_MIN};
  for (int i = 0; i < 100000; ++i) integers.push_back(std::int32_t(random()));
  for (std::int32_t value : integers) {
    char text[16], expected[16];
    std::snprintf(expected, sizeof expected, "%d", value);
    ASSERT_EQ(std::string(text, formatInteger(text, value)), expected);
  }
}

TEST(DxfFormat, CoordinateTruncatesHundredthsTowardZeroAndGuardsTheRange) {
  const std::pair<double, std::int32_t> cases[] = {{3.0, 300},
                                                   {1.239, 123},
                                                   {-1.239, -123},
                                                   {21474836.47, INT32_MAX},
                                                   {21474836.48, INT32_MAX},
                                                   {1e300, INT32_MAX},
                                                   {-21474836.48, INT32_MIN},
                                                   {-1e300, INT32_MIN},
                                                   {Limits::infinity(), INT32_MAX},
                                                   {-Limits::infinity(), INT32_MIN},
                                                   {Limits::quiet_NaN(), 0}};
  for (auto [value, expected] : cases) EXPECT_EQ(dxfCoordinate(value), expected) << value;
}

TEST(DxfFormat, FaceHasThirtyLinesRepeatsTheThirdCornerAndFitsItsBound) {
  auto face = [](const TerrainPolygon& polygon) {
    std::string text(kMaxDxfFaceBytes, '\0');
    text.resize(formatDxfFace(polygon, text.data()));
    return text;
  };
  TerrainPolygon polygon{};
  polygon.v[0] = {3.0, 7.0, 50.25, 0};
  polygon.v[1] = {4.0, 7.0, 63.75, 0};
  polygon.v[2] = {4.0, 8.0, -0.001, 0};
  EXPECT_EQ(
      face(polygon),
      "0\r\n3DFACE\r\n8\r\nQN Object\r\n62\r\n8\r\n10\r\n300\r\n20\r\n700\r\n30\r\n5025.00\r\n"
      "11\r\n400\r\n21\r\n700\r\n31\r\n6375.00\r\n12\r\n400\r\n22\r\n800\r\n32\r\n-0.10\r\n"
      "13\r\n400\r\n23\r\n800\r\n33\r\n-0.10\r\n");
  for (TerrainVertex& v : polygon.v) v = {-1e300, -1e300, -Limits::max(), 0};
  EXPECT_LE(face(polygon).size(), kMaxDxfFaceBytes);  // the longest face
}
