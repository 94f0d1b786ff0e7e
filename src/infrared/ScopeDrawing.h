#pragma once
// What the scope draws, as plain operations: the window only paints them. A view is drawn into
// a black bitmap of its size: the grid (zoomed view), the capture trace, the reference trace,
// the zoom brackets (overview) and the measuring marks (zoomed view).

#include "base/Text.h"
#include "infrared/IrSamples.h"
#include "infrared/ScopeScale.h"

#include <cstdint>
#include <vector>

namespace zr48 {

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

inline constexpr Rgb kScopeBackground{0, 0, 0};
inline constexpr Rgb kScopeGrey{128, 128, 128}; // grid, reference trace, measuring text background
inline constexpr Rgb kCaptureGreen{0, 128, 0};
inline constexpr Rgb kBracketRed{255, 0, 0};
inline constexpr Rgb kMeasureYellow{255, 255, 0};
inline constexpr Rgb kMeasureTextWhite{255, 255, 255};

// Copy puts the pen's colour; MergeNotPen ORs the inverted pen into what lies below, so the grey
// reference adds (127, 127, 127) and stays visible over the capture.
enum class PenMode { Copy, MergeNotPen };

struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct LineOp {
    Point from;
    Point to;
    int penWidth = 1;
    Rgb colour;
    PenMode mode = PenMode::Copy;
    friend bool operator==(const LineOp&, const LineOp&) = default;
};

using DrawOps = std::vector<LineOp>;

// Grey dots every fourth pixel along the division lines (x = 0, 20, 40, ... and y = 0, 20, ...).
// Appended to `dots`.
void appendGridDots(int width, int height, std::vector<Point>& dots);

enum class TraceKind { Capture, Reference };

// The trace of `samples` (the capture or the reference buffer) starting at the scale's first
// sample; columns outside the valid samples of the capture stay empty. Appended to `ops`.
void appendTrace(const ScopeScale& scale, CaptureView samples, float validSamples, TraceKind kind, DrawOps& ops);

// Where the zoomed view lies inside the overview, as two red brackets. Appended to `ops`.
void appendZoomBrackets(const ScopeScale& overview, const ScopeScale& zoom, DrawOps& ops);

} // namespace zr48
