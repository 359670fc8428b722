#pragma once
// CoverageTables: the pixels of every tiny triangle, worked out once from the coverage
// rule (Coverage.h) so that the renderer's commonest triangles need no arithmetic at all.
// Only data and its indexing; DrawSurface.cpp paints from them.
//
// Tiny: corners spanning at most kTinySpan (3) pixels each way. Two 4 x 4 grids per
//   triangle, bit 4 row + column: the outline in bits 0-15, the fill not under the outline
//   in bits 16-31; and from them, row by row, four 2-bit column numbers per row.
// Small: corners spanning kSmallSpan (4) pixels, one colour: one 5 x 5 grid of outline and
//   fill together, bit 5 row + column, indexed by the corners in base 5.
// The tables are made by the compiler where its constant evaluator manages (GCC does for
// the tiny tables), otherwise on first use, safely from any thread; never read before.

#include <array>
#include <cstddef>
#include <cstdint>

#include "raster/Coverage.h"

namespace coverage {

inline constexpr int kTinySpan = 3;
inline constexpr std::size_t kTinyTableSize = 1 << 12;  // six corners' coordinates, 2 bits each
inline constexpr int kSmallSpan = 4;
inline constexpr std::size_t kSmallTableSize = 15625;  // 5^6

// Bit side * y + x of a side x side grid.
template <int side>
constexpr std::uint32_t gridBit(int x, int y) {
  return std::uint32_t{1} << (side * y + x);
}

// A line's pixels on a side x side grid, by the outline rule.
template <int side>
constexpr std::uint32_t lineBits(int x0, int y0, int x1, int y1) {
  orderLineEnds(x0, y0, x1, y1);
  const int dx = x1 - x0;
  const int dy = y1 - y0;
  const int width = dx < 0 ? -dx : dx;
  const int n = width > dy ? width : dy;
  if (n == 0) return gridBit<side>(x0, y0);
  const bool xMajor = width >= dy;
  std::uint32_t bits = 0;
  for (int i = 0; i <= n; ++i) {
    const int minor = lineMinor(i, xMajor ? dy : dx, n);
    bits |= xMajor ? gridBit<side>(x0 + (dx < 0 ? -i : i), y0 + minor)
                   : gridBit<side>(x0 + minor, y0 + i);
  }
  return bits;
}

// A fill's pixels on a side x side grid, by the fill rule.
template <int side>
constexpr std::uint32_t fillBits(int x0, int y0, int x1, int y1, int x2, int y2) {
  EdgeTest<int> edges[3]{};
  if (!makeEdges(2 * x0, 2 * y0, 2 * x1, 2 * y1, 2 * x2, 2 * y2, edges)) return 0;
  std::uint32_t bits = 0;
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x)
      if (centreCovered(edges, x, y)) bits |= gridBit<side>(x, y);
  return bits;
}

// The corners packed 2 bits apiece. Unsigned, so that the index of the corners minus that
// of their box's top-left corner repeated (left * 0x111 + top * 0x444) is the index of the
// corners relative to the box: the packing is linear.
constexpr unsigned tinyIndex(unsigned x0, unsigned y0, unsigned x1, unsigned y1, unsigned x2,
                             unsigned y2) {
  return x0 + (y0 << 2) + (x1 << 4) + (y1 << 6) + (x2 << 8) + (y2 << 10);
}
inline constexpr unsigned kTinyIndexPerLeft = 0x111u;
inline constexpr unsigned kTinyIndexPerTop = 0x444u;

// The outline and fill grids of the tiny triangle with these packed corners.
constexpr std::uint32_t tinyCoverage(unsigned index) {
  const auto coordinate = [index](int k) { return static_cast<int>(index >> (2 * k)) & 3; };
  const int x0 = coordinate(0), y0 = coordinate(1), x1 = coordinate(2), y1 = coordinate(3);
  const int x2 = coordinate(4), y2 = coordinate(5);
  const std::uint32_t outline =
      lineBits<4>(x0, y0, x1, y1) | lineBits<4>(x1, y1, x2, y2) | lineBits<4>(x2, y2, x0, y0);
  const std::uint32_t fill = fillBits<4>(x0, y0, x1, y1, x2, y2) & ~outline;
  return outline | fill << 16;
}

// The pixels of outline and fill (or of the outline alone) row by row: row r in bits
// 8 r .. 8 r + 7 as four 2-bit column numbers, repeated when the row holds fewer than four.
// Every row of the corners' box holds an outline pixel (the edges join the corners), so
// the rows can be written without looking at their bits.
template <bool outlineOnly>
constexpr std::uint32_t tinyRowColumns(unsigned index) {
  const std::uint32_t coverage = tinyCoverage(index);
  const std::uint32_t grid = (outlineOnly ? coverage : coverage | coverage >> 16) & 0xFFFFu;
  std::uint32_t rows = 0;
  for (int y = 0; y <= kTinySpan; ++y) {
    int columns[4] = {};
    int count = 0;
    for (int x = 0; x <= kTinySpan; ++x)
      if ((grid & gridBit<4>(x, y)) != 0) columns[count++] = x;
    for (int k = count; k > 0 && k < 4; ++k) columns[k] = columns[k - 1];
    for (int k = 0; k < 4; ++k) rows |= static_cast<std::uint32_t>(columns[k]) << (8 * y + 2 * k);
  }
  return rows;
}

// Linear like tinyIndex: the index of the corners minus that of the box's top-left corner
// repeated, left * (1 + 25 + 625) + top * (5 + 125 + 3125), is the relative one.
constexpr unsigned smallIndex(unsigned x0, unsigned y0, unsigned x1, unsigned y1, unsigned x2,
                              unsigned y2) {
  return x0 + 5 * y0 + 25 * x1 + 125 * y1 + 625 * x2 + 3125 * y2;
}
inline constexpr unsigned kSmallIndexPerLeft = 651u;
inline constexpr unsigned kSmallIndexPerTop = 3255u;

// Outline and fill together on a 5 x 5 grid (one colour: no need to tell them apart).
constexpr std::uint32_t smallCoverage(unsigned index) {
  int c[6] = {};
  for (int& coordinate : c) coordinate = static_cast<int>(index % 5), index /= 5;
  return lineBits<5>(c[0], c[1], c[2], c[3]) | lineBits<5>(c[2], c[3], c[4], c[5]) |
         lineBits<5>(c[4], c[5], c[0], c[1]) | fillBits<5>(c[0], c[1], c[2], c[3], c[4], c[5]);
}

template <std::uint32_t (*entry)(unsigned), std::size_t size>
constexpr std::array<std::uint32_t, size> makeTable() {
  std::array<std::uint32_t, size> table{};
  for (unsigned index = 0; index < table.size(); ++index) table[index] = entry(index);
  return table;
}

// The table of entry(index) for every index, as a function's constant: not constexpr,
// since a compiler's constant evaluator may stop at its step limit before the entries are
// done (clang's does, GCC's for the small table); it is then filled on first use.
template <std::uint32_t (*entry)(unsigned), std::size_t size>
const std::array<std::uint32_t, size>& table() {
  static const std::array<std::uint32_t, size> entries = makeTable<entry, size>();
  return entries;
}

inline const std::array<std::uint32_t, kTinyTableSize>& tinyFillRows() {
  return table<tinyRowColumns<false>, kTinyTableSize>();
}
inline const std::array<std::uint32_t, kTinyTableSize>& tinyOutlineRows() {
  return table<tinyRowColumns<true>, kTinyTableSize>();
}
inline const std::array<std::uint32_t, kSmallTableSize>& smallGrids() {
  return table<smallCoverage, kSmallTableSize>();
}

}  // namespace coverage
