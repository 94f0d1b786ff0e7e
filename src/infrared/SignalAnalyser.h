#pragma once
// The signal analyser: turns the samples between the two measuring points of the zoomed view
// into the duration notation of device files, "#" and whole microseconds for each mark and space
// (for example "#574#268#574").
//
// A mark is a run of carrier pulses: short runs of zeros inside it are carrier gaps. A mark ends
// only after 52 zero samples in a row; it is reported on the sample after those, and a space is
// reported on the sample after the first 1 of the next mark. A mark still open at the end of the
// span, and the space after the last mark, are not reported.

#include "base/Text.h"
#include "infrared/IrSamples.h"
#include "infrared/ScopeScale.h"

#include <cstdint>

namespace zr48 {

// Sample numbers from `first` to `last` inclusive (either order). Nothing is allocated per sample:
// levels are searched 64 samples at a time. The text is written into `text` (replacing it).
void analyseSamples(CaptureView samples, std::int64_t first, std::int64_t last, Text& text);

// The span between pixel columns x1 and x2 of the zoomed view.
Text AnalyseSpan(CaptureView samples, const ScopeScale& zoom, int x1, int x2);

// A mark (+13 µs) or space (−13 µs) of n samples in whole microseconds.
std::int64_t markMicroseconds(std::int64_t samples);
std::int64_t spaceMicroseconds(std::int64_t samples);

} // namespace zr48
