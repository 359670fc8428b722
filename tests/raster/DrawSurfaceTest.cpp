#include "raster/DrawSurface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <random>
#include <string>

#include "raster/DibImage.h"

namespace {

constexpr Color kPen = 0x0000FFu;
constexpr Color kBrush = 0x00FF00u;
constexpr Color kPaper = 0xFFFFFFu;

DibImage paperImage(int width, int height) {
  DibImage image;
  EXPECT_TRUE(image.create(width, height));
  std::fill(image.pixels(), image.pixels() + width * height, kPaper);
  return image;
}

// The picture as text, one line per row: '.' paper, 'P' pen, 'b' brush, '?' other.
std::string art(const DibImage& image) {
  std::string text;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const Color c = image.pixels()[y * image.width() + x];
      text += c == kPaper ? '.' : c == kPen ? 'P' : c == kBrush ? 'b' : '?';
    }
    text += '\n';
  }
  return text;
}

using Wide = __int128;

Wide floorDivide(Wide a, Wide b) {
  Wide q = a / b;
  if (a % b != 0 && ((a < 0) != (b < 0))) --q;
  return q;
}

// The documented coverage rules, evaluated pixel by pixel straight from their wording.
struct Corner {
  std::int64_t x, y;
};

bool centreCovered(Corner a, Corner b, Corner c, std::int64_t px, std::int64_t py) {
  // Doubled coordinates; orientation made positive.
  Wide ax = 2 * Wide(a.x), ay = 2 * Wide(a.y), bx = 2 * Wide(b.x), by = 2 * Wide(b.y);
  Wide cx = 2 * Wide(c.x), cy = 2 * Wide(c.y);
  const Wide area = (bx - ax) * (cy - ay) - (by - ay) * (cx - ax);
  if (area == 0) return false;
  if (area < 0) std::swap(bx, cx), std::swap(by, cy);
  const Wide x = 2 * Wide(px) + 1, y = 2 * Wide(py) + 1;
  const Wide corners[3][2] = {{ax, ay}, {bx, by}, {cx, cy}};
  for (int k = 0; k < 3; ++k) {
    const Wide* from = corners[k];
    const Wide* to = corners[(k + 1) % 3];
    const Wide dx = to[0] - from[0], dy = to[1] - from[1];
    const Wide e = dx * (y - from[1]) - dy * (x - from[0]);
    const bool topLeft = dy < 0 || (dy == 0 && dx > 0);
    if (e < 0 || (e == 0 && !topLeft)) return false;
  }
  return true;
}

void referenceLine(DibImage& image, Corner p, Corner q) {
  if (q.y < p.y || (q.y == p.y && q.x < p.x)) std::swap(p, q);
  const std::int64_t dx = q.x - p.x, dy = q.y - p.y;
  const std::int64_t n = std::max(std::llabs(dx), std::llabs(dy));
  auto plot = [&](std::int64_t x, std::int64_t y) {
    if (x >= 0 && y >= 0 && x < image.width() && y < image.height())
      image.pixels()[y * image.width() + x] = kPen;
  };
  if (n == 0) return plot(p.x, p.y);
  const bool xMajor = std::llabs(dx) >= dy;
  const int length = xMajor ? image.width() : image.height();
  for (std::int64_t m = 0; m < length; ++m) {  // every column (or row) of the image
    const std::int64_t step = xMajor ? (dx < 0 ? p.x - m : m - p.x) : m - p.y;
    if (step < 0 || step > n) continue;
    const Wide minor =
        (xMajor ? p.y : p.x) + floorDivide(2 * Wide(step) * (xMajor ? dy : dx) + n, 2 * Wide(n));
    if (minor < INT64_MIN / 2 || minor > INT64_MAX / 2) continue;
    xMajor ? plot(m, static_cast<std::int64_t>(minor)) : plot(static_cast<std::int64_t>(minor), m);
  }
}

DibImage referenceTriangle(int width, int height, Corner a, Corner b, Corner c) {
  DibImage image = paperImage(width, height);
  if (a.x == b.x && b.x == c.x && a.y == b.y && b.y == c.y) {
    referenceLine(image, a, a);
    return image;
  }
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if (centreCovered(a, b, c, x, y)) image.pixels()[y * width + x] = kBrush;
  referenceLine(image, a, b);
  referenceLine(image, b, c);
  referenceLine(image, c, a);
  return image;
}

std::string drawnTriangle(int width, int height, Corner a, Corner b, Corner c) {
  DibImage image = paperImage(width, height);
  DrawSurface surface;
  image.attachSurface(surface);
  EXPECT_TRUE(surface.drawTriangle(static_cast<int>(a.x), static_cast<int>(a.y),
                                   static_cast<int>(b.x), static_cast<int>(b.y),
                                   static_cast<int>(c.x), static_cast<int>(c.y), 1, kPen, kBrush));
  return art(image);
}

}  // namespace

TEST(DrawSurface, EveryOperationFailsWithNothingAttached) {
  DrawSurface surface;
  EXPECT_FALSE(surface.isAttached());
  EXPECT_EQ(surface.getPixel(0, 0), 0u);
  EXPECT_FALSE(surface.setPixel(0, 0, kPen));
  EXPECT_FALSE(surface.drawRectangle(0, 0, 5, 5, 1, kPen, kBrush));
  EXPECT_FALSE(surface.drawTriangle(0, 0, 5, 0, 0, 5, 1, kPen, kBrush));
  DibImage empty;
  EXPECT_TRUE(empty.attachSurface(surface));
  EXPECT_FALSE(surface.isAttached()) << "an empty image attaches nothing";
  EXPECT_FALSE(surface.setPixel(0, 0, kPen));
}

TEST(DrawSurface, ReleasedImageIsNeverDrawnOn) {
  DibImage image = paperImage(4, 4);
  DrawSurface surface;
  image.attachSurface(surface);
  image.release();
  EXPECT_FALSE(surface.setPixel(1, 1, kPen));
  EXPECT_FALSE(surface.drawTriangle(0, 0, 3, 0, 0, 3, 1, kPen, kBrush));
  EXPECT_EQ(surface.getPixel(1, 1), kInvalidColor);
}

TEST(DrawSurface, PixelsOutsideReadInvalidAndWritesAreClipped) {
  DibImage image = paperImage(3, 2);
  DrawSurface surface;
  image.attachSurface(surface);
  EXPECT_TRUE(surface.setPixel(2, 1, kPen));
  EXPECT_EQ(surface.getPixel(2, 1), kPen);
  for (auto [x, y] : {std::pair{-1, 0}, {0, -1}, {3, 0}, {0, 2}, {INT_MIN, INT_MAX}}) {
    EXPECT_TRUE(surface.setPixel(x, y, kPen));
    EXPECT_EQ(surface.getPixel(x, y), kInvalidColor);
  }
  EXPECT_EQ(art(image), "...\n..P\n");
  image.detachSurface(surface);
  EXPECT_FALSE(surface.isAttached());
}

TEST(DrawSurface, RectangleCoversLeftToRightMinusOne) {
  DibImage image = paperImage(8, 6);
  DrawSurface surface;
  image.attachSurface(surface);
  EXPECT_TRUE(surface.drawRectangle(1, 1, 6, 5, 1, kPen, kBrush));
  EXPECT_EQ(art(image),
            "........\n"
            ".PPPPP..\n"
            ".PbbbP..\n"
            ".PbbbP..\n"
            ".PPPPP..\n"
            "........\n");
  // Swapped corners and a wider pen.
  DibImage wide = paperImage(8, 6);
  wide.attachSurface(surface);
  EXPECT_TRUE(surface.drawRectangle(7, 6, 0, 0, 2, kPen, kBrush));
  EXPECT_EQ(art(wide),
            "PPPPPPP.\n"
            "PPPPPPP.\n"
            "PPbbbPP.\n"
            "PPbbbPP.\n"
            "PPPPPPP.\n"
            "PPPPPPP.\n");
}

TEST(DrawSurface, RectangleClearsWholeImageAndClipsOutside) {
  DibImage image = paperImage(320, 240);
  DrawSurface surface;
  image.attachSurface(surface);
  EXPECT_TRUE(surface.drawRectangle(0, 0, 320, 240, 1, 0, 0));
  EXPECT_EQ(std::count(image.pixels(), image.pixels() + 320 * 240, Color{0}), 320 * 240);

  DibImage small = paperImage(4, 3);
  small.attachSurface(surface);
  EXPECT_TRUE(surface.drawRectangle(-3, -3, 3, 2, 1, kPen, kBrush));
  EXPECT_TRUE(surface.drawRectangle(INT_MIN, INT_MIN, INT_MAX, INT_MAX, 1, kPen, kPen));
  EXPECT_TRUE(surface.drawRectangle(10, 10, 20, 20, 1, kBrush, kBrush));
  EXPECT_EQ(art(small), "PPPP\nPPPP\nPPPP\n");
  DibImage clipped = paperImage(4, 3);
  clipped.attachSurface(surface);
  EXPECT_TRUE(surface.drawRectangle(-3, -3, 3, 2, 1, kPen, kBrush));
  EXPECT_EQ(art(clipped), "bbP.\nPPP.\n....\n");
}

TEST(DrawSurface, SinglePointTriangleSetsThatPixelToPen) {
  DibImage image = paperImage(12, 12);
  DrawSurface surface;
  image.attachSurface(surface);
  EXPECT_TRUE(surface.drawTriangle(5, 9, 5, 9, 5, 9, 1, kPen, kBrush));
  EXPECT_EQ(std::count(image.pixels(), image.pixels() + 144, kPaper), 143);
  EXPECT_EQ(surface.getPixel(5, 9), kPen);
  EXPECT_TRUE(surface.drawTriangle(-1, 3, -1, 3, -1, 3, 1, kPen, kBrush));
  EXPECT_EQ(std::count(image.pixels(), image.pixels() + 144, kPaper), 143);
}

TEST(DrawSurface, TriangleGoldenPicture) {
  // Fill by pixel centres with the top-left rule, outline over it, corners included.
  // (6, 3) stays empty: its centre lies right of the edge (8,2)-(3,6), which crosses
  // y = 3.5 at x = 6.125, and the edge's line pixels there are (7, 3) and (6, 4).
  EXPECT_EQ(drawnTriangle(10, 8, {1, 1}, {8, 2}, {3, 6}),
            "..........\n"
            ".PPPP.....\n"
            ".PbbbPPPP.\n"
            "..Pbbb.P..\n"
            "..PbbPP...\n"
            "...PP.....\n"
            "...P......\n"
            "..........\n");
  // A zero-area triangle draws its edges only.
  EXPECT_EQ(drawnTriangle(6, 3, {0, 1}, {5, 1}, {2, 1}), "......\nPPPPPP\n......\n");
}

TEST(DrawSurface, CornerOrderDoesNotChangeThePicture) {
  const Corner a{2, 1}, b{13, 4}, c{5, 11};
  const std::string expected = drawnTriangle(16, 14, a, b, c);
  EXPECT_EQ(drawnTriangle(16, 14, b, c, a), expected);
  EXPECT_EQ(drawnTriangle(16, 14, c, a, b), expected);
  EXPECT_EQ(drawnTriangle(16, 14, a, c, b), expected);
  EXPECT_EQ(drawnTriangle(16, 14, b, a, c), expected);
}

TEST(DrawSurface, NeighbouringTrianglesShareNoFilledPixel) {
  // Fill only (pen colour = paper would hide the outline, so count brush overlaps directly).
  for (auto [a, b, c, d] : {std::array<Corner, 4>{{{0, 0}, {9, 1}, {2, 8}, {11, 9}}},
                            std::array<Corner, 4>{{{1, 1}, {8, 1}, {1, 8}, {8, 8}}}}) {
    DibImage image = paperImage(12, 12);
    int covered = 0, twice = 0;
    for (int y = 0; y < 12; ++y)
      for (int x = 0; x < 12; ++x) {
        const bool first = centreCovered(a, b, c, x, y);
        const bool second = centreCovered(b, d, c, x, y);
        covered += first || second;
        twice += first && second;
      }
    EXPECT_EQ(twice, 0);
    EXPECT_GT(covered, 20);
  }
}

TEST(DrawSurface, TrianglesMatchTheWrittenRule) {
  // Random triangles of all sizes, many with corners off the image, against the rule
  // evaluated pixel by pixel.
  std::mt19937 random(12345);
  struct Range {
    const char* name;
    int low, high;
  };
  for (const Range range : {Range{"inside", 0, 39}, Range{"up to 64 off", -64, 103},
                            Range{"tiny", 10, 13}, Range{"far off", -5000, 5000}}) {
    SCOPED_TRACE(range.name);
    std::uniform_int_distribution<int> coordinate(range.low, range.high);
    for (int trial = 0; trial < 300; ++trial) {
      const Corner a{coordinate(random), coordinate(random)},
          b{coordinate(random), coordinate(random)};
      const Corner c{coordinate(random), coordinate(random)};
      const std::string expected = art(referenceTriangle(40, 30, a, b, c));
      const std::string drawn = drawnTriangle(40, 30, a, b, c);
      ASSERT_EQ(drawn, expected) << a.x << "," << a.y << " " << b.x << "," << b.y << " " << c.x
                                 << "," << c.y;
    }
  }
}

TEST(DrawSurface, HugeCornersAreClippedExactly) {
  struct Case {
    const char* name;
    Corner a, b, c;
  };
  const Case cases[] = {
      {"covers everything", {INT_MIN, INT_MIN}, {INT_MAX, INT_MIN}, {INT_MAX, INT_MAX}},
      {"diagonal through", {INT_MIN, INT_MIN}, {INT_MAX, INT_MAX}, {INT_MIN, INT_MAX}},
      {"sliver", {-2000000000, 5}, {2000000000, 7}, {0, 9}},
      {"one corner far", {3, 3}, {30, 4}, {-1500000000, 1400000000}},
      {"all outside", {INT_MIN, INT_MIN}, {INT_MIN + 5, INT_MIN}, {INT_MIN, INT_MIN + 7}},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    EXPECT_EQ(drawnTriangle(40, 30, test.a, test.b, test.c),
              art(referenceTriangle(40, 30, test.a, test.b, test.c)));
  }
}

TEST(DrawSurface, CornerFarLeftDrawsVisiblePartOnly) {
  DibImage image = paperImage(20, 20);
  DrawSurface surface;
  image.attachSurface(surface);
  EXPECT_TRUE(surface.drawTriangle(-50, 10, 15, 2, 15, 18, 1, kPen, kBrush));
  EXPECT_EQ(surface.getPixel(0, 10), kBrush);
  EXPECT_EQ(surface.getPixel(15, 10), kPen);
  EXPECT_EQ(surface.getPixel(16, 10), kPaper);
  EXPECT_EQ(surface.getPixel(0, 0), kPaper);
}

TEST(DrawSurface, WidePenPaintsSquaresAroundTheOutline) {
  DibImage image = paperImage(7, 7);
  DrawSurface surface;
  image.attachSurface(surface);
  EXPECT_TRUE(surface.drawTriangle(3, 3, 3, 3, 3, 3, 3, kPen, kBrush));
  EXPECT_EQ(art(image), ".......\n.......\n..PPP..\n..PPP..\n..PPP..\n.......\n.......\n");
}

namespace {

// The drawn picture against the rule for one triangle, with pen and brush in different
// colours (the outline must lie over the fill) and in one colour (their union).
void expectDrawnAsWritten(int width, int height, Corner a, Corner b, Corner c) {
  const std::string expected = art(referenceTriangle(width, height, a, b, c));
  ASSERT_EQ(drawnTriangle(width, height, a, b, c), expected)
      << a.x << "," << a.y << " " << b.x << "," << b.y << " " << c.x << "," << c.y;
  DibImage image = paperImage(width, height);
  DrawSurface surface;
  image.attachSurface(surface);
  surface.drawTriangle(static_cast<int>(a.x), static_cast<int>(a.y), static_cast<int>(b.x),
                       static_cast<int>(b.y), static_cast<int>(c.x), static_cast<int>(c.y), 1, kPen,
                       kPen);
  std::string oneColour = expected;
  std::replace(oneColour.begin(), oneColour.end(), 'b', 'P');
  ASSERT_EQ(art(image), oneColour) << "one colour: " << a.x << "," << a.y << " " << b.x << ","
                                   << b.y << " " << c.x << "," << c.y;
}

// Every triangle whose corners lie on a side x side grid of points, the grid at (left, top).
void expectEveryTriangleOnGrid(int width, int height, int left, int top, int side) {
  const int points = side * side;
  for (int i = 0; i < points; ++i)
    for (int j = 0; j < points; ++j)
      for (int k = 0; k < points; ++k) {
        const Corner a{left + i % side, top + i / side}, b{left + j % side, top + j / side};
        const Corner c{left + k % side, top + k / side};
        expectDrawnAsWritten(width, height, a, b, c);
        if (testing::Test::HasFatalFailure()) return;
      }
}

}  // namespace

TEST(DrawSurface, EveryTinyTriangleMatchesTheWrittenRule) {
  // Corners spanning up to 3 pixels each way: alone on an image of their size (touching
  // every border) and inside a larger one.
  {
    SCOPED_TRACE("4 x 4 image");
    expectEveryTriangleOnGrid(4, 4, 0, 0, 4);
  }
  {
    SCOPED_TRACE("inside 8 x 7");
    expectEveryTriangleOnGrid(8, 7, 3, 2, 4);
  }
}

TEST(DrawSurface, EverySmallTriangleMatchesTheWrittenRule) {
  // Corners spanning 4 pixels each way, flush with the image's right and bottom borders.
  expectEveryTriangleOnGrid(7, 6, 2, 1, 5);
}

TEST(DrawSurface, SliversAndInsideTrianglesMatchTheWrittenRule) {
  std::mt19937 random(2024);
  constexpr int kWidth = 70, kHeight = 50;
  std::uniform_int_distribution<int> x(0, kWidth - 1), y(0, kHeight - 1), nudge(-2, 2);
  for (int trial = 0; trial < 400; ++trial) {
    SCOPED_TRACE(trial);
    const Corner a{x(random), y(random)}, b{x(random), y(random)};
    // A third corner near one end or near the middle: long thin triangles at every angle.
    const Corner near = trial % 2 == 0 ? a : Corner{(a.x + b.x) / 2, (a.y + b.y) / 2};
    const Corner c{std::clamp<std::int64_t>(near.x + nudge(random), 0, kWidth - 1),
                   std::clamp<std::int64_t>(near.y + nudge(random), 0, kHeight - 1)};
    expectDrawnAsWritten(kWidth, kHeight, a, b, c);
    // And a triangle of any shape with every corner on the image.
    expectDrawnAsWritten(kWidth, kHeight, a, b, {x(random), y(random)});
    if (HasFatalFailure()) return;
  }
}

TEST(DrawSurface, LongThinTrianglesMatchTheWrittenRule) {
  // Spans on either side of 8192 pixels, where on-image triangles change arithmetic.
  struct Case {
    const char* name;
    Corner a, b, c;
  };
  const Case cases[] = {
      {"8191 wide", {0, 0}, {8191, 2}, {3, 4}},
      {"8192 wide", {8192, 0}, {0, 3}, {5000, 4}},
      {"8193 wide", {1, 4}, {8194, 1}, {8000, 0}},
      {"8199 wide, one row", {0, 1}, {8199, 2}, {4100, 2}},
      {"8191 tall", {0, 0}, {4, 8191}, {2, 3}},
      {"8192 tall", {3, 8192}, {0, 0}, {4, 100}},
      {"8193 tall", {1, 1}, {4, 8194}, {0, 8000}},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    const bool wide = std::string(test.name).find("wide") != std::string::npos;
    expectDrawnAsWritten(wide ? 8200 : 5, wide ? 5 : 8200, test.a, test.b, test.c);
  }
}

namespace {

// The outline rule for a pen of width pen: a pen x pen square, pixels -(pen-1)/2 .. pen/2
// around each line pixel, clipped; line pixels off the image count too.
void referenceWideLine(DibImage& image, Corner p, Corner q, int pen) {
  if (q.y < p.y || (q.y == p.y && q.x < p.x)) std::swap(p, q);
  const std::int64_t dx = q.x - p.x, dy = q.y - p.y;
  const std::int64_t n = std::max(std::llabs(dx), std::llabs(dy));
  const bool xMajor = std::llabs(dx) >= dy;
  for (std::int64_t step = 0; step <= n; ++step) {
    const std::int64_t minor = n == 0 ? 0
                                      : static_cast<std::int64_t>(floorDivide(
                                            2 * Wide(step) * (xMajor ? dy : dx) + n, 2 * Wide(n)));
    const std::int64_t x = xMajor ? p.x + (dx < 0 ? -step : step) : p.x + minor;
    const std::int64_t y = xMajor ? p.y + minor : p.y + step;
    for (std::int64_t sy = y - (pen - 1) / 2; sy <= y + pen / 2; ++sy)
      for (std::int64_t sx = x - (pen - 1) / 2; sx <= x + pen / 2; ++sx)
        if (sx >= 0 && sy >= 0 && sx < image.width() && sy < image.height())
          image.pixels()[sy * image.width() + sx] = kPen;
  }
}

}  // namespace

TEST(DrawSurface, WidePenSquaresWhollyOffTheImageDrawNothing) {
  // Regression: a square whose outline pixel lies just beyond a border used to be filled
  // with its clipped ends crossed, writing far outside the image.
  std::mt19937 random(77);
  constexpr int kWidth = 12, kHeight = 10;
  std::uniform_int_distribution<int> x(-9, kWidth + 8), y(-9, kHeight + 8), pen(2, 7);
  for (int trial = 0; trial < 3000; ++trial) {
    const Corner a{x(random), y(random)}, b{x(random), y(random)}, c{x(random), y(random)};
    const int width = pen(random);
    DibImage expected = paperImage(kWidth, kHeight);
    for (int py = 0; py < kHeight; ++py)
      for (int px = 0; px < kWidth; ++px)
        if (centreCovered(a, b, c, px, py)) expected.pixels()[py * kWidth + px] = kBrush;
    referenceWideLine(expected, a, b, width);
    referenceWideLine(expected, b, c, width);
    referenceWideLine(expected, c, a, width);
    DibImage image = paperImage(kWidth, kHeight);
    DrawSurface surface;
    image.attachSurface(surface);
    surface.drawTriangle(static_cast<int>(a.x), static_cast<int>(a.y), static_cast<int>(b.x),
                         static_cast<int>(b.y), static_cast<int>(c.x), static_cast<int>(c.y), width,
                         kPen, kBrush);
    ASSERT_EQ(art(image), art(expected)) << "pen " << width << ": " << a.x << "," << a.y << " "
                                         << b.x << "," << b.y << " " << c.x << "," << c.y;
  }
}
