#include "infrared/IrSamples.h"

#include <bit>

namespace zr48 {

namespace {

// 64 samples from sample 64 × word, sample 64 × word + k in bit k.
std::uint64_t sampleWord(CaptureView samples, std::int64_t word)
{
    const std::uint8_t* p = samples.data() + word * 8;
    std::uint64_t value = 0;
    for (int i = 7; i >= 0; --i)
        value = (value << 8) | p[i];
    return value;
}

} // namespace

std::int64_t findIrLevel(CaptureView samples, std::int64_t from, std::int64_t to, bool level)
{
    if (from < 0)
        from = 0;
    if (from > to)
        return -1;
    if (from >= kCaptureSamples)
        return level ? -1 : from; // beyond the buffer every sample is 0
    const std::int64_t last = to < kCaptureSamples ? to : kCaptureSamples - 1;
    const std::uint64_t invert = level ? 0 : ~std::uint64_t{0};
    std::int64_t word = from >> 6;
    // Bits below `from` in its word are masked away; a set bit marks a sample of the wanted level.
    std::uint64_t bits = (sampleWord(samples, word) ^ invert) & (~std::uint64_t{0} << (from & 63));
    const std::int64_t lastWord = last >> 6;
    while (true) {
        if (bits != 0) {
            const std::int64_t n = word * 64 + std::countr_zero(bits);
            return n <= last ? n : -1;
        }
        if (word == lastWord)
            break;
        ++word;
        bits = sampleWord(samples, word) ^ invert;
    }
    // Not found inside the buffer: a search for 0 that runs past its end finds the first sample there.
    if (!level && to >= kCaptureSamples)
        return kCaptureSamples;
    return -1;
}

} // namespace zr48
