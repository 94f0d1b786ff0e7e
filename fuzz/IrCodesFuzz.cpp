// Code files of the world (Flipper .ir, Pronto hex) read, imported and decoded: whatever the bytes,
// a file is read or refused with a message; every button's durations come back from its "#" string
// and, with both tolerances 0, from the device file it is imported into; the decoder's frames cover
// the durations in order; a code the decoder names encodes into a frame it names the same way.

#include "FuzzSupport.h"

#include "base/Error.h"
#include "infrared/IrCodeImport.h"
#include "infrared/IrDecoder.h"
#include "infrared/IrEncoder.h"
#include "infrared/IrString.h"

#include <algorithm>

using namespace zr48;

namespace {

void checkDecoding(const IrDurations& durations)
{
    const std::vector<IrFrame> frames = decodeIrFrames(durations);
    std::size_t at = 0;
    for (const IrFrame& frame : frames) {
        FUZZ_CHECK(frame.first == at && frame.end > at, "frames are not contiguous at " + std::to_string(at));
        at = frame.end;
        if (frame.kind != IrFrame::Kind::Code)
            continue;
        const IrDurations again = encodeIrFrame(*frame.protocol, frame.code);
        const auto single = decodeSingleIrFrame(again);
        FUZZ_CHECK(single && describeIrFrame(*single) == describeIrFrame(frame),
                   describeIrFrame(frame) + " does not decode from its own encoding");
    }
    FUZZ_CHECK(at == durations.size(), "the frames end before the durations");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<IrButton> buttons;
    try {
        buttons = readIrCodeFile(fuzz::asText(data, size));
    } catch (const Error& e) {
        FUZZ_CHECK(!e.message().empty(), "a refusal without a reason");
        return 0;
    }
    for (const IrButton& button : buttons) {
        FUZZ_CHECK(button.skipped.empty() != button.durations.empty(),
                   "a button both skipped and read: " + button.name);
        if (button.durations.empty())
            continue;
        for (const std::uint32_t duration : button.durations)
            FUZZ_CHECK(duration > 0, "a duration of 0 in " + button.name);
        std::string problem;
        const auto back = parseIrString(formatIrString(button.durations), nullptr, problem);
        FUZZ_CHECK(back && *back == button.durations, "the \"#\" string of " + button.name + ": " + problem);
        checkDecoding(button.durations);
    }

    std::vector<Text> lines = newIrDeviceLines("Fuzz");
    fuzz::SilentPrompt prompt;
    const IrImportReport report = importIrButtons(lines, buttons, {}, prompt);
    const IrTimingTable table = readIrTimingTable(lines);
    std::size_t next = 0;
    for (const Text& line : lines) {
        const auto string = irStringLine(line);
        if (!string)
            continue;
        FUZZ_CHECK(next < report.imported.size(), "more strings than imported buttons");
        FUZZ_CHECK(string->key == report.imported[next].key, "the strings are not in the order of the report");
        std::string problem;
        const auto durations = parseIrString(string->value, &table, problem);
        const auto& button = *std::find_if(buttons.begin(), buttons.end(), [&](const IrButton& b) {
            return b.line == report.imported[next].line && !b.durations.empty();
        });
        FUZZ_CHECK(durations && *durations == button.durations,
                   "the durations of " + toUtf8(string->key) + " changed on import: " + problem);
        ++next;
    }
    FUZZ_CHECK(next == report.imported.size(), "an imported button has no string");
    return 0;
}
