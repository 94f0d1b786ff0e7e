#pragma once
// Where the Window menu's commands put the document windows, and where a dialog moves out of
// another's way, as plain geometry.

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
// A new window where the area's placer put it, moved up and left as far as needed to lie inside
// the area, so that no part of a new window opens out of sight; a window larger than the area
// keeps its top-left corner inside (title bar and close box reachable). Its size is kept.
Rect keepInside(const Rect& area, const Rect& window);
// Where `moving` goes so that `fixed` does not cover it, on `screen`: just above `fixed`, else
// below, left or right of it (its other coordinate kept as far as the screen allows). Unchanged
// when it is not covered, or when there is no room around `fixed`.
Rect outOfTheWay(const Rect& moving, const Rect& fixed, const Rect& screen);

} // namespace zr48
