#include "link/Framing.h"

namespace zr48 {

std::size_t stuffFrame(std::span<const std::uint8_t> payload, std::uint8_t* out)
{
    std::size_t n = 0;
    out[n++] = kFrameEscape;
    out[n++] = kFrameStart;
    for (const std::uint8_t byte : payload) {
        out[n++] = byte;
        if (byte == kFrameEscape)
            out[n++] = kFrameEscapedEscape;
    }
    out[n++] = kFrameEscape;
    out[n++] = kFrameEnd;
    return n;
}

} // namespace zr48
