// The infrared optimizer on any device file, in its two passes as the editor runs them: the timing
// table it leaves is one block of well-formed lines in index order, and a line it has no business
// with (no infrared string, no table key, no "$") comes out unchanged and in its place.

#include "FuzzSupport.h"

#include "infrared/IrOptimizer.h"

#include <cstdlib>
#include <vector>

using namespace zr48;

namespace {

std::vector<Text> splitLines(std::string_view text)
{
    std::vector<Text> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == '\n') {
            lines.emplace_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    return lines;
}

bool untouchable(const Text& line)
{
    return line.find_first_of("\"$") == Text::npos && line.find("IR_TIME_") == Text::npos;
}

// "IR_TIME_<index> = <positive number>".
bool tableLine(const Text& line, int index)
{
    const Text prefix = "IR_TIME_" + std::to_string(index) + " = ";
    if (!line.starts_with(prefix) || line.size() == prefix.size() || line[prefix.size()] == '0')
        return false;
    return line.find_first_not_of("0123456789", prefix.size()) == Text::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    // Two bytes choose the tolerances of the passes (0 to 127 percent), the rest are the lines.
    const int tolerances[] = {data[0] % 128, data[1] % 128};
    std::vector<Text> lines = splitLines(fuzz::asText(data + 2, size - 2));
    std::vector<Text> kept;
    for (const Text& line : lines) {
        if (untouchable(line))
            kept.push_back(line);
    }

    TIrOptimizer optimizer;
    for (int tolerance : tolerances) {
        optimizer.SetTolerance(tolerance);
        optimizer.Optimize(lines);

        std::vector<Text> stillKept;
        int tableLines = 0;
        std::size_t tableEnd = 0;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const Text& line = lines[i];
            if (line.starts_with("IR_TIME_") && line.find_first_of("\"$") == Text::npos) {
                FUZZ_CHECK(tableLine(line, tableLines), "table line " + std::to_string(tableLines) + ": " + line);
                FUZZ_CHECK(tableLines == 0 || tableEnd == i, "the table is split: " + line);
                ++tableLines;
                tableEnd = i + 1;
            } else if (untouchable(line)) {
                stillKept.push_back(line);
            }
        }
        FUZZ_CHECK(tableLines <= 10, "more than ten table lines");
        FUZZ_CHECK(stillKept == kept, "a line without an infrared string changed, moved or appeared");
    }
    return 0;
}
