#pragma once
// The geometry of one scope view: how sample numbers map to pixel columns. Every product and
// quotient is held in single precision before it is used further, as the scope has always
// computed it, so that positions and measured times come out the same to the last pixel.

#include "base/Text.h"

#include <array>
#include <cstdint>

namespace zr48 {

inline constexpr int kPixelsPerDivision = 20;

struct ScopeScale {
    float secondsPerDivision = 0;
    float samplesPerDivision = 0;
    float pixelsPerDivision = kPixelsPerDivision;
    float samplesPerPixel = 0;
    float samplesAcross = 0;
    float firstSample = 0; // sample number drawn at pixel column 0
    int width = 0;
    int height = 0;
};

// A view of width × height pixels at the given time per division, first sample 0.
ScopeScale makeScopeScale(float secondsPerDivision, int width, int height);

// The overview shows the valid samples across its whole width.
ScopeScale overviewScale(float validSamples, int width, int height);

// The zoomed view at a row of the scale table, centred on the sample number `zoomCentre`.
ScopeScale zoomScale(int scaleIndex, std::int64_t zoomCentre, int width, int height);

// Truncation toward zero of a single-precision value, kept in range (infinity and NaN read as 0).
std::int64_t truncateToInteger(float value);

// The sample number under pixel column x (truncated toward zero).
std::int64_t sampleAtColumn(const ScopeScale& scale, int x);

// The scale table of the zoomed view.
struct ScaleRow {
    float secondsPerDivision;
    const char* label;
};
inline constexpr int kScaleCount = 16;
inline constexpr int kDefaultScaleIndex = 9; // "1ms/div", set each time the scope is shown
extern const std::array<ScaleRow, kScaleCount> kScaleTable;

// "-" shows more time per division, "+" less; the index stays within the table.
int clampScaleIndex(int index);
inline int scaleIndexAfterMinus(int index)
{
    return clampScaleIndex(index + 1);
}
inline int scaleIndexAfterPlus(int index)
{
    return clampScaleIndex(index - 1);
}

} // namespace zr48
