#pragma once
// The one encoder of the protocol table: a code becomes the marks and spaces of one frame,
// closed by its lead-out (the space until the next frame may start).

#include "infrared/IrProtocol.h"

#include <string>

namespace zr48 {

// Why the code does not fit the protocol ("NEC takes an address from 0x00 to 0xFF"); empty when
// it fits.
std::string irCodeProblem(const IrProtocol& protocol, const IrCode& code);

// The frame of a code that fits: a mark first, a space (the lead-out) last. A command beyond the
// row's own is sent by the row that takes it (RC5 command 82 as RC5X command 0x12).
IrDurations encodeIrFrame(const IrProtocol& protocol, const IrCode& code);

// The lead-out after a frame of `frameLength` µs: what fills the frame period, at least the
// protocol's shortest lead-out.
std::uint32_t irLeadOut(const IrProtocol& protocol, std::uint64_t frameLength);

} // namespace zr48
