#pragma once
// The codes in a capture: its marks and spaces found as the analyser finds them, then read by the
// decoder, and the carrier measured from the pulses inside the marks.

#include "infrared/IrDecoder.h"
#include "infrared/IrSamples.h"

#include <cstdint>
#include <vector>

namespace zr48 {

struct CaptureCodes {
    IrDurations durations;
    std::vector<IrFrame> frames;
    std::uint32_t carrierHz = 0; // 0: not known (a receiver that passes no carrier)
};

// Between sample numbers `first` and `last` inclusive (either order).
CaptureCodes decodeCapture(CaptureView samples, std::int64_t first, std::int64_t last);

// The carrier of the pulses inside the marks between the two samples, to the nearest 100 Hz; 0
// when no mark holds two pulses.
std::uint32_t measureCarrier(CaptureView samples, std::int64_t first, std::int64_t last);

} // namespace zr48
