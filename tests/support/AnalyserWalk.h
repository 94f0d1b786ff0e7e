#pragma once
// The signal analyser's state machine walked one sample at a time, as the states are defined: the
// reference that the word-at-a-time analyser must match for every capture and span. Header-only,
// so that the fuzz targets, built without the test libraries, use the same walk as the tests.

#include "infrared/SignalAnalyser.h"

#include <cstdint>
#include <string>
#include <utility>

namespace zr48::test {

// States: 1 before the first mark, 2 inside a mark, 3 in the gap after a mark (counter from 50),
// 4 the mark ended, 5 in a space, 6 the next mark begun.
inline Text analyseSampleBySample(CaptureView samples, std::int64_t first, std::int64_t last)
{
    if (first > last)
        std::swap(first, last);
    Text text;
    int state = 1;
    std::int64_t a = 0, b = 0, gap = 0;
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
                gap = 50;
                state = 3;
            }
            break;
        case 3: {
            const std::int64_t c = gap--;
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

} // namespace zr48::test
