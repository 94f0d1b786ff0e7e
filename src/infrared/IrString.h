#pragma once
// Infrared strings of device files as durations: "#" and a number is a duration in microseconds
// (blanks inside the number skipped); "$" starts references into the timing table, each digit d
// standing for the value of IR_TIME_d, until the next "#".

#include "base/Text.h"
#include "infrared/IrProtocol.h"

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zr48 {

// IR_TIME_0 ... IR_TIME_9 of a device file's lines, read as the optimizer reads them; 0 where an
// entry has no positive value.
struct IrTimingTable {
    std::array<std::uint32_t, 10> values{};
};
IrTimingTable readIrTimingTable(const std::vector<Text>& lines);

// The durations of an infrared string ("#9000#4500$0101", enclosing double quotes allowed), table
// references resolved through `table` (none: a reference is a problem). Nullopt with `problem`
// set when the text is no infrared string or names a duration that is 0 or missing.
std::optional<IrDurations> parseIrString(std::string_view text, const IrTimingTable* table, std::string& problem);

// "#9000#4500#560...".
Text formatIrString(std::span<const std::uint32_t> durations);

// A line `KEY="..."`: its key (trimmed) and the text between the quotes.
struct IrStringLine {
    Text key;
    Text value;
};
// When the line's value is a quoted text that begins with "#" or "$", as the infrared strings of a
// device file do.
std::optional<IrStringLine> irStringLine(std::string_view line);

} // namespace zr48
