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

// A w x h paper image after draw(image, surface), by rows: '.' paper, 'P' pen, 'b' brush.
std::string drawnOn(int w, int h, auto draw) {
  DibImage image;
  EXPECT_TRUE(image.create(w, h));
  std::fill(image.pixels(), image.pixels() + w * h, kPaper);
  DrawSurface surface;
  image.attachSurface(surface);
  draw(image, surface);
  std::string text;
  for (int i = 0; i < w * h; ++i) {
    const Color c = image.pixels()[i];
    text += c == kPaper ? '.' : c == kPen ? 'P' : c == kBrush ? 'b' : '?';
    if ((i + 1) % w == 0) text += '\n';
  }
  return text;
}

Wide floorDivide(Wide a, Wide b) { return a / b - (a % b != 0 && (a < 0) != (b < 0)); }

// The centre of pixel (px, py) inside, or on a top or left edge: doubled coordinates.
bool centreCovered(Corner a, Corner b, Corner c, std::int64_t px, std::int64_t py) {
  const Wide area = Wide(b.x - a.x) * (c.y - a.y) - Wide(b.y - a.y) * (c.x - a.x);
  if (area == 0) return false;
  if (area < 0) std::swap(b, c);
  const Wide x = 2 * Wide(px) + 1, y = 2 * Wide(py) + 1;
  for (auto [from, to] : {std::pair{a, b}, {b, c}, {c, a}}) {
    const Wide dx = 2 * Wide(to.x - from.x), dy = 2 * Wide(to.y - from.y);
    const Wide e = dx * (y - 2 * Wide(from.y)) - dy * (x - 2 * Wide(from.x));
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
    ASSERT_EQ(drawn(w, h, a, b, c, pen, brush), reference) << testing::PrintToString(
        std::array{a.x, a.y, b.x, b.y, c.x, c.y, std::int64_t{pen}, std::int64_t{brush}});
  }
}

}  // namespace

TEST(DrawSurface, PixelsAndRectanglesAreDrawnOnlyOnAnAttachedImageClipped) {
  DrawSurface surface;
  DibImage image;
  image.attachSurface(surface);  // an empty image attaches nothing
  EXPECT_FALSE(surface.setPixel(0, 0, kPen) || surface.drawRectangle(0, 0, 5, 5, 1, kPen, kBrush) ||
               surface.drawTriangle(0, 0, 5, 0, 0, 5, 1, kPen, kBrush) || surface.getPixel(0, 0));
  ASSERT_TRUE(image.create(3, 2));
  image.attachSurface(surface);
  for (auto [x, y] : {std::pair{2, 1}, {-1, 0}, {0, -1}, {3, 0}, {0, 2}, {INT_MIN, INT_MAX}}) {
    EXPECT_TRUE(surface.setPixel(x, y, kPen));
    EXPECT_EQ(surface.getPixel(x, y), x == 2 ? kPen : kInvalidColor) << x << ", " << y;
  }
  EXPECT_EQ(std::count(image.pixels(), image.pixels() + 6, kPen), 1);
  // A rectangle covers left..right - 1 by top..bottom - 1, its corners in either order.
  for (auto [w, h, left, top, right, bottom, pen, brush, picture] :
       {std::tuple{4, 3, 10, 10, 20, 20, 1, kPen, "....\n....\n....\n"},
        {4, 3, INT_MIN, INT_MIN, INT_MAX, INT_MAX, 1, kPen, "PPPP\nPPPP\nPPPP\n"},
        {7, 6, 1, 1, 6, 5, 1, kBrush, ".......\n.PPPPP.\n.PbbbP.\n.PbbbP.\n.PPPPP.\n.......\n"},
        {7, 6, 6, 6, 0, 0, 2, kBrush, "PPPPPP.\nPPPPPP.\nPPbbPP.\nPPbbPP.\nPPPPPP.\nPPPPPP.\n"}})
    EXPECT_EQ(drawnOn(w, h,
                      [&](DibImage&, DrawSurface& s) {
                        EXPECT_TRUE(s.drawRectangle(left, top, right, bottom, pen, kPen, brush));
                      }),
              picture);
}

TEST(DrawSurface, TriangleGoldenPicture) {
  // (6, 3) stays empty: its centre lies right of the edge (8,2)-(3,6), which crosses y = 3.5
  // at x = 6.125, and that edge's line pixels there are (7, 3) and (6, 4).
  EXPECT_EQ(drawn(10, 8, {1, 1}, {8, 2}, {3, 6}, 1, kBrush),
            "..........\n.PPPP.....\n.PbbbPPPP.\n..Pbbb.P..\n"
            "..PbbPP...\n...PP.....\n...P......\n..........\n");
}

TEST(DrawSurface, EveryTriangleMatchesTheWrittenRule) {
  // All on small grids (image size, top-left point, side): touching, inside, flush with borders.
  for (auto [w, h, left, top, side] : {std::array{4, 4, 0, 0, 4}, {8, 7, 3, 2, 4}, {7, 6, 2, 1, 5}})
    for (int i = 0, n = side * side; i < n * n * n && !HasFatalFailure(); ++i) {
      const int p[3] = {i % n, i / n % n, i / n / n};
      auto at = [&](int k) { return Corner{left + p[k] % side, top + p[k] / side}; };
      expectAsWritten(w, h, at(0), at(1), at(2));
    }
  // Random ones (trials, image size, corners' range, widest pen): on the image, around it, far
  // around it, and wide pens (regression: a square whose outline pixel lies just beyond a
  // border was filled with its clipped ends crossed, writing far outside the image).
  for (auto [trials, w, h, x0, x1, y0, y1, maxPen] : {std::array{300, 40, 30, 0, 39, 0, 29, 1},
                                                      {300, 40, 30, -64, 103, -64, 103, 1},
                                                      {300, 40, 30, -5000, 5000, -5000, 5000, 1},
                                                      {3000, 12, 10, -9, 20, -9, 18, 7}}) {
    std::mt19937 corners(12345 + x0 + maxPen);
    std::uniform_int_distribution<int> cx(x0, x1), cy(y0, y1), pen(maxPen > 1 ? 2 : 1, maxPen);
    for (int trial = 0; trial < trials && !HasFatalFailure(); ++trial) {
      const Corner a{cx(corners), cy(corners)}, b{cx(corners), cy(corners)};
      expectAsWritten(w, h, a, b, {cx(corners), cy(corners)}, pen(corners));
    }
  }
  // Spans either side of 8192 pixels, where on-image triangles change arithmetic, wide and tall.
  for (const auto& c :
       std::initializer_list<std::array<std::int64_t, 6>>{{0, 0, 8191, 2, 3, 4},
                                                          {8192, 0, 0, 3, 5000, 4},
                                                          {1, 4, 8194, 1, 8000, 0},
                                                          {0, 1, 8199, 2, 4100, 2}}) {
    expectAsWritten(8200, 5, {c[0], c[1]}, {c[2], c[3]}, {c[4], c[5]});
    expectAsWritten(5, 8200, {c[1], c[0]}, {c[3], c[2]}, {c[5], c[4]});
  }
  // Huge corners, clipped exactly.
  const std::int64_t lo = INT_MIN, hi = INT_MAX;
  expectAsWritten(40, 30, {lo, lo}, {hi, lo}, {hi, hi});  // covers everything
  expectAsWritten(40, 30, {lo, lo}, {hi, hi}, {lo, hi});  // diagonal through
  expectAsWritten(40, 30, {-2000000000, 5}, {2000000000, 7}, {0, 9});
  expectAsWritten(40, 30, {3, 3}, {30, 4}, {-1500000000, 1400000000});
  expectAsWritten(40, 30, {lo, lo}, {lo + 5, lo}, {lo, lo + 7});  // all outside
  expectAsWritten(20, 20, {-50, 10}, {15, 2}, {15, 18});
  expectAsWritten(12, 12, {-1, 3}, {-1, 3}, {-1, 3});  // a single point off the image
}
