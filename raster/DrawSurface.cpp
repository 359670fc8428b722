// DrawSurface primitives on the attached image's flat pixel buffer: the painter of the
// renderer. Which pixels a triangle and its outline cover is the rule of Coverage.h; every
// path below paints exactly those pixels and differs only in how fast it finds them.
// Rectangles cover columns left .. right-1 and rows top .. bottom-1 (corners swapped when
// given in reverse), the outer ring of penWidth pixels (at least 1) in the pen's colour.
// Wider pens paint a penWidth square (pixels -(w-1)/2 .. w/2 around it, at most
// kMaxPenWidth wide) on each outline pixel. Everything is clipped to the image.
//
// The paths of drawTriangle, the first that applies taken. Gains are instructions per
// triangle (callgrind, Release, random grid-cell halves on a 1024 x 768 screen), with the
// path and with it taken away; each path is compared with a pixel-by-pixel reading of the
// rule by the test named (tests/raster/DrawSurfaceTest.cpp).
//
//   path          applies when (one-pixel pen,        without -> with
//                 every corner on the image)
//   tiny rows     corners span <= 3 pixels             1-pixel cells: 536 -> 166,
//                                                      outlined: 551 -> 220
//                 pinned by EveryTinyTriangleMatchesTheWrittenRule
//   small grid    corners span 4 pixels, pen and       3-4 pixel cells: 637 -> 220
//                 brush of one colour
//                 pinned by EverySmallTriangleMatchesTheWrittenRule
//   compact rows  corners span < 8192 pixels           10-pixel cells: 1777 -> 1370,
//                 (32-bit edge values)                 40-pixel cells: 5935 -> 4044
//                 pinned by SliversAndInsideTrianglesMatchTheWrittenRule and
//                 LongThinTrianglesMatchTheWrittenRule
//   on the image  any other triangle on the image:     10-pixel cells: 2589 -> 1777
//                 no clipping tests, 64-bit
//                 pinned by LongThinTrianglesMatchTheWrittenRule
//   clipped       anything else: any corners and       -
//                 pens; 128-bit beyond +-2^28
//                 pinned by HugeCornersAreClippedExactly, WidePenPaintsSquaresAroundTheOutline
//
// Lines are clipped arithmetically: a line starts at its first step inside the image.

#include "raster/DrawSurface.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cassert>
#include <cstdint>
#include <cstring>
#include <utility>

#include "raster/CoverageTables.h"
#include "raster/DibImage.h"

namespace {

using coverage::EdgeTest;
using coverage::floorDiv;
using coverage::makeEdges;

constexpr int kMaxPenWidth = 64;
// Corners within this range keep every edge product of the fill inside 63 bits.
constexpr std::int64_t kNarrowCoordinateLimit = std::int64_t{1} << 28;
// Bounding boxes up to this many pixels are tested pixel by pixel (no divisions).
constexpr std::int64_t kSmallBoxPixels = 16;

using Wide = __int128;

struct Canvas {
  Color* pixels;
  std::int64_t width;
  std::int64_t height;
};

// Smallest and largest of three as conditional moves: the order of a triangle's corners
// follows no pattern, and std::min and std::max side by side on the same three values
// share their comparisons as jumps (GCC), which miss about every other triangle.
inline int minOf3(int a, int b, int c) {
  const int m = a < b ? a : b;
  return m < c ? m : c;
}

// ~ reverses the order of ints without overflow.
inline int maxOf3(int a, int b, int c) { return ~minOf3(~a, ~b, ~c); }

template <typename Int>
void fillTriangle(const Canvas& canvas, std::int64_t x0, std::int64_t y0, std::int64_t x1,
                  std::int64_t y1, std::int64_t x2, std::int64_t y2, Color color) {
  // Doubled coordinates: corners even, pixel centres odd.
  EdgeTest<Int> edges[3];
  if (!makeEdges<Int>(Int(2) * x0, Int(2) * y0, Int(2) * x1, Int(2) * y1, Int(2) * x2, Int(2) * y2,
                      edges))
    return;

  // Centres inside the corners' bounding box: min <= x + 1/2 <= max.
  const std::int64_t left = std::max<std::int64_t>(std::min({x0, x1, x2}), 0);
  const std::int64_t right = std::min<std::int64_t>(std::max({x0, x1, x2}) - 1, canvas.width - 1);
  const std::int64_t top = std::max<std::int64_t>(std::min({y0, y1, y2}), 0);
  const std::int64_t bottom = std::min<std::int64_t>(std::max({y0, y1, y2}) - 1, canvas.height - 1);
  if (left > right || top > bottom) return;

  if ((right - left + 1) * (bottom - top + 1) <= kSmallBoxPixels) {
    // Edge values minus their bias at the first centre; a pixel is inside when all
    // three are >= 0. Moving one pixel right adds -2 dy, one row down adds 2 dx.
    Int rowValue[3];
    for (int k = 0; k < 3; ++k) {
      const EdgeTest<Int>& e = edges[k];
      rowValue[k] = e.dx * (Int(2) * top + 1 - e.yi) - e.dy * (Int(2) * left + 1 - e.xi) - e.bias;
    }
    Color* row = canvas.pixels + top * canvas.width;
    for (std::int64_t y = top; y <= bottom; ++y, row += canvas.width) {
      Int v0 = rowValue[0], v1 = rowValue[1], v2 = rowValue[2];
      for (std::int64_t x = left; x <= right; ++x) {
        if ((v0 | v1 | v2) >= 0) row[x] = color;
        v0 -= Int(2) * edges[0].dy;
        v1 -= Int(2) * edges[1].dy;
        v2 -= Int(2) * edges[2].dy;
      }
      for (int k = 0; k < 3; ++k) rowValue[k] += Int(2) * edges[k].dx;
    }
    return;
  }

  // Each edge bounds the row's span by floor(limit / (2 |dy|)) (negated for left
  // edges), limit growing by 2 dx per row: carried as quotient and remainder, so the
  // rows need no division after the first.
  struct Bound {
    Int quotient, remainder, divisor, quotientStep, remainderStep;
    bool upper;  // dy > 0: bounds the span's right end; dy < 0: its left end
  };
  Bound bounds[3];
  int boundCount = 0;
  const Int firstPy = Int(2) * top + 1;
  for (const EdgeTest<Int>& e : edges) {
    // E = rowConstant - dy * (2x + 1) >= bias  <=>  2 dy x <= rowConstant - dy - bias.
    const Int limit = e.rowConstant(firstPy) - e.dy - e.bias;
    // A horizontal edge lies on the box's top or bottom line, and every centre row of
    // the box is strictly on its inner side: it never limits a span.
    if (e.dy == 0) continue;
    const Int divisor = Int(2) * (e.dy < 0 ? -e.dy : e.dy);
    const Int step = Int(2) * e.dx;
    Bound& b = bounds[boundCount++];
    b.divisor = divisor;
    b.quotient = floorDiv<Int>(limit, divisor);
    b.remainder = limit - b.quotient * divisor;
    b.quotientStep = floorDiv<Int>(step, divisor);
    b.remainderStep = step - b.quotientStep * divisor;
    b.upper = e.dy > 0;
  }
  Color* row = canvas.pixels + top * canvas.width;
  for (std::int64_t y = top; y <= bottom; ++y, row += canvas.width) {
    Int low = left;
    Int high = right;
    for (int k = 0; k < boundCount; ++k) {
      Bound& b = bounds[k];
      if (b.upper) {
        high = std::min(high, b.quotient);
      } else {
        low = std::max(low, -b.quotient);
      }
      b.quotient += b.quotientStep;
      b.remainder += b.remainderStep;
      if (b.remainder >= b.divisor) {
        b.remainder -= b.divisor;
        ++b.quotient;
      }
    }
    if (low <= high)
      std::fill(row + static_cast<std::int64_t>(low), row + static_cast<std::int64_t>(high) + 1,
                color);
  }
}

// Paints a penWidth x penWidth square centred on (x, y), clipped.
void plotSquare(const Canvas& canvas, std::int64_t x, std::int64_t y, int penWidth, Color color) {
  const std::int64_t x0 = std::max<std::int64_t>(x - (penWidth - 1) / 2, 0);
  const std::int64_t x1 = std::min<std::int64_t>(x + penWidth / 2, canvas.width - 1);
  const std::int64_t y0 = std::max<std::int64_t>(y - (penWidth - 1) / 2, 0);
  const std::int64_t y1 = std::min<std::int64_t>(y + penWidth / 2, canvas.height - 1);
  // A square just beyond a border clips to nothing (its ends cross).
  if (x0 > x1 || y0 > y1) return;
  for (std::int64_t row = y0; row <= y1; ++row)
    std::fill(canvas.pixels + row * canvas.width + x0, canvas.pixels + row * canvas.width + x1 + 1,
              color);
}

// The outline rule (Coverage.h) for any pen and corners. Steps outside the image (widened by the
// pen's reach) are skipped arithmetically, so a line costs at most the image size.
void drawLine(const Canvas& canvas, std::int64_t x0, std::int64_t y0, std::int64_t x1,
              std::int64_t y1, int penWidth, Color color) {
  coverage::orderLineEnds(x0, y0, x1, y1);
  const std::int64_t dx = x1 - x0;
  const std::int64_t dy = y1 - y0;
  const bool xMajor = (dx < 0 ? -dx : dx) >= dy;
  const std::int64_t n = xMajor ? (dx < 0 ? -dx : dx) : dy;
  const std::int64_t majorStart = xMajor ? x0 : y0;
  const std::int64_t majorStep = xMajor ? (dx < 0 ? -1 : 1) : 1;
  const std::int64_t minorStart = xMajor ? y0 : x0;
  const std::int64_t minorExtent = xMajor ? dy : dx;
  const std::int64_t majorSize = xMajor ? canvas.width : canvas.height;
  const std::int64_t minorSize = xMajor ? canvas.height : canvas.width;
  const std::int64_t reach = penWidth / 2 + 1;

  // Steps i with major coordinate in [-reach, majorSize + reach).
  std::int64_t first = 0;
  std::int64_t last = n;
  if (majorStep > 0) {
    first = std::max(first, -reach - majorStart);
    last = std::min(last, majorSize + reach - majorStart);
  } else {
    first = std::max(first, majorStart - (majorSize + reach));
    last = std::min(last, majorStart + reach);
  }
  if (first > last) return;

  if (n == 0) {
    if (penWidth > 1) {
      plotSquare(canvas, x0, y0, penWidth, color);
    } else if (x0 >= 0 && x0 < canvas.width && y0 >= 0 && y0 < canvas.height) {
      canvas.pixels[y0 * canvas.width + x0] = color;
    }
    return;
  }

  // minor(i) = minorStart + floor((2 i d + n) / 2n), carried as quotient and remainder.
  const std::int64_t twoN = 2 * n;
  std::int64_t quotient = 0;
  std::int64_t remainder = n;  // step 0: floor(n / 2n) = 0 remainder n
  if (first > 0) {
    // Lines clipped at their start; 128 bits because first * d can reach 2^64.
    const Wide numerator = Wide(2) * first * minorExtent + n;
    quotient = static_cast<std::int64_t>(floorDiv<Wide>(numerator, twoN));
    remainder = static_cast<std::int64_t>(numerator - Wide(quotient) * twoN);
  }
  const std::int64_t remainderStep = 2 * minorExtent;
  std::int64_t major = majorStart + first * majorStep;
  for (std::int64_t i = first; i <= last; ++i) {
    const std::int64_t minor = minorStart + quotient;
    const std::int64_t x = xMajor ? major : minor;
    const std::int64_t y = xMajor ? minor : major;
    if (penWidth > 1) {
      if (minor >= -reach && minor < minorSize + reach) plotSquare(canvas, x, y, penWidth, color);
    } else if (x >= 0 && x < canvas.width && y >= 0 && y < canvas.height) {
      canvas.pixels[y * canvas.width + x] = color;
    }
    major += majorStep;
    remainder += remainderStep;  // |d| <= n, so one correction keeps it in [0, 2n)
    if (remainder >= twoN) {
      remainder -= twoN;
      ++quotient;
    } else if (remainder < 0) {
      remainder += twoN;
      --quotient;
    }
  }
}

// The n + 1 pixels of a line from p: each step moves majorStride, and minorStride more
// when floor((2 i d + n) / 2n) grows (d >= 0) or shrinks (d < 0), which the remainder of
// that division tells without dividing.
void walkLine(Color* p, int n, std::ptrdiff_t majorStride, std::ptrdiff_t minorStride, int d,
              Color color) {
  const int twoN = 2 * n;
  int remainder = n;  // step 0: n / 2n is 0 remainder n
  if (d >= 0) {
    for (int i = 0; i < n; ++i) {
      *p = color;
      remainder += 2 * d;  // d <= n: at most one carry per step
      const bool carry = remainder >= twoN;
      remainder -= carry ? twoN : 0;
      p += majorStride + (carry ? minorStride : 0);
    }
  } else {
    for (int i = 0; i < n; ++i) {
      *p = color;
      remainder += 2 * d;
      const bool borrow = remainder < 0;
      remainder += borrow ? twoN : 0;
      p += majorStride - (borrow ? minorStride : 0);
    }
  }
  *p = color;  // the far corner, stepped onto but not beyond
}

// drawLine for a one-pixel pen with both ends inside the image: no clipping tests.
void drawLineInside(const Canvas& canvas, int x0, int y0, int x1, int y1, Color color) {
  coverage::orderLineEnds(x0, y0, x1, y1);
  const int dx = x1 - x0;
  const int dy = y1 - y0;  // >= 0
  const int width = dx < 0 ? -dx : dx;
  Color* start = canvas.pixels + std::int64_t{y0} * canvas.width + x0;
  if (width >= dy) {
    walkLine(start, width, dx < 0 ? -1 : 1, canvas.width, dy, color);
  } else {
    walkLine(start, dy, canvas.width, 1, dx, color);
  }
}

// Paints the set bits of rows 0 .. lastRow of a smallCoverage grid whose top-left pixel
// is at origin; the others go to a scratch value.
inline void paintSmallGrid(Color* origin, std::int64_t width, int lastRow, std::uint32_t bits,
                           Color color) {
  Color scratch = 0;
  for (int y = 0; y <= lastRow; ++y, origin += width, bits >>= 5)
    for (int x = 0; x <= coverage::kSmallSpan; ++x)
      *((bits >> x & 1) != 0 ? origin + x : &scratch) = color;
}

// Paints rows 0 .. lastRow of a tinyRowColumns entry whose top-left pixel is at origin.
inline void paintRows(Color* origin, std::int64_t width, int lastRow, std::uint32_t rows,
                      Color color) {
  for (int y = 0; y <= lastRow; ++y, origin += width, rows >>= 8) {
    origin[rows & 3] = color;
    origin[rows >> 2 & 3] = color;
    origin[rows >> 4 & 3] = color;
    origin[rows >> 6 & 3] = color;
  }
}

// Corners on the image spanning fewer than this many pixels each way are filled in
// 32-bit arithmetic relative to their box: doubled coordinates below 2^14, edge values
// below 2^30.
constexpr int kCompactSpan = 1 << 13;

// Sets count pixels from p (none when count <= 0). Spans of four or more are written
// four at a time, the last four overlapping the others: the row lengths of a triangle
// change every row, and one loop with a few wide stores mispredicts less than a pixel loop.
inline void fillSpan(Color* p, int count, Color color) {
  if (count >= 4) {
    const Color quad[4] = {color, color, color, color};
    Color* const lastQuad = p + count - 4;
    for (; p < lastQuad; p += 4) std::memcpy(p, quad, sizeof quad);
    std::memcpy(lastQuad, quad, sizeof quad);
  } else if (count >= 2) {
    p[0] = p[1] = p[count - 1] = color;
  } else if (count == 1) {
    p[0] = color;
  }
}

// One edge's bound on the pixel columns of successive rows: floor(limit / divisor) with
// limit = rowConstant(2 y + 1) - dy - bias growing by 2 dx per row, carried as quotient
// and remainder so that only the first row divides. An edge running down (dy > 0) bounds
// the span on the right (x <= quotient), one running up on the left (x >= -quotient).
struct EdgeWalk {
  int quotient, remainder, divisor, quotientStep, remainderStep;

  void start(const EdgeTest<int>& e, int row) {
    const int limit = e.rowConstant(2 * row + 1) - e.dy - e.bias;
    divisor = 2 * (e.dy < 0 ? -e.dy : e.dy);
    quotient = floorDiv(limit, divisor);
    remainder = limit - quotient * divisor;
    quotientStep = floorDiv(2 * e.dx, divisor);
    remainderStep = 2 * e.dx - quotientStep * divisor;
  }
  void nextRow() {
    quotient += quotientStep;
    remainder += remainderStep;
    const bool carry = remainder >= divisor;
    remainder -= carry ? divisor : 0;
    quotient += carry;
  }
};

// fillTriangle for corners on the image spanning fewer than kCompactSpan pixels.
void fillCompactTriangle(const Canvas& canvas, int x0, int y0, int x1, int y1, int x2, int y2,
                         Color color) {
  const int left = minOf3(x0, x1, x2), right = maxOf3(x0, x1, x2);
  const int top = minOf3(y0, y1, y2), bottom = maxOf3(y0, y1, y2);
  // Doubled and relative to the box's top-left corner: corners even, pixel centres odd, all
  // below 2^14, so the edge products stay below 2^29.
  const int ay = 2 * (y0 - top), by = 2 * (y1 - top), cy = 2 * (y2 - top);
  EdgeTest<int> edges[3];
  if (!makeEdges(2 * (x0 - left), ay, 2 * (x1 - left), by, 2 * (x2 - left), cy, edges)) return;
  // Centres inside the box: columns 0 .. columns - 1, rows 0 .. rows - 1, all on the image.
  const int columns = right - left;
  const int rows = bottom - top;
  Color* origin = canvas.pixels + std::int64_t{top} * canvas.width + left;

  if (columns * rows <= kSmallBoxPixels) {
    // Edge values minus their bias at each centre; inside when all three are >= 0.
    int rowValue[3];
    for (int k = 0; k < 3; ++k)
      rowValue[k] =
          edges[k].dx * (1 - edges[k].yi) - edges[k].dy * (1 - edges[k].xi) - edges[k].bias;
    Color* row = origin;
    for (int y = 0; y < rows; ++y, row += canvas.width) {
      int v0 = rowValue[0], v1 = rowValue[1], v2 = rowValue[2];
      for (int x = 0; x < columns; ++x) {
        if ((v0 | v1 | v2) >= 0) row[x] = color;
        v0 -= 2 * edges[0].dy;
        v1 -= 2 * edges[1].dy;
        v2 -= 2 * edges[2].dy;
      }
      for (int k = 0; k < 3; ++k) rowValue[k] += 2 * edges[k].dx;
    }
    return;
  }

  // Every row's centre lies strictly between two corner rows (centres are odd, corners
  // even), so exactly one edge running down and one running up cross it; the third edge's
  // bound lies beyond theirs. The rows change edges only at the middle corner's row.
  const int middle = ay + by + cy - std::max(ay, std::max(by, cy)) - std::min(ay, std::min(by, cy));
  const EdgeTest<int>* rightEdge = nullptr;
  const EdgeTest<int>* leftEdge = nullptr;
  EdgeWalk rightWalk{}, leftWalk{};
  Color* row = origin;
  for (const auto& [first, end] : {std::pair{0, middle / 2}, std::pair{middle / 2, rows}}) {
    if (first >= end) continue;
    // The edges whose rows include first .. end - 1, i.e. doubled 2 first .. 2 end.
    for (const EdgeTest<int>& e : edges) {
      const int yj = e.yi + e.dy;
      if (std::min(e.yi, yj) > 2 * first || std::max(e.yi, yj) < 2 * end) continue;
      if (e.dy > 0 && rightEdge != &e) {
        rightEdge = &e;
        rightWalk.start(e, first);
      } else if (e.dy < 0 && leftEdge != &e) {
        leftEdge = &e;
        leftWalk.start(e, first);
      }
    }
    for (int y = first; y < end; ++y, row += canvas.width) {
      const int low = -leftWalk.quotient;
      const int high = rightWalk.quotient;
      assert(low >= 0 && high < columns);  // edges crossing a row end inside the box
      fillSpan(row + low, high - low + 1, color);
      leftWalk.nextRow();
      rightWalk.nextRow();
    }
  }
}

bool isNarrow(std::int64_t value) {
  return value >= -kNarrowCoordinateLimit && value <= kNarrowCoordinateLimit;
}

// A one-pixel pen and every corner on the image: no clipping. Kept out of line so that
// the tiny triangles' path stays small.
[[gnu::noinline]] void drawTriangleOnImage(DibImage& image, int x0, int y0, int x1, int y1, int x2,
                                           int y2, Color penColor, Color brushColor) {
  const Canvas canvas{image.pixels(), image.width(), image.height()};
  const int spanX = maxOf3(x0, x1, x2) - minOf3(x0, x1, x2);
  const int spanY = maxOf3(y0, y1, y2) - minOf3(y0, y1, y2);
  if (spanX < kCompactSpan && spanY < kCompactSpan) {
    fillCompactTriangle(canvas, x0, y0, x1, y1, x2, y2, brushColor);
  } else {
    fillTriangle<std::int64_t>(canvas, x0, y0, x1, y1, x2, y2, brushColor);
  }
  drawLineInside(canvas, x0, y0, x1, y1, penColor);
  drawLineInside(canvas, x1, y1, x2, y2, penColor);
  drawLineInside(canvas, x2, y2, x0, y0, penColor);
}

// Any corners and pen widths, clipped to the image.
[[gnu::noinline]] void drawTriangleClipped(DibImage& image, int x0, int y0, int x1, int y1, int x2,
                                           int y2, int penWidth, Color penColor, Color brushColor) {
  const Canvas canvas{image.pixels(), image.width(), image.height()};
  const int pen = std::clamp(penWidth, 1, kMaxPenWidth);
  // Nothing to do when the corners' box, widened by the pen, misses the image.
  const std::int64_t reach = pen / 2 + 1;
  if (std::int64_t{std::max({x0, x1, x2})} + reach < 0 ||
      std::int64_t{std::min({x0, x1, x2})} - reach >= canvas.width ||
      std::int64_t{std::max({y0, y1, y2})} + reach < 0 ||
      std::int64_t{std::min({y0, y1, y2})} - reach >= canvas.height)
    return;
  if (x0 == x1 && x1 == x2 && y0 == y1 && y1 == y2) {
    drawLine(canvas, x0, y0, x0, y0, pen, penColor);
    return;
  }
  if (isNarrow(x0) && isNarrow(y0) && isNarrow(x1) && isNarrow(y1) && isNarrow(x2) &&
      isNarrow(y2)) {
    fillTriangle<std::int64_t>(canvas, x0, y0, x1, y1, x2, y2, brushColor);
  } else {
    fillTriangle<Wide>(canvas, x0, y0, x1, y1, x2, y2, brushColor);
  }
  drawLine(canvas, x0, y0, x1, y1, pen, penColor);
  drawLine(canvas, x1, y1, x2, y2, pen, penColor);
  drawLine(canvas, x2, y2, x0, y0, pen, penColor);
}

}  // namespace

bool DrawSurface::attach(DibImage* image) {
  image_ = image;
  return true;
}

Color DrawSurface::getPixel(int x, int y) const {
  if (image_ == nullptr) return 0;
  if (x < 0 || y < 0 || x >= image_->width() || y >= image_->height() || !image_->isValid())
    return kInvalidColor;
  return image_->pixels()[static_cast<std::size_t>(y) * image_->width() + x];
}

bool DrawSurface::setPixel(int x, int y, Color color) {
  if (image_ == nullptr || !image_->isValid()) return false;
  if (x >= 0 && y >= 0 && x < image_->width() && y < image_->height())
    image_->pixels()[static_cast<std::size_t>(y) * image_->width() + x] = color;
  return true;
}

bool DrawSurface::drawRectangle(int left, int top, int right, int bottom, int penWidth,
                                Color penColor, Color brushColor) {
  if (image_ == nullptr || !image_->isValid()) return false;
  std::int64_t x0 = std::min(left, right), x1 = std::max(left, right);  // covers x0 .. x1-1
  std::int64_t y0 = std::min(top, bottom), y1 = std::max(top, bottom);
  const std::int64_t ring = std::clamp(penWidth, 1, kMaxPenWidth);
  const Canvas canvas{image_->pixels(), image_->width(), image_->height()};
  const std::int64_t clipLeft = std::max<std::int64_t>(x0, 0);
  const std::int64_t clipRight = std::min<std::int64_t>(x1, canvas.width);  // exclusive
  if (clipLeft >= clipRight) return true;
  for (std::int64_t y = std::max<std::int64_t>(y0, 0);
       y < std::min<std::int64_t>(y1, canvas.height); ++y) {
    Color* row = canvas.pixels + y * canvas.width;
    if (y < y0 + ring || y >= y1 - ring) {
      std::fill(row + clipLeft, row + clipRight, penColor);
      continue;
    }
    // Pen on the left and right rings, brush between them.
    const std::int64_t innerLeft = std::clamp(x0 + ring, clipLeft, clipRight);
    const std::int64_t innerRight = std::clamp(x1 - ring, innerLeft, clipRight);
    std::fill(row + clipLeft, row + innerLeft, penColor);
    std::fill(row + innerLeft, row + innerRight, brushColor);
    std::fill(row + innerRight, row + clipRight, penColor);
  }
  return true;
}

bool DrawSurface::drawTriangle(int x0, int y0, int x1, int y1, int x2, int y2, int penWidth,
                               Color penColor, Color brushColor) {
  if (image_ == nullptr || !image_->isValid()) return false;
  const Canvas canvas{image_->pixels(), image_->width(), image_->height()};
  const int left = minOf3(x0, x1, x2), right = maxOf3(x0, x1, x2);
  const int top = minOf3(y0, y1, y2), bottom = maxOf3(y0, y1, y2);
  // The renderer's case: a one-pixel pen, every corner on the image, a few pixels wide.
  if (penWidth <= 1 && (left | top) >= 0 && right < canvas.width && bottom < canvas.height) {
    if (((right - left) | (bottom - top)) <= coverage::kTinySpan) {
      // The box's top-left corner repeated, subtracted: the corners relative to the box.
      const unsigned index =
          coverage::tinyIndex(x0, y0, x1, y1, x2, y2) -
          (left * coverage::kTinyIndexPerLeft + top * coverage::kTinyIndexPerTop);
      Color* origin = canvas.pixels + std::int64_t{top} * canvas.width + left;
      if (penColor == brushColor) {
        paintRows(origin, canvas.width, bottom - top, coverage::tinyFillRows()[index], penColor);
      } else {  // the whole triangle in the brush's colour, then its outline over it
        paintRows(origin, canvas.width, bottom - top, coverage::tinyFillRows()[index], brushColor);
        paintRows(origin, canvas.width, bottom - top, coverage::tinyOutlineRows()[index], penColor);
      }
    } else if (std::max(right - left, bottom - top) <= coverage::kSmallSpan &&
               penColor == brushColor) {
      const unsigned index =
          coverage::smallIndex(x0, y0, x1, y1, x2, y2) -
          (left * coverage::kSmallIndexPerLeft + top * coverage::kSmallIndexPerTop);
      Color* origin = canvas.pixels + std::int64_t{top} * canvas.width + left;
      paintSmallGrid(origin, canvas.width, bottom - top, coverage::smallGrids()[index], penColor);
    } else {
      drawTriangleOnImage(*image_, x0, y0, x1, y1, x2, y2, penColor, brushColor);
    }
    return true;
  }
  drawTriangleClipped(*image_, x0, y0, x1, y1, x2, y2, penWidth, penColor, brushColor);
  return true;
}
