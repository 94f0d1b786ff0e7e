#pragma once
// The bits of one frame in the order they are sent, and the reading and writing of a field's
// value among them; shared by the encoder and the decoder, so both number bits alike.

#include "infrared/IrProtocol.h"

#include <cstdint>

namespace zr48 {

struct IrFrameBits {
    std::uint64_t bits = 0; // bit i: the i-th bit sent
    int count = 0;

    bool at(int i) const { return (bits >> i) & 1u; }
    void append(bool bit)
    {
        if (bit)
            bits |= std::uint64_t{1} << count;
        ++count;
    }
    // `width` bits of `value`: its least or most significant bit first.
    void appendValue(std::uint32_t value, int width, bool msbFirst)
    {
        for (int k = 0; k < width; ++k)
            append((value >> (msbFirst ? width - 1 - k : k)) & 1u);
    }
    std::uint32_t valueAt(int from, int width, bool msbFirst) const
    {
        std::uint32_t value = 0;
        for (int k = 0; k < width; ++k)
            if (at(from + k))
                value |= 1u << (msbFirst ? width - 1 - k : k);
        return value;
    }
    // The negated sum of the values of bits first ... last - 1, `width` bits at a time, in `width`
    // bits.
    std::uint32_t negatedSumOf(int first, int last, int width, bool msbFirst) const
    {
        std::uint32_t sum = 0;
        for (int from = first; from + width <= last; from += width)
            sum += valueAt(from, width, msbFirst);
        return (0u - sum) & (width >= 32 ? 0xFFFFFFFFu : (1u << width) - 1);
    }
    // The exclusive or of the values of bits first ... last - 1, `width` bits at a time.
    std::uint32_t xorOf(int first, int last, int width, bool msbFirst) const
    {
        std::uint32_t result = 0;
        for (int from = first; from + width <= last; from += width)
            result ^= valueAt(from, width, msbFirst);
        return result;
    }
};

inline std::uint32_t fieldMask(int bits)
{
    return bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1;
}

} // namespace zr48
