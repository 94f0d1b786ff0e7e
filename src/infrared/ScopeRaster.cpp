#include "infrared/ScopeRaster.h"

#include <algorithm>
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

void appendLineRects(const LineOp& op, int width, int height, std::vector<PixelRect>& rects)
{
    const int pen = op.penWidth > 0 ? op.penWidth : 1;
    // Lines far outside the picture (a bracket of a zoomed view much wider than the capture) are
    // cut to the picture first; only level and upright lines reach that far.
    if ((op.from.x < -pen && op.to.x < -pen) || (op.from.y < -pen && op.to.y < -pen) ||
        (op.from.x > width + pen && op.to.x > width + pen) || (op.from.y > height + pen && op.to.y > height + pen))
        return;
    LineOp line = op;
    if (line.from.y == line.to.y) {
        line.from.x = clampTo(line.from.x, -pen, width + pen);
        line.to.x = clampTo(line.to.x, -pen, width + pen);
    }
    if (line.from.x == line.to.x) {
        line.from.y = clampTo(line.from.y, -pen, height + pen);
        line.to.y = clampTo(line.to.y, -pen, height + pen);
    }
    const int before = pen / 2;
    const int after = pen - 1 - before;
    // The pen squares from (x0, y0) to (x1, y1), which differ in one coordinate only.
    auto emit = [&](int x0, int y0, int x1, int y1) {
        const PixelRect rect{std::max(std::min(x0, x1) - before, 0), std::max(std::min(y0, y1) - before, 0),
                             std::min(std::max(x0, x1) + after + 1, width),
                             std::min(std::max(y0, y1) + after + 1, height)};
        if (rect.left < rect.right && rect.top < rect.bottom)
            rects.push_back(rect);
    };
    // Level and upright lines are one rectangle.
    if (line.from.x == line.to.x || line.from.y == line.to.y) {
        emit(line.from.x, line.from.y, line.to.x, line.to.y);
        return;
    }
    int x = line.from.x;
    int y = line.from.y;
    const int dx = std::abs(line.to.x - x);
    const int dy = -std::abs(line.to.y - y);
    const int stepX = x < line.to.x ? 1 : -1;
    const int stepY = y < line.to.y ? 1 : -1;
    // Steps along the main direction keep the other coordinate until the line moves across.
    const bool alongX = dx >= -dy;
    int runX = x;
    int runY = y;
    int error = dx + dy;
    while (x != line.to.x || y != line.to.y) {
        const int twice = 2 * error;
        const int lastX = x;
        const int lastY = y;
        if (twice >= dy) {
            error += dy;
            x += stepX;
        }
        if (twice <= dx) {
            error += dx;
            y += stepY;
        }
        if (alongX ? y != lastY : x != lastX) {
            emit(runX, runY, lastX, lastY);
            runX = x;
            runY = y;
        }
    }
    emit(runX, runY, x, y);
}

void ScopeRaster::paint(const LineOp& op)
{
    rects_.clear();
    appendLineRects(op, width_, height_, rects_);
    for (const PixelRect& r : rects_)
        fill(r.left, r.top, r.right, r.bottom, op.colour, op.mode);
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

void ScopeRaster::fill(int left, int top, int right, int bottom, Rgb colour, PenMode mode)
{
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            put(x, y, colour, mode);
}

} // namespace zr48
