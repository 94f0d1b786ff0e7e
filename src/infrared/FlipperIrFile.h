#pragma once
// Flipper `.ir` files: "Filetype: IR signals file", "Version: 1", then one block of "key: value"
// lines per button, blocks set apart by "#" lines. A parsed signal names a protocol with its
// address and command (four bytes each, least significant first); a raw one gives its carrier and
// its durations in microseconds.

#include "infrared/IrProtocol.h"

#include <string>
#include <string_view>
#include <vector>

namespace zr48 {

struct FlipperSignal {
    std::string name = {};
    int line = 0; // of its "name:" line
    bool parsed = false;
    // Parsed signals.
    std::string protocol = {};
    std::uint32_t address = 0;
    std::uint32_t command = 0;
    // Raw signals.
    std::uint32_t frequency = 0;
    IrDurations data = {};
    // Why the signal cannot be used (a duration of 0, the file ending in the middle of it); empty
    // when it can.
    std::string problem = {};
};

// Whether the text begins as a Flipper `.ir` file does ("Filetype:", after "#" comment lines).
bool isFlipperIrText(std::string_view text);

// Every signal. Throws zr48::Error naming the line: not an infrared signals file, another
// version, a line that is neither "#" nor "key: value", a block without one of its lines, a value
// that is no number. A signal with a duration that is 0 or no number, and the last one when the
// file ends in the middle of it (its last line without a line end, incomplete or raw durations),
// is read with its problem.
std::vector<FlipperSignal> readFlipperIr(std::string_view text);

// The file of the signals, lines ended by LF.
std::string writeFlipperIr(const std::vector<FlipperSignal>& signals);

} // namespace zr48
