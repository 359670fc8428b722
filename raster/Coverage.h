#pragma once
// Coverage: which pixels a filled triangle and its one-pixel outline cover. The rule is
// written here once; every drawing path of DrawSurface (the general and the clipped fill,
// the line walkers, the tables of tiny triangles) is built on these functions, and the
// tests compare every path with a plain reading of the same words.
//
// Pixel (x, y) is the unit square whose centre is (x + 1/2, y + 1/2). Working in doubled
// coordinates, corners are even and pixel centres odd, so every test is exact in integers.
//
// Fill: a pixel is filled when its centre lies inside the triangle. A centre exactly on an
//   edge counts only on a top edge (horizontal, the triangle below it) or a left edge (the
//   triangle to its right): the top-left rule, so that two triangles sharing an edge never
//   both claim a pixel on it. A triangle of zero area fills nothing.
// Outline: each edge is a one-pixel line from corner to corner, both included: n + 1
//   pixels, n = max(|dx|, |dy|), walked from the corner with the smaller y (then the
//   smaller x), so that the order of the corners never changes the picture. The pixel at
//   step i lies i steps along the major axis, its other coordinate start + lineMinor(i, d,
//   n) with d the edge's extent on that axis: floor(i d / n + 1/2), halves rounding up.
//   Three equal corners set that one pixel. It holds no state and draws nothing itself.

#include <utility>

namespace coverage {

template <typename Int>
constexpr Int floorDiv(Int numerator, Int denominator) {
  Int quotient = numerator / denominator;
  if ((numerator % denominator != 0) && ((numerator < 0) != (denominator < 0))) --quotient;
  return quotient;
}

// One edge's inside test for a pixel centre P in doubled coordinates, the corners in
// positive orientation: E(P) = dx (Py - Yi) - dy (Px - Xi) >= bias, where bias is 0 on a
// top or left edge and 1 on any other, so that a centre on the edge counts only there.
template <typename Int>
struct EdgeTest {
  Int dx, dy, xi, yi, bias;
  // E written as rowConstant(Py) - dy Px, for walking along a row.
  constexpr Int rowConstant(Int py) const { return dx * (py - yi) + dy * xi; }
  constexpr bool covers(Int px, Int py) const { return dx * (py - yi) - dy * (px - xi) >= bias; }
};

template <typename Int>
constexpr EdgeTest<Int> makeEdge(Int xi, Int yi, Int xj, Int yj) {
  const Int dx = xj - xi;
  const Int dy = yj - yi;
  // With positive orientation the inside lies where E > 0; a left edge runs upwards
  // (dy < 0), a top edge runs rightwards (dy == 0, dx > 0).
  const bool topLeft = dy < 0 || (dy == 0 && dx > 0);
  return {dx, dy, xi, yi, static_cast<Int>(topLeft ? 0 : 1)};
}

// The three edge tests of the triangle with doubled corners a, b, c, ordered to positive
// orientation. False (and edges untouched) for a triangle of zero area.
template <typename Int>
constexpr bool makeEdges(Int ax, Int ay, Int bx, Int by, Int cx, Int cy,
                         EdgeTest<Int> (&edges)[3]) {
  const Int area = (bx - ax) * (cy - ay) - (by - ay) * (cx - ax);
  if (area == 0) return false;
  if (area < 0) {
    std::swap(bx, cx);
    std::swap(by, cy);
  }
  edges[0] = makeEdge(ax, ay, bx, by);
  edges[1] = makeEdge(bx, by, cx, cy);
  edges[2] = makeEdge(cx, cy, ax, ay);
  return true;
}

// Whether the centre of pixel (x, y) is filled, with edges made from doubled corners.
template <typename Int>
constexpr bool centreCovered(const EdgeTest<Int> (&edges)[3], Int x, Int y) {
  const Int px = Int(2) * x + 1, py = Int(2) * y + 1;
  return edges[0].covers(px, py) && edges[1].covers(px, py) && edges[2].covers(px, py);
}

// Puts the corner a line is walked from first: the smaller y, then the smaller x.
template <typename Int>
constexpr void orderLineEnds(Int& x0, Int& y0, Int& x1, Int& y1) {
  if (y1 < y0 || (y1 == y0 && x1 < x0)) {
    std::swap(x0, x1);
    std::swap(y0, y1);
  }
}

// The minor-axis offset of step i of a line of n steps whose minor extent is d (|d| <= n,
// n > 0): floor((2 i d + n) / 2 n). The walkers carry its quotient and remainder instead
// of dividing at every step.
template <typename Int>
constexpr Int lineMinor(Int i, Int d, Int n) {
  return floorDiv<Int>(Int(2) * i * d + n, Int(2) * n);
}

}  // namespace coverage
