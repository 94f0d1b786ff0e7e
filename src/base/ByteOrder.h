#pragma once
// Explicit byte order for wire and card formats: frames are big-endian, card records little-endian.

#include <cstdint>

namespace zr48 {

constexpr std::uint16_t readBe16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}
constexpr std::uint16_t readLe16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
constexpr std::uint32_t readBe32(const std::uint8_t* p)
{
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}
constexpr std::uint32_t readLe32(const std::uint8_t* p)
{
    return (std::uint32_t(p[3]) << 24) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[1]) << 8) | p[0];
}
constexpr void writeBe16(std::uint8_t* p, std::uint16_t v)
{
    p[0] = static_cast<std::uint8_t>(v >> 8);
    p[1] = static_cast<std::uint8_t>(v);
}
constexpr void writeLe16(std::uint8_t* p, std::uint16_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
constexpr void writeBe32(std::uint8_t* p, std::uint32_t v)
{
    writeBe16(p, static_cast<std::uint16_t>(v >> 16));
    writeBe16(p + 2, static_cast<std::uint16_t>(v));
}
constexpr void writeLe32(std::uint8_t* p, std::uint32_t v)
{
    writeLe16(p, static_cast<std::uint16_t>(v));
    writeLe16(p + 2, static_cast<std::uint16_t>(v >> 16));
}

} // namespace zr48
