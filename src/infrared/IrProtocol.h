#pragma once
// Remote-control protocols as data: one row per protocol says how a code (address, command and,
// where the protocol has one, a toggle bit) becomes marks and spaces. The one encoder
// (IrEncoder.h) and the one decoder (IrDecoder.h) read nothing but these rows, so a new protocol
// is a new row.
//
// Address and command are numbered as parsed signals in Flipper `.ir` files number them (their
// "address:" and "command:" byte lists are these numbers, least significant byte first), so a code
// written there is the same code here.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zr48 {

// Marks and spaces in microseconds, alternating, a mark first.
using IrDurations = std::vector<std::uint32_t>;

enum class BitCoding : std::uint8_t {
    PulseDistance, // a fixed mark; the space that follows says 0 or 1
    PulseWidth,    // the mark says 0 or 1; a fixed space follows
    BiPhase,       // each bit two halves of opposite level; which comes first says 0 or 1
};

// What a run of bits of a frame carries.
enum class FieldValue : std::uint8_t {
    Address,  // bits `first` ... of the address
    Command,  // bits `first` ... of the command
    Toggle,   // the toggle bit
    Constant, // the fixed bits `constant`
    XorCheck, // the exclusive or of the frame's bits `first` to `last` - 1, taken `bits` at a time
    SumCheck, // the negated sum of the frame's bits `first` to `last` - 1, taken `bits` at a time
    Gap,      // no bits: a mark `gap.mark` and a space `gap.space` inside the frame (bi-phase: a
              // space of whole units only)
};

struct MarkSpace {
    std::uint32_t mark = 0;
    std::uint32_t space = 0;
};

struct BitField {
    FieldValue value;
    std::uint8_t bits;      // how many bits of the frame
    std::uint8_t first = 0; // Address, Command: the first bit of the number; XorCheck: first frame bit
    bool inverted = false;  // sent inverted (each bit flipped)
    std::uint32_t constant = 0;
    std::uint8_t last = 0;   // XorCheck: the frame bit after the checked ones
    std::uint8_t halves = 1; // BiPhase: time units per half bit (a double-length bit has 2)
    MarkSpace gap = {};      // Gap: its mark and space
};

enum class RepeatKind : std::uint8_t {
    WholeFrame,        // a held key sends the same frame again
    Sequence,          // a held key sends `repeat` (marks and spaces) instead
    FrameWithoutLeadIn // a held key sends the frame without its lead-in
};

struct IrProtocol {
    std::string_view name;
    std::uint32_t carrierHz;
    BitCoding coding;
    MarkSpace leadIn = {};          // {0, 0}: none
    MarkSpace zero = {};            // PulseDistance, PulseWidth: the bit 0
    MarkSpace one = {};             // and the bit 1
    std::uint32_t unit = 0;         // BiPhase: the time unit of a half bit
    bool oneStartsWithMark = false; // BiPhase: a 1 is mark then space (else space then mark)
    bool msbFirst = false;          // the bits of every field, most significant first
    std::span<const BitField> fields;
    // The mark that closes the frame; 0: none (then the last bit's space runs into the lead-out,
    // which only pulse width and bi-phase coding can read; pulse distance needs one).
    std::uint32_t stopMark = 0;
    // The frame repeats every `framePeriod` µs, from start to start; the space after it fills the
    // period and is at least `minimumLeadOut`.
    std::uint32_t framePeriod = 0;
    std::uint32_t minimumLeadOut = 0;
    RepeatKind repeat = RepeatKind::WholeFrame;
    std::span<const std::uint32_t> repeatSequence = {}; // Sequence: mark, space, ... mark
    bool inFlipperFiles = true;                         // a name that Flipper `.ir` files know for parsed signals
    // Commands beyond this row's own, taken as input: they are the commands of the row so named,
    // counted on from this row's largest (RC5's 64 to 127 are RC5X's 0 to 63).
    std::string_view widerCommandsIn = {};
};

// A code of a protocol.
struct IrCode {
    std::uint32_t address = 0;
    std::uint32_t command = 0;
    bool toggle = false;
};

// The protocols, in the order in which the decoder prefers them: where two rows read the same marks
// and spaces with the same timing, the earlier one names the code (NEC before NECext, a vendor's
// Kaseikyo row before Kaseikyo).
std::span<const IrProtocol> irProtocols();
// By name, letter case ignored; null when there is none.
const IrProtocol* findIrProtocol(std::string_view name);

// The largest address and command a protocol carries, and whether it has a toggle bit.
std::uint32_t addressLimit(const IrProtocol& protocol);
std::uint32_t commandLimit(const IrProtocol& protocol);
bool hasToggle(const IrProtocol& protocol);

// The largest command taken as input: beyond commandLimit where the row hands wider commands on.
std::uint32_t commandInputLimit(const IrProtocol& protocol);

// A code given as input, in the row that sends it: RC5 command 82 is RC5X command 18 (0x12).
struct IrCodeIn {
    const IrProtocol* protocol;
    IrCode code;
};
IrCodeIn sendingRow(const IrProtocol& protocol, const IrCode& code);

// A frame's layout in the notation of protocol descriptions: "lead-in 9000/4500, A:8 ~A:8 C:8
// ~C:8, stop 560" (A address, C command, T toggle, X parity, V:n=v a fixed value; A:16:8 is 16
// bits from the address's bit 8; ~ inverted; gap mark/space; durations in µs; lsb or msb first).
std::string irFrameLayout(const IrProtocol& protocol);

// "0x" and the value in upper-case hexadecimal, as many whole bytes wide as `limit` needs
// ("0x04" for an 8-bit field, "0x0004" for a 16-bit one).
std::string irHex(std::uint32_t value, std::uint32_t limit);

} // namespace zr48
