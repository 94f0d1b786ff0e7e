#pragma once
// Paints scope drawing operations into an RGB picture, for pictures made without a window (the
// command line's plot). Lines are drawn pixel by pixel with a square pen of the operation's width.

#include "infrared/ScopeDrawing.h"

#include <cstdint>
#include <vector>

namespace zr48 {

class ScopeRaster {
public:
    // A black picture.
    ScopeRaster(int width, int height);

    int width() const { return width_; }
    int height() const { return height_; }
    Rgb pixel(int x, int y) const;
    // Three bytes (red, green, blue) a pixel, row after row from the top.
    const std::vector<std::uint8_t>& rgb() const { return rgb_; }

    void paint(const LineOp& line);
    void paint(const DrawOps& lines);
    void paintDots(const std::vector<Point>& dots, Rgb colour);
    // A filled rectangle, for text backgrounds.
    void fill(int left, int top, int right, int bottom, Rgb colour);

private:
    void put(int x, int y, Rgb colour, PenMode mode);

    int width_;
    int height_;
    std::vector<std::uint8_t> rgb_;
};

} // namespace zr48
