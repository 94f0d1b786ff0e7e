#include "infrared/SignalAnalyser.h"

#include <charconv>
#include <cmath>
#include <utility>

namespace zr48 {

namespace {

// A mark ends when, after its first trailing zero, the next 51 samples are zero as well.
constexpr std::int64_t kGapCount = 50;
constexpr std::int64_t kMarkReportDelay = kGapCount + 2; // from the first trailing zero
constexpr float kMarkCorrection = 13.0f;
constexpr float kSpaceCorrection = -13.0f;

std::int64_t microseconds(std::int64_t samples, float correction)
{
    const float perSample = 1.0f / kScopeSampleRate;
    float t = perSample * static_cast<float>(samples);
    t = 1000000.0f * t;
    t = correction + t;
    return static_cast<std::int64_t>(std::floor(t + 0.5f));
}

void appendDuration(Text& text, std::int64_t value)
{
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    text += '#';
    text.append(digits, result.ptr);
}

} // namespace

std::int64_t markMicroseconds(std::int64_t samples)
{
    return microseconds(samples, kMarkCorrection);
}

std::int64_t spaceMicroseconds(std::int64_t samples)
{
    return microseconds(samples, kSpaceCorrection);
}

// The analyser's state machine, taken a run of one level at a time instead of sample by sample:
//   before the first mark: the first 1 at or after sample 0 starts mark A;
//   inside a mark: the first 0 is B, the possible end of the mark;
//   after B: a 1 among the next 51 samples continues the mark (the search for 0 goes on after
//     it); otherwise the mark (A, B) is reported on sample B + 52, which is not examined;
//   in a space: the first 1 from B + 53 on starts the next mark A; the space (B, A) is reported
//     on sample A + 1, which is not examined, and the mark goes on from A + 2.
void analyseSamples(CaptureView samples, std::int64_t first, std::int64_t last, Text& text)
{
    text.clear();
    if (first > last)
        std::swap(first, last);

    std::int64_t a = findIrLevel(samples, first < 0 ? 0 : first, last, true);
    if (a < 0)
        return;
    std::int64_t next = a + 1; // first sample not yet examined inside the mark
    while (true) {
        // The mark ends at its first 0 that the next 51 samples do not follow with a 1, and is
        // reported on the 52nd sample after that 0, if the span reaches that far.
        const std::int64_t b = findZeroRun(samples, next, last - kMarkReportDelay, kMarkReportDelay);
        if (b < 0)
            return; // the mark is still open at the end of the span
        appendDuration(text, markMicroseconds(b - a));
        a = findIrLevel(samples, b + kMarkReportDelay + 1, last, true);
        if (a < 0 || a + 1 > last)
            return;
        appendDuration(text, spaceMicroseconds(a - b));
        next = a + 2;
    }
}

Text AnalyseSpan(CaptureView samples, const ScopeScale& zoom, int x1, int x2)
{
    Text text;
    analyseSamples(samples, sampleAtColumn(zoom, x1), sampleAtColumn(zoom, x2), text);
    return text;
}

} // namespace zr48
