#include "desktop/main/MdiLayout.h"

#include <algorithm>

namespace zr48 {

namespace {

// Splits `length` into `count` parts; the last `length % count` parts are one longer.
std::vector<int> split(int length, int count)
{
    std::vector<int> parts(static_cast<std::size_t>(count), length / count);
    for (int i = 0; i < length % count; ++i)
        ++parts[static_cast<std::size_t>(count - 1 - i)];
    return parts;
}

} // namespace

std::vector<Rect> tileHorizontally(const Rect& area, int count)
{
    std::vector<Rect> out;
    if (count <= 0)
        return out;
    int y = area.y;
    for (const int height : split(area.height, count)) {
        out.push_back({area.x, y, area.width, height});
        y += height;
    }
    return out;
}

std::vector<Rect> tileVertically(const Rect& area, int count)
{
    std::vector<Rect> out;
    if (count <= 0)
        return out;
    int x = area.x;
    for (const int width : split(area.width, count)) {
        out.push_back({x, area.y, width, area.height});
        x += width;
    }
    return out;
}

std::vector<Rect> arrangeIcons(const Rect& area, int width, int height, int count)
{
    std::vector<Rect> out;
    const int perRow = std::max(1, width > 0 ? area.width / width : 1);
    for (int i = 0; i < count; ++i) {
        const int row = i / perRow;
        const int column = i % perRow;
        out.push_back({area.x + column * width, area.y + area.height - (row + 1) * height, width, height});
    }
    return out;
}

Rect keepInside(const Rect& area, const Rect& window)
{
    Rect out = window;
    out.x = std::max(area.x, std::min(window.x, area.x + area.width - window.width));
    out.y = std::max(area.y, std::min(window.y, area.y + area.height - window.height));
    return out;
}

namespace {

bool overlap(const Rect& a, const Rect& b)
{
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

bool inside(const Rect& area, const Rect& r)
{
    return r.x >= area.x && r.y >= area.y && r.x + r.width <= area.x + area.width &&
           r.y + r.height <= area.y + area.height;
}

} // namespace

Rect outOfTheWay(const Rect& moving, const Rect& fixed, const Rect& screen)
{
    if (!overlap(moving, fixed))
        return moving;
    // Each side with the other coordinate kept on the screen.
    const Rect kept = keepInside(screen, moving);
    const Rect candidates[] = {
        {kept.x, fixed.y - moving.height, moving.width, moving.height},
        {kept.x, fixed.y + fixed.height, moving.width, moving.height},
        {fixed.x - moving.width, kept.y, moving.width, moving.height},
        {fixed.x + fixed.width, kept.y, moving.width, moving.height},
    };
    for (const Rect& candidate : candidates)
        if (inside(screen, candidate))
            return candidate;
    return moving;
}

} // namespace zr48
