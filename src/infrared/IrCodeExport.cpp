#include "infrared/IrCodeExport.h"

#include "infrared/FlipperIrFile.h"
#include "infrared/IrDecoder.h"
#include "infrared/IrEncoder.h"
#include "infrared/IrString.h"
#include "infrared/ProntoHex.h"

#include <numeric>

namespace zr48 {

namespace {

// The carrier of a string whose first frame no protocol names.
constexpr std::uint32_t kDefaultCarrierHz = 38000;
// The space that closes a string ending on a mark, where Pronto needs one and no protocol gives it.
constexpr std::uint32_t kDefaultLeadOut = 20000;

// A name Flipper shows: printable ASCII.
std::string flipperName(const Text& key)
{
    std::string name;
    for (const unsigned char c : key)
        name += c > 0x20 && c < 0x7F ? static_cast<char>(c) : '_';
    return name;
}

} // namespace

IrExport exportIrStrings(const std::vector<Text>& lines, IrExportFormat format)
{
    const IrTimingTable table = readIrTimingTable(lines);
    IrExport result;
    std::vector<FlipperSignal> signals;
    for (const Text& line : lines) {
        const auto string = irStringLine(line);
        if (!string)
            continue;
        std::string problem;
        const auto durations = parseIrString(string->value, &table, problem);
        if (!durations) {
            result.skipped.push_back(toUtf8(string->key) + ": " + problem);
            continue;
        }
        const std::vector<IrFrame> frames = decodeIrFrames(*durations);
        const IrProtocol* protocol = frames.front().protocol;
        const std::uint32_t carrier = protocol ? protocol->carrierHz : kDefaultCarrierHz;
        ++result.exported;
        if (format == IrExportFormat::Pronto) {
            const std::uint64_t length = std::accumulate(durations->begin(), durations->end(), std::uint64_t{0});
            const std::uint32_t leadOut = protocol ? irLeadOut(*protocol, length) : kDefaultLeadOut;
            result.text += flipperName(string->key) + ": " + formatProntoCode(*durations, carrier, leadOut) + "\n";
            continue;
        }
        FlipperSignal signal{.name = flipperName(string->key)};
        const auto single = decodeSingleIrFrame(*durations, IrRows::FlipperNames);
        if (single) {
            signal.parsed = true;
            signal.protocol = std::string(single->protocol->name);
            signal.address = single->code.address;
            signal.command = single->code.command;
        } else {
            signal.frequency = carrier;
            signal.data = *durations;
        }
        signals.push_back(std::move(signal));
    }
    if (format == IrExportFormat::Flipper)
        result.text = writeFlipperIr(signals);
    return result;
}

} // namespace zr48
