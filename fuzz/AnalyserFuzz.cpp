// The signal analyser on any capture and span, against a plain sample-by-sample walk of its state
// machine: the fast search (64 samples at a time) must give exactly the same text.

#include "FuzzSupport.h"

#include "infrared/SignalAnalyser.h"

#include <memory>

using namespace zr48;

namespace {

// One sample at a time, as the states are defined: 1 before the first mark, 2 inside a mark, 3 in
// the gap after a mark (counter from 50), 4 the mark ended, 5 in a space, 6 the next mark begun.
Text walkSamples(CaptureView samples, std::int64_t first, std::int64_t last)
{
    if (first > last)
        std::swap(first, last);
    Text text;
    int state = 1;
    std::int64_t a = 0, b = 0, counter = 0;
    for (std::int64_t i = first; i <= last; ++i) {
        const bool level = irSample(samples, i);
        switch (state) {
        case 1:
            if (i >= 0 && level) {
                a = i;
                state = 2;
            }
            break;
        case 2:
            if (!level) {
                b = i;
                counter = 50;
                state = 3;
            }
            break;
        case 3: {
            const std::int64_t c = counter--;
            if (level)
                state = 2;
            else if (c == 0)
                state = 4;
            break;
        }
        case 4:
            text += "#" + std::to_string(markMicroseconds(b - a));
            state = 5;
            break;
        case 5:
            if (level) {
                a = i;
                state = 6;
            }
            break;
        case 6:
            text += "#" + std::to_string(spaceMicroseconds(a - b));
            state = 2;
            break;
        }
    }
    return text;
}

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
    const Text expected = walkSamples(*capture, first, last);
    FUZZ_CHECK(text == expected, "span " + std::to_string(first) + " to " + std::to_string(last) + ": analysed \"" +
                                     text.substr(0, 200) + "\", walked \"" + expected.substr(0, 200) + "\"");
    Text reversed;
    analyseSamples(*capture, last, first, reversed);
    FUZZ_CHECK(reversed == text, "the span's direction changed the text");
    return 0;
}
