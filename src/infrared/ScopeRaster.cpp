#include "infrared/ScopeRaster.h"

#include <cstdlib>

namespace zr48 {

ScopeRaster::ScopeRaster(int width, int height)
    : width_(width > 0 ? width : 0), height_(height > 0 ? height : 0),
      rgb_(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_) * 3, 0)
{}

Rgb ScopeRaster::pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return {};
    const std::size_t at =
        (static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x)) * 3;
    return {rgb_[at], rgb_[at + 1], rgb_[at + 2]};
}

void ScopeRaster::put(int x, int y, Rgb colour, PenMode mode)
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return;
    const std::size_t at =
        (static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x)) * 3;
    if (mode == PenMode::Copy) {
        rgb_[at] = colour.r;
        rgb_[at + 1] = colour.g;
        rgb_[at + 2] = colour.b;
    } else {
        rgb_[at] = static_cast<std::uint8_t>(rgb_[at] | (255 - colour.r));
        rgb_[at + 1] = static_cast<std::uint8_t>(rgb_[at + 1] | (255 - colour.g));
        rgb_[at + 2] = static_cast<std::uint8_t>(rgb_[at + 2] | (255 - colour.b));
    }
}

namespace {

int clampTo(int value, int low, int high)
{
    return value < low ? low : value > high ? high : value;
}

} // namespace

void ScopeRaster::paint(const LineOp& op)
{
    const int pen = op.penWidth > 0 ? op.penWidth : 1;
    // Lines far outside the picture (a bracket of a zoomed view much wider than the capture) are
    // cut to the picture first; only level and upright lines reach that far.
    if ((op.from.x < -pen && op.to.x < -pen) || (op.from.y < -pen && op.to.y < -pen) ||
        (op.from.x > width_ + pen && op.to.x > width_ + pen) || (op.from.y > height_ + pen && op.to.y > height_ + pen))
        return;
    LineOp line = op;
    if (line.from.y == line.to.y) {
        line.from.x = clampTo(line.from.x, -pen, width_ + pen);
        line.to.x = clampTo(line.to.x, -pen, width_ + pen);
    }
    if (line.from.x == line.to.x) {
        line.from.y = clampTo(line.from.y, -pen, height_ + pen);
        line.to.y = clampTo(line.to.y, -pen, height_ + pen);
    }
    const int before = pen / 2;
    const int after = pen - 1 - before;
    int x = line.from.x;
    int y = line.from.y;
    const int dx = std::abs(line.to.x - x);
    const int dy = -std::abs(line.to.y - y);
    const int stepX = x < line.to.x ? 1 : -1;
    const int stepY = y < line.to.y ? 1 : -1;
    int error = dx + dy;
    while (true) {
        for (int py = y - before; py <= y + after; ++py)
            for (int px = x - before; px <= x + after; ++px)
                put(px, py, line.colour, line.mode);
        if (x == line.to.x && y == line.to.y)
            break;
        const int twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            x += stepX;
        }
        if (twice <= dx) {
            error += dx;
            y += stepY;
        }
    }
}

void ScopeRaster::paint(const DrawOps& lines)
{
    for (const LineOp& line : lines)
        paint(line);
}

void ScopeRaster::paintDots(const std::vector<Point>& dots, Rgb colour)
{
    for (const Point& p : dots)
        put(p.x, p.y, colour, PenMode::Copy);
}

void ScopeRaster::fill(int left, int top, int right, int bottom, Rgb colour)
{
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            put(x, y, colour, PenMode::Copy);
}

} // namespace zr48
