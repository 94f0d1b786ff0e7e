#pragma once
// Black-and-white pictures as PNG files (libpng), for the pictures the tools take from the unit.

#include "base/Text.h"

#include <cstdint>
#include <span>
#include <vector>

namespace zr48::cli {

// An 8-bit grey PNG of `width` × `height` pixels, row by row, one byte per pixel (0 black,
// 255 white). Throws zr48::Error when libpng refuses the picture.
std::vector<std::uint8_t> encodeGreyPng(int width, int height, std::span<const std::uint8_t> grey);

} // namespace zr48::cli
