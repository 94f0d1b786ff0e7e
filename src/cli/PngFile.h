#pragma once
// Pictures as PNG files (zlib): the unit's display, plots of infrared captures.

#include "base/Text.h"

#include <cstdint>
#include <span>
#include <vector>

namespace zr48::cli {

// An 8-bit grey PNG of `width` × `height` pixels, row by row, one byte per pixel (0 black,
// 255 white). Throws zr48::Error when the size and the pixels disagree.
std::vector<std::uint8_t> encodeGreyPng(int width, int height, std::span<const std::uint8_t> grey);
// The same with three bytes (red, green, blue) per pixel.
std::vector<std::uint8_t> encodeRgbPng(int width, int height, std::span<const std::uint8_t> rgb);

} // namespace zr48::cli
