#include "infrared/CaptureDecoder.h"

#include "infrared/IrString.h"
#include "infrared/SignalAnalyser.h"

#include <cmath>
#include <utility>

namespace zr48 {

namespace {

// Two pulses this close belong to one mark: a mark ends only after 52 zero samples.
constexpr std::int64_t kLongestCarrierPeriod = 52;

} // namespace

std::uint32_t measureCarrier(CaptureView samples, std::int64_t first, std::int64_t last)
{
    if (first > last)
        std::swap(first, last);
    first = std::max<std::int64_t>(first, 0);
    std::int64_t periods = 0;
    std::int64_t spanned = 0;
    std::int64_t rise = findIrLevel(samples, first, last, true);
    while (rise >= 0) {
        const std::int64_t fall = findIrLevel(samples, rise, last, false);
        if (fall < 0)
            break;
        const std::int64_t next = findIrLevel(samples, fall, last, true);
        if (next >= 0 && next - rise <= kLongestCarrierPeriod) {
            ++periods;
            spanned += next - rise;
        }
        rise = next;
    }
    if (periods == 0)
        return 0;
    const double hz = static_cast<double>(periods) * kScopeSampleRate / static_cast<double>(spanned);
    return static_cast<std::uint32_t>(std::lround(hz / 100.0) * 100);
}

CaptureCodes decodeCapture(CaptureView samples, std::int64_t first, std::int64_t last)
{
    CaptureCodes codes;
    Text text;
    analyseSamples(samples, first, last, text);
    std::string problem;
    if (auto durations = parseIrString(text, nullptr, problem))
        codes.durations = std::move(*durations);
    if (!codes.durations.empty())
        codes.carrierHz = measureCarrier(samples, first, last);
    codes.frames = decodeIrFrames(codes.durations, codes.carrierHz);
    return codes;
}

} // namespace zr48
