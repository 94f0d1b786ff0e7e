#pragma once
// The memory card's unit of storage, shared by the card image and the frames that carry sectors.

#include <array>
#include <cstddef>
#include <cstdint>

namespace zr48 {

inline constexpr std::size_t kSectorSize = 512;
using Sector = std::array<std::uint8_t, kSectorSize>;

} // namespace zr48
