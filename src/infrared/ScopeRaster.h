#pragma once
// Paints scope drawing operations into an RGB picture, for pictures made without a window (the
// command line's plot). Lines are drawn with a square pen of the operation's width, as
// rectangles that the scope window fills the same way, so both show the same pixels.

#include "infrared/ScopeDrawing.h"

#include <cstdint>
#include <vector>

namespace zr48 {

// Pixels from left to right - 1 and from top to bottom - 1.
struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// The pixels that a line covers on a picture of width × height, cut to the picture: the square
// pen at each step of the line, the steps along the line's main direction joined into one
// rectangle. Rectangles may overlap, which neither pen mode minds. Appended to `rects`.
void appendLineRects(const LineOp& line, int width, int height, std::vector<PixelRect>& rects);

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
    void fill(int left, int top, int right, int bottom, Rgb colour, PenMode mode = PenMode::Copy);

private:
    void put(int x, int y, Rgb colour, PenMode mode);

    std::vector<PixelRect> rects_;

    int width_;
    int height_;
    std::vector<std::uint8_t> rgb_;
};

} // namespace zr48
