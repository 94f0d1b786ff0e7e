#include "RemoteCodeCapture.h"

#include <cmath>
#include <cstdint>
#include <vector>

namespace zr48::bench {

std::unique_ptr<CaptureBuffer> remoteCodeCapture()
{
    auto capture = std::make_unique<CaptureBuffer>();
    capture->fill(0);
    std::vector<int> frame{9000, 4500};
    const std::uint32_t code = 0x7F80BF40;
    for (int bit = 0; bit < 32; ++bit) {
        frame.push_back(562);
        frame.push_back((code >> bit) & 1 ? 1687 : 562);
    }
    frame.push_back(562);
    const double samplesPerMicrosecond = 1.782;
    const double period = 1782000.0 / 38000.0;
    for (double start = 1000; start < kCaptureSamples; start += 108000 * samplesPerMicrosecond) {
        double t = start;
        for (std::size_t i = 0; i < frame.size(); ++i) {
            const double end = t + frame[i] * samplesPerMicrosecond;
            if (i % 2 == 0)
                for (double pulse = t; pulse < end; pulse += period)
                    for (auto n = std::llround(pulse); n < std::llround(std::min(pulse + period / 3, end)); ++n)
                        if (n < kCaptureSamples)
                            setIrSample(*capture, n, true);
            t = end;
        }
    }
    return capture;
}

} // namespace zr48::bench
