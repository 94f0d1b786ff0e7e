#pragma once
// Captures made up for tests: runs of levels, and remote-control codes as the unit's receiver
// sees them (marks of 38 kHz carrier pulses of about one-third duty).

#include "infrared/IrSamples.h"

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace zr48::test {

struct LevelRun {
    bool level;
    std::int64_t samples;
};

// Writes the runs one after the other from sample `start`; returns the sample after the last run.
std::int64_t writeRuns(CaptureBuffer& capture, std::int64_t start, const std::vector<LevelRun>& runs);

// Alternating marks and spaces (first a mark), in microseconds, from sample `start`; each mark is
// carrier pulses. Returns the sample after the last duration.
std::int64_t writeCarrierCode(CaptureBuffer& capture, std::int64_t start, const std::vector<int>& durations,
                              int carrierHz = 38000);

// The durations of an NEC frame: 9 ms leader, 4.5 ms space, 32 bits of a 562 µs mark and a 562
// (0) or 1,687 µs (1) space, least significant bit first, and the closing 562 µs mark.
std::vector<int> necDurations(std::uint32_t code);

// The durations of an analyser text ("#9012#4491#..."), in order.
std::vector<int> durationsOf(std::string_view text);

std::unique_ptr<CaptureBuffer> emptyCapture();

} // namespace zr48::test
