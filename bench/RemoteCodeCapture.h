#pragma once
// A capture full of a remote control's code as the receiver sees it, for the benchmarks that
// analyse, draw or show a whole capture.

#include "infrared/IrSamples.h"

#include <memory>

namespace zr48::bench {

// NEC frames (9 ms leader, 4.5 ms space, 32 bits, closing mark) of 38 kHz carrier pulses of
// one-third duty, one frame every 108 ms, across the whole buffer.
std::unique_ptr<CaptureBuffer> remoteCodeCapture();

} // namespace zr48::bench
