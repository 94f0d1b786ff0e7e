#pragma once
// Where the Window menu's commands put the document windows, as plain geometry.

#include <vector>

namespace zr48 {

struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const Rect&) const = default;
};

// Tile Horizontally: one above the other, each the full width; the last ones take the pixels
// left over.
std::vector<Rect> tileHorizontally(const Rect& area, int count);
// Tile Vertically: side by side, each the full height.
std::vector<Rect> tileVertically(const Rect& area, int count);
// Arrange: minimized windows of `width` by `height` in rows along the bottom, left to right,
// each row above the last when one is full.
std::vector<Rect> arrangeIcons(const Rect& area, int width, int height, int count);

} // namespace zr48
