#pragma once
// The one decoder of the protocol table: marks and spaces become frames, each a code of a
// protocol, a repeat of the code before, or unknown.
//
// Timings are taken as a receiver delivers them. A remote's clock runs a little fast or slow and
// every duration scatters: a duration, and a mark together with the space after it, match their
// nominal value within a quarter of it. A receiver lengthens each mark (often by 100 to 200 µs)
// and shortens the space after it as much: a mark may be longer by up to 250 µs more, and a bit is
// read from its mark and space together, whose sum the lag leaves alone. Bi-phase runs are whole
// time units within two fifths of one, after the lag that the frame's own marks show is taken
// off. A frame ends with a space longer than any inside it (or with the end of the durations).
//
// The structure stays exact: a row reads a frame only when every bit, inverted copy, constant bit,
// parity and range holds. Between rows that read the same frame, the one whose timing lies
// nearest names it (and, when the carrier is known, whose carrier lies nearest): a later row only
// when it fits clearly better, so rows of the same timing keep their order. A 32-bit frame of NEC
// timing is NEC when its address and command are each followed by their inverse and NECext
// otherwise; the same frame 5 % shorter, or on a 40 kHz carrier, is Pioneer.

#include "infrared/IrProtocol.h"

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zr48 {

// What can be told of a frame that no row reads.
struct IrShape {
    bool coded = false; // its bits could be read: coding, unit and bits hold
    BitCoding coding = BitCoding::PulseDistance;
    std::uint32_t unit = 0; // µs: the short mark or space (half a bi-phase bit)
    int bitCount = 0;
    std::string bits;          // hexadecimal, the first bit sent the most significant
    MarkSpace leadIn = {};     // {0, 0}: none
    std::uint32_t leadOut = 0; // 0: the durations end with the last mark
};

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
    IrShape shape = {}; // Unknown
};

// Every frame, in order; the durations begin with a mark. `carrierHz` (0: not known) is the
// carrier they were sent on.
std::vector<IrFrame> decodeIrFrames(std::span<const std::uint32_t> durations, std::uint32_t carrierHz = 0);

// Which rows may name a frame.
enum class IrRows {
    All,
    FlipperNames, // only those Flipper `.ir` files know (a vendor's Kaseikyo frame is Kaseikyo)
};

// The code, when the durations are one frame of a protocol and nothing else (its closing space
// may be missing).
std::optional<IrFrame> decodeSingleIrFrame(std::span<const std::uint32_t> durations, IrRows rows = IrRows::All);

// The code, when this row alone reads the durations as one frame of it (its closing space may be
// missing), whatever other rows make of them.
std::optional<IrCode> readIrFrameAs(const IrProtocol& protocol, std::span<const std::uint32_t> durations);

// "pulse-distance", "pulse-width" or "bi-phase".
std::string_view bitCodingName(BitCoding coding);

// One line: "NEC address=0x04 command=0x08", "RC5 address=0x00 command=0x0C toggle=1",
// "NEC repeat", or "unknown carrier=38000Hz pulse-distance unit=560us bits=32 data=0x20DF10EF
// lead-in=9000/4500us lead-out=40000us length=67512us marks=34 spaces=33" (the carrier only when
// `carrierHz` is not 0; coding, unit and bits only when they could be read).
std::string describeIrFrame(const IrFrame& frame, std::uint32_t carrierHz = 0);

} // namespace zr48
