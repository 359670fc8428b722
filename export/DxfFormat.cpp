// DXF group codes of a 3DFACE entity: 0 entity type, 8 layer, 62 colour number,
// 10/20/30 first corner x/y/z, 11/21/31 second, 12/22/32 third, 13/23/33 fourth.
// Numbers are turned into digits with a two-digit table and exact integer arithmetic
// instead of snprintf, which costs more than the rest of the writer together.

#include "export/DxfFormat.h"

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// Decimal digits of value, no sign; returns the end.
char* formatUnsigned(char* out, std::uint64_t value) {
  char digits[20];
  char* p = digits + sizeof digits;
  while (value >= 100) {
    const std::uint64_t pair = value % 100;
    value /= 100;
    p -= 2;
    std::memcpy(p, kDigitPairs + 2 * pair, 2);
  }
  if (value >= 10) {
    p -= 2;
    std::memcpy(p, kDigitPairs + 2 * value, 2);
  } else {
    *--p = static_cast<char>('0' + value);
  }
  const std::size_t length = static_cast<std::size_t>(digits + sizeof digits - p);
  std::memcpy(out, p, length);
  return out + length;
}

char* appendText(char* out, std::string_view text) {
  std::memcpy(out, text.data(), text.size());
  return out + text.size();
}

char* formatFixed2Slowly(char* out, double value) {
  char text[kMaxFixed2Bytes];
  const int length = std::snprintf(text, sizeof text, "%.2f", value);
  std::memcpy(out, text, static_cast<std::size_t>(length));
  return out + length;
}

// One corner: "1k\r\n<x>\r\n2k\r\n<y>\r\n3k\r\n<z>\r\n" for corner number k.
char* formatCorner(char* out, char k, const TerrainVertex& v) {
  *out++ = '1';
  *out++ = k;
  out = appendText(out, "\r\n");
  out = formatInteger(out, dxfCoordinate(v.x));
  *out++ = '\r';
  *out++ = '\n';
  *out++ = '2';
  *out++ = k;
  out = appendText(out, "\r\n");
  out = formatInteger(out, dxfCoordinate(v.y));
  *out++ = '\r';
  *out++ = '\n';
  *out++ = '3';
  *out++ = k;
  out = appendText(out, "\r\n");
  out = formatFixed2(out, v.z * 100.0);
  *out++ = '\r';
  *out++ = '\n';
  return out;
}

}  // namespace

std::int32_t dxfCoordinate(double value) {
  const double scaled = value * 100.0;
  if (std::isnan(scaled)) return 0;
  // The conversion below is defined only for values whose truncation fits in 32 bits.
  if (scaled >= 2147483648.0) return INT32_MAX;
  if (scaled <= -2147483649.0) return INT32_MIN;
  return static_cast<std::int32_t>(scaled);  // truncation toward zero, as "%d" of (int) did
}

char* formatInteger(char* out, std::int32_t value) {
  // The magnitude in 64 bits, so that INT32_MIN has one too.
  std::uint64_t magnitude =
      static_cast<std::uint64_t>(value < 0 ? -static_cast<std::int64_t>(value) : value);
  if (value < 0) *out++ = '-';
  return formatUnsigned(out, magnitude);
}

char* formatFixed2(char* out, double value) {
  if (!std::isfinite(value)) return formatFixed2Slowly(out, value);

  // value = mantissa x 2^exponent exactly, with an integer mantissa below 2^53.
  const auto bits = std::bit_cast<std::uint64_t>(value);
  const bool negative = (bits >> 63) != 0;
  const int biased = static_cast<int>((bits >> 52) & 0x7FF);
  const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
  const std::uint64_t mantissa = biased == 0 ? fraction : fraction | (std::uint64_t{1} << 52);
  const int exponent = (biased == 0 ? 1 : biased) - 1075;

  // Whole numbers up to 2^63 fit our integer formatter; larger ones are rare enough to
  // leave to snprintf.
  if (exponent > 10) return formatFixed2Slowly(out, value);

  if (negative) *out++ = '-';  // "%.2f" keeps the sign of -0.0 and of -0.001 ("-0.00")

  if (exponent >= 0) {
    out = formatUnsigned(out, mantissa << exponent);
    return appendText(out, ".00");
  }

  // Hundredths = |value| x 100 rounded to the nearest integer, ties to even, computed on
  // the exact binary value: mantissa x 100 < 2^60 fits, and the shift by -exponent
  // splits it into quotient and exact remainder.
  const int shift = -exponent;
  std::uint64_t hundredths = 0;
  if (shift <= 60) {
    const std::uint64_t scaled = mantissa * 100;
    hundredths = scaled >> shift;
    const std::uint64_t remainder = scaled & ((std::uint64_t{1} << shift) - 1);
    const std::uint64_t half = std::uint64_t{1} << (shift - 1);
    if (remainder > half || (remainder == half && (hundredths & 1) != 0)) ++hundredths;
  }
  // Beyond a shift of 60, |value| x 100 < 2^60 / 2^61 = 0.5 and rounds to 0.

  out = formatUnsigned(out, hundredths / 100);
  *out++ = '.';
  std::memcpy(out, kDigitPairs + 2 * (hundredths % 100), 2);
  return out + 2;
}

std::size_t formatDxfFace(const TerrainPolygon& polygon, char* out) {
  char* const start = out;
  out = appendText(out, "0\r\n3DFACE\r\n8\r\nQN Object\r\n62\r\n8\r\n");
  out = formatCorner(out, '0', polygon.v[0]);
  out = formatCorner(out, '1', polygon.v[1]);
  out = formatCorner(out, '2', polygon.v[2]);
  out = formatCorner(out, '3', polygon.v[2]);  // a triangle: the fourth corner repeats the third
  return static_cast<std::size_t>(out - start);
}
