#pragma once
// DxfFormat: the text of the terrain mesh as a DXF drawing, one ENTITIES section of
// 3DFACE entities, every line ended by CR LF. Formats into caller memory and does no I/O
// (DxfExport streams the text into the file); numbers are formatted without stdio but
// byte for byte as "%d" and "%.2f" would format them.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "engine/TerrainPolygon.h"

// Group 0 SECTION, group 2 ENTITIES, group 999 (a comment) naming the program.
inline constexpr std::string_view kDxfSectionStart =
    "0\r\nSECTION\r\n2\r\nENTITIES\r\n999\r\nExported DXF from QN\r\n";
// Section end and end-of-file marker.
inline constexpr std::string_view kDxfFileEnd = "0\r\nENDSEC\r\n0\r\nEOF\r\n";

// The longest text of one "%.2f" number (a finite double of 309 integer digits, sign,
// point and two decimals) and the most formatDxfFace ever writes.
inline constexpr std::size_t kMaxFixed2Bytes = 320;
inline constexpr std::size_t kMaxDxfFaceBytes = 64 + 4 * (3 * 6 + 2 * 11 + kMaxFixed2Bytes);

// A terrain coordinate in drawing units (1/100 pixel): value x 100 truncated toward zero
// to a 32-bit integer. A NaN gives 0, and values beyond the 32-bit range (infinities
// included) give the nearest end of the range, so no input makes the conversion undefined.
std::int32_t dxfCoordinate(double value);

// Writes value as "%d" would (no terminator) and returns the end of the text. out must
// hold 11 bytes.
char* formatInteger(char* out, std::int32_t value);

// Writes value as "%.2f" would under the default rounding mode (the exact binary value
// rounded to two decimals, ties to even; "-0.00" for negatives that round to zero;
// "nan", "inf" and their signs as glibc writes them) and returns the end of the text.
// out must hold kMaxFixed2Bytes.
char* formatFixed2(char* out, double value);

// One 3DFACE entity of 30 lines: head (layer "QN Object", colour 8), then the corners
// v[0], v[1], v[2] and v[2] again (a triangle's fourth corner repeats its third); x and y
// through dxfCoordinate, z as "%.2f" of z x 100. out must hold kMaxDxfFaceBytes; returns
// the number of bytes written.
std::size_t formatDxfFace(const TerrainPolygon& polygon, char* out);
