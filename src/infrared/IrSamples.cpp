#include "infrared/IrSamples.h"

#include <bit>

namespace zr48 {

namespace {

// 64 samples from sample 64 × word, sample 64 × word + k in bit k: the bytes in little-endian
// order (compilers make this one load on little-endian machines).
std::uint64_t sampleWord(CaptureView samples, std::int64_t word)
{
    const std::uint8_t* p = samples.data() + word * 8;
    std::uint64_t value = 0;
    for (int i = 7; i >= 0; --i)
        value = (value << 8) | p[i];
    return value;
}

// The samples of a word, or 0 beyond the buffer.
std::uint64_t wordOrZero(CaptureView samples, std::int64_t word)
{
    return word >= 0 && word < kCaptureSamples / 64 ? sampleWord(samples, word) : 0;
}

// Two words as one 128-sample window, low word first.
struct Window {
    std::uint64_t low;
    std::uint64_t high;

    Window shiftedDown(int k) const // 0 < k < 64
    {
        return {(low >> k) | (high << (64 - k)), high >> k};
    }
    Window operator|(const Window& other) const { return {low | other.low, high | other.high}; }
};

} // namespace

std::int64_t findZeroRun(CaptureView samples, std::int64_t from, std::int64_t to, int length)
{
    if (from < 0)
        from = 0;
    if (from > to || length < 1 || length > 64)
        return -1;
    if (from >= kCaptureSamples)
        return from;
    for (std::int64_t word = from >> 6; word * 64 <= to; ++word) {
        if (word >= kCaptureSamples / 64) {
            // Everything from here on is 0.
            const std::int64_t p = word * 64 > from ? word * 64 : from;
            return p <= to ? p : -1;
        }
        // Bit p of `covered` is the OR of samples p ... p + length - 1 of the window.
        Window covered{sampleWord(samples, word), wordOrZero(samples, word + 1)};
        int span = 1;
        while (span * 2 <= length) {
            covered = covered | covered.shiftedDown(span);
            span *= 2;
        }
        if (span < length)
            covered = covered | covered.shiftedDown(length - span);
        std::uint64_t starts = ~covered.low;
        if (word == from >> 6)
            starts &= ~std::uint64_t{0} << (from & 63);
        if (starts != 0) {
            const std::int64_t p = word * 64 + std::countr_zero(starts);
            return p <= to ? p : -1;
        }
    }
    return -1;
}

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
