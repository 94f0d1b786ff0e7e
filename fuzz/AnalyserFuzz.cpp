// The signal analyser on any capture and span, against a plain sample-by-sample walk of its state
// machine: the fast search (64 samples at a time) must give exactly the same text.

#include "FuzzSupport.h"

#include "infrared/SignalAnalyser.h"
#include "support/AnalyserWalk.h"

#include <memory>

using namespace zr48;

namespace {

std::int64_t readInt(const std::uint8_t* p)
{
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v = v << 8 | p[i];
    return static_cast<std::int32_t>(v);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    constexpr std::size_t kHeader = 9;
    if (size < kHeader)
        return 0;
    // Bytes 0 to 7: the two span ends; byte 8: how the samples are laid out; then the samples.
    std::int64_t first = readInt(data) % (kCaptureSamples + 4096);
    std::int64_t last = readInt(data + 4) % (kCaptureSamples + 4096);
    const std::uint8_t layout = data[8];
    const std::span<const std::uint8_t> body(data + kHeader, size - kHeader);

    auto capture = std::make_unique<CaptureBuffer>();
    capture->fill(0);
    if (!body.empty()) {
        // Either the bytes once at a place the layout byte picks, or repeated over the whole buffer.
        if (layout & 1) {
            for (std::size_t i = 0; i < capture->size(); ++i)
                (*capture)[i] = body[i % body.size()];
        } else {
            const std::size_t at = (layout >> 1) * (capture->size() / 128);
            for (std::size_t i = 0; i < body.size() && at + i < capture->size(); ++i)
                (*capture)[at + i] = body[i];
        }
    }
    // Short spans most of the time: the walk costs one step per sample.
    if (layout & 2)
        last = first + (last % 20000);

    Text text;
    analyseSamples(*capture, first, last, text);
    const Text expected = test::analyseSampleBySample(*capture, first, last);
    FUZZ_CHECK(text == expected, "span " + std::to_string(first) + " to " + std::to_string(last) + ": analysed \"" +
                                     text.substr(0, 200) + "\", walked \"" + expected.substr(0, 200) + "\"");
    Text reversed;
    analyseSamples(*capture, last, first, reversed);
    FUZZ_CHECK(reversed == text, "the span's direction changed the text");
    return 0;
}
