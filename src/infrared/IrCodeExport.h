#pragma once
// A device file's infrared strings for the world: a Flipper `.ir` file (a parsed signal wherever a
// string is exactly one frame of a protocol that Flipper files know, raw durations elsewhere) or
// Pronto hex lines ("KEY: 0000 006D ...").

#include "base/Text.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace zr48 {

enum class IrExportFormat { Flipper, Pronto };

struct IrExport {
    std::string text;
    int exported = 0;
    // Strings that cannot be read ("IR_OFF: $4 refers to IR_TIME_4, which has no value"), UTF-8.
    std::vector<std::string> skipped;
};

// The carrier a string of durations is sent and exported with: that of the protocol its first
// frame is a code of, 38 kHz when no protocol names it.
std::uint32_t irStringCarrier(std::span<const std::uint32_t> durations);

// Every infrared string of the lines, its table references resolved through their IR_TIME_n
// lines; each named after its key.
IrExport exportIrStrings(const std::vector<Text>& lines, IrExportFormat format);

} // namespace zr48
