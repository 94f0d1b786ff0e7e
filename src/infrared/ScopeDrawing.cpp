#include "infrared/ScopeDrawing.h"

#include <cmath>
#include <limits>

namespace zr48 {

void appendGridDots(int width, int height, std::vector<Point>& dots)
{
    for (int x = 0; x < width; x += kPixelsPerDivision)
        for (int y = 0; y < height; y += 4)
            dots.push_back({x, y});
    for (int y = 0; y < height; y += kPixelsPerDivision)
        for (int x = 0; x < width; x += 4)
            dots.push_back({x, y});
}

namespace {

// The number of whole k with 1 <= k < samplesPerPixel: how many samples from a column's own
// are looked at for a change of level.
std::int64_t samplesLookedAt(float samplesPerPixel)
{
    if (!(samplesPerPixel > 1.0f))
        return 0;
    return truncateToInteger(std::ceil(samplesPerPixel)) - 1;
}

// How many samples from sample 0 may be drawn.
std::int64_t validCount(float validSamples)
{
    if (!(validSamples > 0.0f))
        return 0;
    const std::int64_t count = truncateToInteger(std::ceil(validSamples));
    return count < kCaptureSamples ? count : kCaptureSamples;
}

int toPixel(std::int64_t value)
{
    constexpr std::int64_t limit = std::numeric_limits<int>::max() / 2;
    return static_cast<int>(value > limit ? limit : value < -limit ? -limit : value);
}

} // namespace

void appendTrace(const ScopeScale& scale, CaptureView samples, float validSamples, TraceKind kind, DrawOps& ops)
{
    const int high = kPixelsPerDivision;
    const int low = (scale.height / kPixelsPerDivision - 1) * kPixelsPerDivision;
    const Rgb colour = kind == TraceKind::Capture ? kCaptureGreen : kScopeGrey;
    const PenMode mode = kind == TraceKind::Capture ? PenMode::Copy : PenMode::MergeNotPen;
    const std::int64_t valid = validCount(validSamples);
    const std::int64_t extra = samplesLookedAt(scale.samplesPerPixel);

    bool first = true;
    Point pen;
    for (int x = 0; x < scale.width; ++x) {
        const std::int64_t j = sampleAtColumn(scale, x);
        if (j < 0 || j >= valid)
            continue;
        const bool level = irSample(samples, j);
        const std::int64_t lastLooked = j + extra - 1 < valid - 1 ? j + extra - 1 : valid - 1;
        const bool transition = lastLooked > j && findIrLevel(samples, j + 1, lastLooked, !level) >= 0;
        if (first) {
            ops.push_back({{x - 10, low}, {x, low}, 2, colour, mode});
            pen = {x, low};
            first = false;
        }
        if (transition) {
            ops.push_back({{x, high}, {x, low}, 1, colour, mode});
            pen = {x, low};
        } else {
            const Point to{x, level ? high : low};
            ops.push_back({pen, to, 2, colour, mode});
            pen = to;
        }
    }
}

void appendZoomBrackets(const ScopeScale& overview, const ScopeScale& zoom, DrawOps& ops)
{
    int left = 0;
    int right = 0;
    if (overview.samplesAcross != 0.0f) {
        const float width = static_cast<float>(overview.width);
        const float firstProduct = width * zoom.firstSample;
        left = toPixel(truncateToInteger(firstProduct / overview.samplesAcross));
        const float acrossProduct = width * zoom.samplesAcross;
        right = left + toPixel(truncateToInteger(acrossProduct / overview.samplesAcross));
    }
    const int top = 2;
    const int bottom = overview.height - 3;
    auto polyline = [&](std::initializer_list<Point> points) {
        const Point* previous = nullptr;
        for (const Point& p : points) {
            if (previous)
                ops.push_back({*previous, p, 1, kBracketRed, PenMode::Copy});
            previous = &p;
        }
    };
    polyline({{left + 5, top}, {left, top}, {left, bottom}, {left + 5, bottom}});
    polyline({{right - 5, top}, {right, top}, {right, bottom}, {right - 5, bottom}});
}

} // namespace zr48
