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
};

// Whether the text begins as a Flipper `.ir` file does ("Filetype:").
bool isFlipperIrText(std::string_view text);

// Every signal. Throws zr48::Error naming the line: not an infrared signals file, another
// version, a line that is neither "#" nor "key: value", a block cut short, a value that is no
// number.
std::vector<FlipperSignal> readFlipperIr(std::string_view text);

// The file of the signals, lines ended by LF.
std::string writeFlipperIr(const std::vector<FlipperSignal>& signals);

} // namespace zr48
