#pragma once
// PngEncoder: a picture as the bytes of a PNG file (8-bit RGB, no alpha), or 16-bit grey
// samples (height maps), through libpng.
// It owns no file: the caller writes the bytes (atomically). Never throws.

#include <cstdint>
#include <vector>

#include "raster/Color.h"

// The PNG of width x height pixels, row 0 at the top; empty when the picture is empty or
// libpng refuses it.
std::vector<std::uint8_t> encodePng(const Color* pixels, int width, int height);

// The PNG of width x height 16-bit grey samples, row 0 at the top; empty as above.
std::vector<std::uint8_t> encodeGreyPng16(const std::uint16_t* samples, int width, int height);

// The pixels of a PNG of 8-bit samples as colour values (for tests and checks); false
// when the bytes are not a PNG libpng can read.
bool decodePng(const std::uint8_t* data, std::size_t size, std::vector<Color>& pixels, int& width,
               int& height);
