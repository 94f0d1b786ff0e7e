#include "IrSignalSynth.h"

#include <charconv>
#include <cmath>

namespace zr48::test {

std::int64_t writeRuns(CaptureBuffer& capture, std::int64_t start, const std::vector<LevelRun>& runs)
{
    std::int64_t n = start;
    for (const LevelRun& run : runs)
        for (std::int64_t i = 0; i < run.samples; ++i, ++n)
            if (n >= 0 && n < kCaptureSamples)
                setIrSample(capture, n, run.level);
    return n;
}

std::int64_t writeCarrierCode(CaptureBuffer& capture, std::int64_t start, const std::vector<int>& durations,
                              int carrierHz)
{
    constexpr double samplesPerMicrosecond = 1.782;
    const double carrierPeriod = 1782000.0 / carrierHz; // samples
    const double pulseLength = carrierPeriod / 3.0;
    double t = static_cast<double>(start);
    bool mark = true;
    for (int duration : durations) {
        const double end = t + duration * samplesPerMicrosecond;
        if (mark) {
            for (double pulse = t; pulse < end; pulse += carrierPeriod) {
                const auto from = static_cast<std::int64_t>(std::llround(pulse));
                const auto to = static_cast<std::int64_t>(std::llround(std::min(pulse + pulseLength, end)));
                for (std::int64_t n = from; n < to && n < kCaptureSamples; ++n)
                    setIrSample(capture, n, true);
            }
        }
        t = end;
        mark = !mark;
    }
    return static_cast<std::int64_t>(std::llround(t));
}

std::vector<int> necDurations(std::uint32_t code)
{
    std::vector<int> durations{9000, 4500};
    for (int bit = 0; bit < 32; ++bit) {
        durations.push_back(562);
        durations.push_back((code >> bit) & 1 ? 1687 : 562);
    }
    durations.push_back(562);
    return durations;
}

std::vector<int> durationsOf(std::string_view text)
{
    std::vector<int> values;
    for (std::size_t i = 0; i + 1 < text.size();) {
        int value = 0;
        const auto result = std::from_chars(text.data() + i + 1, text.data() + text.size(), value);
        values.push_back(value);
        i = static_cast<std::size_t>(result.ptr - text.data());
    }
    return values;
}

std::unique_ptr<CaptureBuffer> emptyCapture()
{
    auto capture = std::make_unique<CaptureBuffer>();
    capture->fill(0);
    return capture;
}

} // namespace zr48::test
