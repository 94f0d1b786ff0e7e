#pragma once
// The one decoder of the protocol table: marks and spaces become frames, each a code of a
// protocol, a repeat of the code before, or unknown.
//
// Timings are taken with a tolerance that real captures need: a receiver lengthens each mark by
// some tens of microseconds and shortens the space after it as much, and every duration scatters.
// A duration matches a value within a quarter of it (at least 150 µs); bi-phase runs are whole
// time units within two fifths of one. A frame ends with a space longer than any inside it (or
// with the end of the durations).
//
// Between two protocols: the rows are tried in their order and the first that reads the whole
// frame, its checks (inverted copies, constant bits, parity) and its ranges included, names it.
// So a 32-bit frame of NEC timing is NEC when its address and command are each followed by their
// inverse and NECext (16-bit address and command as they stand) otherwise; an RC5 frame with
// command 64 to 127 (its field bit 0) is RC5X; SIRC, SIRC15 and SIRC20 differ in their length,
// which the closing space makes plain.

#include "infrared/IrProtocol.h"

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zr48 {

struct IrFrame {
    enum class Kind {
        Code,    // a code of `protocol`
        Repeat,  // the repeat frame of `protocol`, or the same code again
        Unknown, // no protocol reads it
    };
    Kind kind = Kind::Unknown;
    const IrProtocol* protocol = nullptr;
    IrCode code = {};
    // Which durations it holds: [first, end), its closing space included when there is one.
    std::size_t first = 0;
    std::size_t end = 0;
    // From the start of its first mark to the end of its last one, and what lies between.
    std::uint64_t length = 0; // µs
    int marks = 0;
    int spaces = 0;
};

// Every frame, in order; the durations begin with a mark.
std::vector<IrFrame> decodeIrFrames(std::span<const std::uint32_t> durations);

// The code, when the durations are one frame of a protocol and nothing else (its closing space
// may be missing).
std::optional<IrFrame> decodeSingleIrFrame(std::span<const std::uint32_t> durations);

// One line: "NEC address=0x04 command=0x08", "RC5 address=0x00 command=0x0C toggle=1",
// "NEC repeat", or "unknown carrier=38000Hz length=67512us marks=34 spaces=33" (the carrier only
// when `carrierHz` is not 0).
std::string describeIrFrame(const IrFrame& frame, std::uint32_t carrierHz = 0);

} // namespace zr48
