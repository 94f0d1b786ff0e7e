#pragma once
// How a tool hands a payload to the link (TUsbZR48::Send); tests hand it to a recorder instead.

#include <cstdint>
#include <functional>
#include <span>

namespace zr48 {

using SendFunction = std::function<void(std::span<const std::uint8_t> payload)>;

} // namespace zr48
