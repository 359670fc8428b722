// DrawSurface: pixels and rectangles, and every triangle path compared with a plain
// pixel-by-pixel reading of the coverage rule (DrawSurface.h).

#include "raster/DrawSurface.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>

#include "raster/DibImage.h"

namespace {

constexpr Color kPen = 0x0000FFu, kBrush = 0x00FF00u, kPaper = 0xFFFFFFu;
using Wide = __int128;
struct Corner {
  std::int64_t x, y;
};

// The picture, one line per row: '.' paper, 'P' pen, 'b' brush, '?' other.
std::string art(const DibImage& image) {
  std::string text;
  for (int i = 0; i < image.width() * image.height(); ++i) {
    const Color c = image.pixels()[i];
    text += c == kPaper ? '.' : c == kPen ? 'P' : c == kBrush ? 'b' : '?';
    if ((i + 1) % image.width() == 0) text += '\n';
  }
  return text;
}

// A w x h paper image drawn on by draw(image, surface); its art.
template <typename Draw>
std::string drawnOn(int w, int h, Draw draw) {
  DibImage image;
  EXPECT_TRUE(image.create(w, h));
  std::fill(image.pixels(), image.pixels() + w * h, kPaper);
  DrawSurface surface;
  image.attachSurface(surface);
  draw(image, surface);
  return art(image);
}

Wide floorDivide(Wide a, Wide b) { return a / b - (a % b != 0 && (a < 0) != (b < 0)); }

// The centre of pixel (px, py) inside, on a top or left edge counting: doubled coordinates.
bool centreCovered(Corner a, Corner b, Corner c, std::int64_t px, std::int64_t py) {
  Wide ax = 2 * Wide(a.x), ay = 2 * Wide(a.y), bx = 2 * Wide(b.x), by = 2 * Wide(b.y);
  Wide cx = 2 * Wide(c.x), cy = 2 * Wide(c.y);
  const Wide area = (bx - ax) * (cy - ay) - (by - ay) * (cx - ax);
  if (area == 0) return false;
  if (area < 0) std::swap(bx, cx), std::swap(by, cy);
  const Wide x = 2 * Wide(px) + 1, y = 2 * Wide(py) + 1,
             corners[3][2] = {{ax, ay}, {bx, by}, {cx, cy}};
  for (int k = 0; k < 3; ++k) {
    const Wide *from = corners[k], *to = corners[(k + 1) % 3];
    const Wide dx = to[0] - from[0], dy = to[1] - from[1];
    const Wide e = dx * (y - from[1]) - dy * (x - from[0]);
    if (e < 0 || (e == 0 && !(dy < 0 || (dy == 0 && dx > 0)))) return false;
  }
  return true;
}

// The line from the smaller (y, x) corner, minor = start + floor(i*d/n + 1/2), a pen x pen
// square on each step (clipped), walked over the image's columns (rows) only.
void referenceLine(DibImage& image, Corner p, Corner q, int pen) {
  if (q.y < p.y || (q.y == p.y && q.x < p.x)) std::swap(p, q);
  const std::int64_t dx = q.x - p.x, dy = q.y - p.y, n = std::max<std::int64_t>(std::llabs(dx), dy);
  const bool xMajor = std::llabs(dx) >= dy;
  auto plot = [&](Wide x, Wide y) {
    for (Wide sy = y - (pen - 1) / 2; sy <= y + pen / 2; ++sy)
      for (Wide sx = x - (pen - 1) / 2; sx <= x + pen / 2; ++sx)
        if (sx >= 0 && sy >= 0 && sx < image.width() && sy < image.height())
          image.pixels()[int(sy) * image.width() + int(sx)] = kPen;
  };
  for (std::int64_t m = -pen; m < (xMajor ? image.width() : image.height()) + pen; ++m) {
    const std::int64_t step = xMajor ? (dx < 0 ? p.x - m : m - p.x) : m - p.y;
    if (step < 0 || step > n) continue;
    const Wide d = xMajor ? dy : dx;
    const Wide minor = (xMajor ? p.y : p.x) + (n ? floorDivide(2 * step * d + n, 2 * Wide(n)) : 0);
    xMajor ? plot(m, minor) : plot(minor, m);
  }
}

std::string drawn(int w, int h, Corner a, Corner b, Corner c, int pen, Color brush) {
  return drawnOn(w, h, [&](DibImage&, DrawSurface& surface) {
    EXPECT_TRUE(surface.drawTriangle(int(a.x), int(a.y), int(b.x), int(b.y), int(c.x), int(c.y),
                                     pen, kPen, brush));
  });
}

// Pen and brush in two colours (outline over the fill) and in one colour (their union).
void expectAsWritten(int w, int h, Corner a, Corner b, Corner c, int pen = 1) {
  for (Color brush : {kBrush, kPen}) {
    const std::string reference = drawnOn(w, h, [&](DibImage& image, DrawSurface&) {
      for (int i = 0; i < w * h; ++i)
        if (centreCovered(a, b, c, i % w, i / w)) image.pixels()[i] = brush;
      for (auto [p, q] : {std::pair{a, b}, {b, c}, {c, a}}) referenceLine(image, p, q, pen);
    });
    ASSERT_EQ(drawn(w, h, a, b, c, pen, brush), reference)
        << "pen " << pen << ", brush " << brush << ": " << a.x << "," << a.y << " " << b.x << ","
        << b.y << " " << c.x << "," << c.y;
  }
}

// Every triangle with corners on a side x side grid of points at (left, top).
void expectEveryTriangleOnGrid(int w, int h, int left, int top, int side) {
  const int n = side * side;
  for (int i = 0; i < n * n * n && !testing::Test::HasFatalFailure(); ++i) {
    const int p[3] = {i % n, i / n % n, i / n / n};
    auto at = [&](int k) { return Corner{left + p[k] % side, top + p[k] / side}; };
    expectAsWritten(w, h, at(0), at(1), at(2));
  }
}

// Random corners in [x0, x1] x [y0, y1] on a w x h image, pens up to maxPen (2 at least).
void expectRandomAsWritten(int trials, int w, int h, int x0, int x1, int y0, int y1,
                           int maxPen = 1) {
  std::mt19937 random(12345 + x0 + maxPen);
  std::uniform_int_distribution<int> x(x0, x1), y(y0, y1), pen(maxPen > 1 ? 2 : 1, maxPen);
  for (int trial = 0; trial < trials && !testing::Test::HasFatalFailure(); ++trial) {
    const Corner a{x(random), y(random)}, b{x(random), y(random)}, c{x(random), y(random)};
    expectAsWritten(w, h, a, b, c, pen(random));
  }
}

}  // namespace

TEST(DrawSurface, DrawsOnlyOnAnAttachedImageClipped) {
  DrawSurface surface;
  EXPECT_EQ(surface.getPixel(0, 0), 0u);
  EXPECT_FALSE(surface.setPixel(0, 0, kPen) || surface.drawRectangle(0, 0, 5, 5, 1, kPen, kBrush) ||
               surface.drawTriangle(0, 0, 5, 0, 0, 5, 1, kPen, kBrush));
  DibImage image;
  EXPECT_TRUE(image.attachSurface(surface));
  EXPECT_FALSE(surface.isAttached()) << "an empty image attaches nothing";
  ASSERT_TRUE(image.create(3, 2));
  image.attachSurface(surface);
  EXPECT_TRUE(surface.setPixel(2, 1, kPen));
  EXPECT_EQ(surface.getPixel(2, 1), kPen);
  for (auto [x, y] : {std::pair{-1, 0}, {0, -1}, {3, 0}, {0, 2}, {INT_MIN, INT_MAX}}) {
    EXPECT_TRUE(surface.setPixel(x, y, kPen));
    EXPECT_EQ(surface.getPixel(x, y), kInvalidColor);
  }
  EXPECT_EQ(std::count(image.pixels(), image.pixels() + 6, kPen), 1);
  image.release();
  EXPECT_FALSE(surface.setPixel(1, 1, kPen) ||
               surface.drawTriangle(0, 0, 3, 0, 0, 3, 1, kPen, kBrush));
  EXPECT_EQ(surface.getPixel(1, 1), kInvalidColor);
  image.detachSurface(surface);
  EXPECT_FALSE(surface.isAttached());
}

TEST(DrawSurface, RectangleCoversLeftToRightMinusOneClipped) {
  auto rectangle = [](int w, int h, int left, int top, int right, int bottom, int pen,
                      Color brush) {
    return drawnOn(w, h, [&](DibImage&, DrawSurface& surface) {
      EXPECT_TRUE(surface.drawRectangle(left, top, right, bottom, pen, kPen, brush));
    });
  };
  EXPECT_EQ(rectangle(8, 6, 1, 1, 6, 5, 1, kBrush),
            "........\n.PPPPP..\n.PbbbP..\n.PbbbP..\n.PPPPP..\n........\n");
  EXPECT_EQ(rectangle(8, 6, 7, 6, 0, 0, 2, kBrush),  // swapped corners, a wider pen
            "PPPPPPP.\nPPPPPPP.\nPPbbbPP.\nPPbbbPP.\nPPPPPPP.\nPPPPPPP.\n");
  EXPECT_EQ(rectangle(4, 3, -3, -3, 3, 2, 1, kBrush), "bbP.\nPPP.\n....\n");
  EXPECT_EQ(rectangle(4, 3, INT_MIN, INT_MIN, INT_MAX, INT_MAX, 1, kPen), "PPPP\nPPPP\nPPPP\n");
  EXPECT_EQ(rectangle(4, 3, 10, 10, 20, 20, 1, kPen), "....\n....\n....\n");
  std::string full;  // the whole image
  for (int y = 0; y < 240; ++y) full += std::string(320, 'P') + '\n';
  EXPECT_EQ(rectangle(320, 240, 0, 0, 320, 240, 1, kPen), full);
}

TEST(DrawSurface, TriangleGoldenPicture) {
  // (6, 3) stays empty: its centre lies right of the edge (8,2)-(3,6), which crosses y = 3.5
  // at x = 6.125, and that edge's line pixels there are (7, 3) and (6, 4).
  EXPECT_EQ(drawn(10, 8, {1, 1}, {8, 2}, {3, 6}, 1, kBrush),
            "..........\n.PPPP.....\n.PbbbPPPP.\n..Pbbb.P..\n"
            "..PbbPP...\n...PP.....\n...P......\n..........\n");
  EXPECT_EQ(drawn(6, 3, {0, 1}, {5, 1}, {2, 1}, 1, kBrush), "......\nPPPPPP\n......\n");
  EXPECT_EQ(drawn(3, 2, {1, 1}, {1, 1}, {1, 1}, 1, kBrush), "...\n.P.\n");
  EXPECT_EQ(drawn(7, 5, {3, 2}, {3, 2}, {3, 2}, 3, kBrush),
            ".......\n..PPP..\n..PPP..\n..PPP..\n.......\n");
}

TEST(DrawSurface, EveryTinyTriangleMatchesTheWrittenRule) {
  expectEveryTriangleOnGrid(4, 4, 0, 0, 4);  // touching every border
  expectEveryTriangleOnGrid(8, 7, 3, 2, 4);
}

TEST(DrawSurface, EverySmallTriangleMatchesTheWrittenRule) {
  expectEveryTriangleOnGrid(7, 6, 2, 1, 5);  // flush with the right and bottom borders
}

TEST(DrawSurface, SliversAndInsideTrianglesMatchTheWrittenRule) {
  std::mt19937 random(2024);
  std::uniform_int_distribution<int> x(0, 69), y(0, 49), nudge(-2, 2);
  for (int trial = 0; trial < 400 && !HasFatalFailure(); ++trial) {
    const Corner a{x(random), y(random)}, b{x(random), y(random)};
    // A third corner near one end or the middle: long thin triangles at every angle.
    const Corner near = trial % 2 ? Corner{(a.x + b.x) / 2, (a.y + b.y) / 2} : a;
    const Corner c{std::clamp<std::int64_t>(near.x + nudge(random), 0, 69),
                   std::clamp<std::int64_t>(near.y + nudge(random), 0, 49)};
    expectAsWritten(70, 50, a, b, c);
    expectAsWritten(70, 50, a, b, {x(random), y(random)});
  }
  expectRandomAsWritten(300, 40, 30, 0, 39, 0, 29);
}

TEST(DrawSurface, LongThinTrianglesMatchTheWrittenRule) {
  // Spans either side of 8192 pixels, where on-image triangles change arithmetic.
  for (const auto& c :
       std::initializer_list<std::array<std::int64_t, 6>>{{0, 0, 8191, 2, 3, 4},
                                                          {8192, 0, 0, 3, 5000, 4},
                                                          {1, 4, 8194, 1, 8000, 0},
                                                          {0, 1, 8199, 2, 4100, 2}}) {
    expectAsWritten(8200, 5, {c[0], c[1]}, {c[2], c[3]}, {c[4], c[5]});
    expectAsWritten(5, 8200, {c[1], c[0]}, {c[3], c[2]}, {c[5], c[4]});  // and tall
  }
}

TEST(DrawSurface, HugeCornersAreClippedExactly) {
  const std::int64_t lo = INT_MIN, hi = INT_MAX;
  expectAsWritten(40, 30, {lo, lo}, {hi, lo}, {hi, hi});  // covers everything
  expectAsWritten(40, 30, {lo, lo}, {hi, hi}, {lo, hi});  // diagonal through
  expectAsWritten(40, 30, {-2000000000, 5}, {2000000000, 7}, {0, 9});
  expectAsWritten(40, 30, {3, 3}, {30, 4}, {-1500000000, 1400000000});
  expectAsWritten(40, 30, {lo, lo}, {lo + 5, lo}, {lo, lo + 7});  // all outside
  expectAsWritten(20, 20, {-50, 10}, {15, 2}, {15, 18});
  expectAsWritten(12, 12, {-1, 3}, {-1, 3}, {-1, 3});  // a single point off the image
  for (auto [low, high] : {std::pair{-64, 103}, {-5000, 5000}})
    expectRandomAsWritten(300, 40, 30, low, high, low, high);
}

TEST(DrawSurface, WidePenPaintsSquaresAroundTheOutline) {
  // Regression: a square whose outline pixel lies just beyond a border was filled with its
  // clipped ends crossed, writing far outside the image.
  expectRandomAsWritten(3000, 12, 10, -9, 20, -9, 18, 7);
}
