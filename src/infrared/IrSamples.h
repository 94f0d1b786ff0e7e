#pragma once
// The capture's sample stream: 65,536 bytes holding 524,288 samples, sample n being bit (n mod 8)
// of byte (n div 8), bit 0 the least significant. Sample numbers outside the buffer read as 0.

#include <array>
#include <cstdint>
#include <span>

namespace zr48 {

inline constexpr std::int64_t kCaptureBytes = 65536;
inline constexpr std::int64_t kCaptureSamples = kCaptureBytes * 8;
// Samples per second of the unit's receiver sampling, held in single precision as the scope does.
inline constexpr float kScopeSampleRate = 1782000.0f;

using CaptureBuffer = std::array<std::uint8_t, kCaptureBytes>;
using CaptureView = std::span<const std::uint8_t, kCaptureBytes>;

inline bool irSample(CaptureView samples, std::int64_t n)
{
    if (n < 0 || n >= kCaptureSamples)
        return false;
    return (samples[static_cast<std::size_t>(n >> 3)] >> (n & 7)) & 1;
}

inline void setIrSample(std::span<std::uint8_t, kCaptureBytes> samples, std::int64_t n, bool level)
{
    const auto mask = static_cast<std::uint8_t>(1u << (n & 7));
    std::uint8_t& byte = samples[static_cast<std::size_t>(n >> 3)];
    byte = level ? static_cast<std::uint8_t>(byte | mask) : static_cast<std::uint8_t>(byte & ~mask);
}

// The first sample number in [from, to] whose level is `level`, or -1 when there is none.
// Reads 64 samples at a time, so long runs of one level cost a few steps.
std::int64_t findIrLevel(CaptureView samples, std::int64_t from, std::int64_t to, bool level);

// The first sample number p in [from, to] such that samples p ... p + length - 1 are all 0, or -1.
// `length` is 1 to 64. Also 64 sample numbers at a time.
std::int64_t findZeroRun(CaptureView samples, std::int64_t from, std::int64_t to, int length);

} // namespace zr48
